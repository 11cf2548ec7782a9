import QtQuick
import Quillet.Shared
import Quillet.Editor

// A screen's use of the editor: the text lives outside, edits come back through textEdited().
Rectangle {
    width: 420
    height: 200
    color: AppStyle.panel

    property alias editor: editor
    property string editorText
    property int firstEdits: 0

    RichTextEditor {
        id: editor
        anchors.fill: parent
        anchors.margins: 12
        text: editorText
        onTextEdited: text => editorText = text
        onFirstEdit: firstEdits++
    }
}
