import QtQuick
import QtQuick.Controls
import Quillet.Shared
import Quillet.Editor

// The post's editing control: a plain-text area that wraps by word and scrolls vertically,
// without frame or background. Bind `text` to the editor text and take user edits back from
// textEdited(); apply() runs a formatting command (EditorFormat.Bold, ...) on the selection.
// Ctrl+Z and Ctrl+Shift+Z undo and redo, a formatting command counting as one step.
ScrollView {
    id: root

    property string text
    readonly property alias textArea: area
    readonly property alias controller: controller

    signal textEdited(string text)
    // The first user edit in the life of this control.
    signal firstEdit()

    function apply(command) {
        controller.apply(command)
    }

    contentWidth: availableWidth
    ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
    ScrollBar.vertical.policy: ScrollBar.AsNeeded

    RichTextEditorController {
        id: controller
        textArea: area
        text: root.text
        onTextEdited: text => root.textEdited(text)
        onFirstEdit: root.firstEdit()
    }

    TextArea {
        id: area
        textFormat: TextEdit.PlainText
        wrapMode: TextEdit.Wrap
        color: AppStyle.nsInk
        font: AppStyle.body
        selectByMouse: true
        persistentSelection: true
        padding: 0
        background: null
    }
}
