import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Editor

// The main working screen: sync state, a header back to the drafts, the editing box
// (formatting toolbar over the rich-text control), a live preview of the post and the status
// line, with the save and publish buttons pinned below. Everything comes from `viewModel`.
Rectangle {
    id: root

    required property EditorViewModel viewModel

    // The main window switches to the drafts list.
    signal showDrafts()
    // A post went out: the main window shows its notice.
    signal postSucceeded()

    // The member's own recent activity, the same address for every member.
    readonly property url recentActivityURL: "https://www.linkedin.com/in/me/recent-activity/all/"

    readonly property color separatorColor: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g,
                                                    AppStyle.ink.b, 0.12)
    readonly property bool busy: viewModel.isPosting || viewModel.isNaturalizing

    function format(command) {
        editor.apply(command)
    }

    color: AppStyle.paper

    Connections {
        target: root.viewModel
        function onPostSucceeded() {
            root.postSucceeded()
            Qt.openUrlExternally(root.recentActivityURL)
        }
    }

    Shortcut { sequence: "Ctrl+B"; onActivated: root.format(EditorFormat.Bold) }
    Shortcut { sequence: "Ctrl+I"; onActivated: root.format(EditorFormat.Italic) }
    Shortcut { sequence: "Ctrl+Shift+X"; onActivated: root.format(EditorFormat.Strikethrough) }
    Shortcut { sequence: "Ctrl+U"; onActivated: root.format(EditorFormat.Underline) }
    Shortcut { sequence: "Ctrl+E"; onActivated: root.format(EditorFormat.Code) }
    Shortcut { sequence: "Ctrl+\\"; onActivated: root.format(EditorFormat.Clear) }
    Shortcut { sequence: "Ctrl+Shift+8"; onActivated: root.format(EditorFormat.Bullets) }
    Shortcut { sequence: "Ctrl+Shift+7"; onActivated: root.format(EditorFormat.Numbered) }
    Shortcut { sequence: "Ctrl+S"; onActivated: root.viewModel.save() }
    Shortcut {
        sequences: ["Ctrl+Return", "Ctrl+Enter"]
        enabled: !root.busy
        onActivated: root.viewModel.publish()
    }

    component ToolbarTextButton: AbstractButton {
        id: textButton
        property string shortcut
        property int command
        implicitWidth: 44
        implicitHeight: 44
        font.pixelSize: 18
        font.weight: Font.Medium
        Accessible.role: Accessible.Button
        Accessible.onPressAction: textButton.clicked()
        ToolTip.visible: hovered
        ToolTip.delay: 600
        ToolTip.text: Accessible.name + " (" + shortcut + ")"
        hoverEnabled: true
        onClicked: root.format(command)
        contentItem: Text {
            text: textButton.text
            font: textButton.font
            color: AppStyle.ink
            opacity: 0.72
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    // As high as the buttons, so the line sits centred beside them.
    component ToolbarSeparator: Item {
        implicitWidth: 21
        implicitHeight: 44
        Rectangle {
            anchors.centerIn: parent
            width: 1
            height: 24
            color: root.separatorColor
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ScrollView {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            ScrollBar.vertical.policy: ScrollBar.AsNeeded

            ColumnLayout {
                width: scroller.availableWidth - 2 * AppStyle.standardMargin
                x: AppStyle.standardMargin
                y: AppStyle.standardMargin
                spacing: 16

                Text {
                    objectName: "syncState"
                    text: root.viewModel.syncStatusMessage
                    font: AppStyle.caption
                    color: AppStyle.muted
                    Accessible.name: text
                }

                RowLayout {
                    spacing: 10
                    SymbolButton {
                        objectName: "backButton"
                        symbol: "chevron.left"
                        pointSize: 17
                        frameSize: 28
                        Accessible.name: "Back to drafts"
                        ToolTip.text: Accessible.name
                        onClicked: root.showDrafts()
                    }
                    Text {
                        text: "Write your post"
                        font.family: AppStyle.title2.family
                        font.pixelSize: AppStyle.title2.pixelSize
                        font.weight: Font.DemiBold
                        color: AppStyle.ink
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                }

                // Editing box: toolbar, separator, editor with its clear button.
                Rectangle {
                    Layout.fillWidth: true
                    implicitHeight: box.implicitHeight
                    color: AppStyle.panel
                    radius: 8
                    clip: true

                    ColumnLayout {
                        id: box
                        anchors.left: parent.left
                        anchors.right: parent.right
                        spacing: 0

                        Rectangle {
                            Layout.fillWidth: true
                            implicitHeight: 44
                            color: "white"
                            Flickable {
                                objectName: "toolbar"
                                anchors.fill: parent
                                anchors.leftMargin: 8
                                anchors.rightMargin: 8
                                contentWidth: tools.implicitWidth
                                flickableDirection: Flickable.HorizontalFlick
                                boundsBehavior: Flickable.StopAtBounds
                                clip: true

                                Row {
                                    id: tools
                                    spacing: 0
                                    ToolbarTextButton {
                                        text: "B"; font.weight: Font.Bold; command: EditorFormat.Bold
                                        Accessible.name: "Bold"; shortcut: "Ctrl+B"
                                    }
                                    ToolbarTextButton {
                                        text: "I"; font.italic: true; command: EditorFormat.Italic
                                        Accessible.name: "Italic"; shortcut: "Ctrl+I"
                                    }
                                    ToolbarTextButton {
                                        text: "S"; font.strikeout: true
                                        command: EditorFormat.Strikethrough
                                        Accessible.name: "Strikethrough"; shortcut: "Ctrl+Shift+X"
                                    }
                                    ToolbarTextButton {
                                        text: "U"; font.underline: true
                                        command: EditorFormat.Underline
                                        Accessible.name: "Underline"; shortcut: "Ctrl+U"
                                    }
                                    ToolbarTextButton {
                                        text: "<>"; command: EditorFormat.Code
                                        Accessible.name: "Code"; shortcut: "Ctrl+E"
                                    }
                                    ToolbarTextButton {
                                        text: "T/"; command: EditorFormat.Clear
                                        Accessible.name: "Clear formatting"; shortcut: "Ctrl+\\"
                                    }
                                    ToolbarSeparator {}
                                    SymbolButton {
                                        objectName: "naturalizeButton"
                                        symbol: "wand.and.stars"
                                        pointSize: 18
                                        frameSize: 44
                                        tint: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g,
                                                      AppStyle.ink.b, 0.72)
                                        enabled: root.viewModel.hasEditorText && !root.busy
                                        Accessible.name: root.viewModel.isNaturalizing
                                                         ? "Naturalizing English"
                                                         : "Naturalize English"
                                        ToolTip.text: Accessible.name
                                        onClicked: root.viewModel.naturalizeEnglish()
                                    }
                                    ToolbarSeparator {}
                                    SymbolButton {
                                        symbol: "list.bullet"
                                        pointSize: 18
                                        frameSize: 44
                                        tint: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g,
                                                      AppStyle.ink.b, 0.72)
                                        Accessible.name: "Bulleted list"
                                        ToolTip.text: Accessible.name + " (Ctrl+Shift+8)"
                                        onClicked: root.format(EditorFormat.Bullets)
                                    }
                                    SymbolButton {
                                        symbol: "list.number"
                                        pointSize: 18
                                        frameSize: 44
                                        tint: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g,
                                                      AppStyle.ink.b, 0.72)
                                        Accessible.name: "Numbered list"
                                        ToolTip.text: Accessible.name + " (Ctrl+Shift+7)"
                                        onClicked: root.format(EditorFormat.Numbered)
                                    }
                                }
                            }
                        }

                        Rectangle {
                            Layout.fillWidth: true
                            implicitHeight: 1
                            color: root.separatorColor
                        }

                        Item {
                            Layout.fillWidth: true
                            implicitHeight: Math.max(260, editor.implicitHeight) + 24

                            RichTextEditor {
                                id: editor
                                objectName: "editor"
                                anchors.fill: parent
                                anchors.margins: 12
                                anchors.rightMargin: 12 + 36
                                text: root.viewModel.editorText
                                onTextEdited: text => root.viewModel.editorText = text
                                onFirstEdit: root.viewModel.recordEditorStarted()
                            }

                            SymbolButton {
                                objectName: "clearButton"
                                anchors.top: parent.top
                                anchors.right: parent.right
                                anchors.margins: 8
                                symbol: "xmark"
                                pointSize: 14
                                frameSize: 32
                                enabled: root.viewModel.hasEditorText
                                opacity: enabled ? 1 : 0
                                Accessible.name: "Clear post text"
                                ToolTip.text: Accessible.name
                                onClicked: root.viewModel.clearEditor()
                            }
                        }
                    }
                }

                // Preview card: the post as LinkedIn will show it.
                Rectangle {
                    objectName: "preview"
                    Layout.fillWidth: true
                    implicitHeight: previewColumn.implicitHeight + 2 * AppStyle.standardMargin
                    color: "white"
                    radius: 8
                    border.width: 1
                    border.color: root.separatorColor
                    clip: true

                    ColumnLayout {
                        id: previewColumn
                        x: AppStyle.standardMargin
                        y: AppStyle.standardMargin
                        width: parent.width - 2 * AppStyle.standardMargin
                        spacing: 12

                        Text {
                            objectName: "connectHint"
                            visible: !root.viewModel.hasProfile
                            text: "Connect LinkedIn to preview your profile."
                            font: AppStyle.subheadline
                            color: AppStyle.muted
                            Accessible.name: text
                        }
                        RowLayout {
                            objectName: "authorRow"
                            visible: root.viewModel.hasProfile
                            spacing: 10
                            LinkedInProfilePhoto {
                                objectName: "authorPhoto"
                                pictureURL: root.viewModel.profilePictureURL
                                size: 48
                            }
                            ColumnLayout {
                                spacing: 2
                                Text {
                                    objectName: "authorName"
                                    text: root.viewModel.profileName
                                    font: AppStyle.headline
                                    color: AppStyle.ink
                                    Accessible.name: text
                                }
                                Text {
                                    objectName: "authorHeadline"
                                    text: root.viewModel.profileHeadline
                                    font: AppStyle.subheadline
                                    color: AppStyle.muted
                                    Accessible.name: text
                                }
                            }
                        }
                        Text {
                            objectName: "previewText"
                            Layout.fillWidth: true
                            text: root.viewModel.previewText
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font: AppStyle.body
                            color: AppStyle.ink
                            Accessible.role: Accessible.StaticText
                            Accessible.name: text
                        }
                    }
                }

                Text {
                    objectName: "statusLine"
                    visible: root.viewModel.hasStatusMessage
                    Layout.fillWidth: true
                    text: root.viewModel.statusMessage
                    wrapMode: Text.Wrap
                    font: AppStyle.subheadline
                    color: AppStyle.muted
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                Item { implicitHeight: AppStyle.standardMargin }
            }
        }

        // Action bar, pinned below the scrolling content.
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: root.separatorColor
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: AppStyle.standardMargin
            Layout.rightMargin: AppStyle.standardMargin
            Layout.topMargin: 12
            Layout.bottomMargin: 8
            spacing: 10

            SecondaryButton {
                objectName: "saveButton"
                text: "Save draft"
                hoverEnabled: true
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: "Save draft (Ctrl+S)"
                onClicked: root.viewModel.save()
            }
            PrimaryButton {
                objectName: "postButton"
                text: root.viewModel.isPosting ? "Posting..." : "Post to LinkedIn"
                enabled: !root.busy
                hoverEnabled: true
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: "Post to LinkedIn (Ctrl+Return)"
                onClicked: root.viewModel.publish()
            }
        }
    }
}
