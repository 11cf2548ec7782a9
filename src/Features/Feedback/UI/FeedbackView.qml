import QtCore
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Feedback

// The feedback sheet's content: a header with "Close", the welcome box, the form (title,
// message, images, send) and the links to the maker. Everything comes from `viewModel`.
Rectangle {
    id: root

    required property FeedbackViewModel viewModel

    // The user closed the sheet; the opener dismisses it.
    signal closeRequested()

    readonly property real margin: AppStyle.standardMargin

    color: AppStyle.paper
    // The sheet's rounded corners; a square content would paint over them.
    radius: 10
    implicitWidth: 520
    implicitHeight: 640

    component SheetText: Text {
        color: AppStyle.ink
        wrapMode: Text.Wrap
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    component Heading: SheetText {
        font.pixelSize: AppStyle.title2.pixelSize
        font.weight: Font.DemiBold
        Accessible.role: Accessible.Heading
    }

    // A line of black text that opens a page in the browser.
    component LinkButton: AbstractButton {
        id: link
        font: AppStyle.subheadline
        hoverEnabled: true
        Accessible.role: Accessible.Link
        Accessible.name: text
        Accessible.onPressAction: link.clicked()
        contentItem: Text {
            text: link.text
            font.pixelSize: link.font.pixelSize
            font.underline: link.hovered || link.visualFocus
            color: "black"
        }
        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
    }

    FileDialog {
        id: imageChooser
        objectName: "imageChooser"
        title: "Attach images"
        fileMode: FileDialog.OpenFiles
        nameFilters: root.viewModel.imageNameFilters
        currentFolder: StandardPaths.writableLocation(StandardPaths.PicturesLocation)
        onAccepted: root.viewModel.attachImages(selectedFiles)
    }

    ScrollView {
        id: scroll
        anchors.fill: parent
        contentWidth: availableWidth
        contentHeight: content.implicitHeight + 2 * root.margin
        ScrollBar.vertical.policy: ScrollBar.AsNeeded

        ColumnLayout {
            id: content
            x: root.margin
            y: root.margin
            width: scroll.availableWidth - 2 * root.margin
            spacing: 16

            // 1. Header
            RowLayout {
                Layout.fillWidth: true

                Heading {
                    text: "Feedback"
                    Layout.fillWidth: true
                }
                Button {
                    id: closeButton
                    objectName: "closeButton"
                    text: "Close"
                    flat: true
                    font: AppStyle.body
                    Accessible.name: text
                    Accessible.onPressAction: closeButton.clicked()
                    onClicked: root.closeRequested()
                }
            }

            // 2. Introduction
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: intro.implicitHeight + 2 * root.margin
                radius: AppStyle.cornerRadius
                color: AppStyle.panel

                ColumnLayout {
                    id: intro
                    x: root.margin
                    y: root.margin
                    width: parent.width - 2 * root.margin
                    spacing: 10

                    Heading {
                        text: "Welcome"
                        Layout.fillWidth: true
                    }
                    SheetText {
                        objectName: "welcomeText"
                        Layout.fillWidth: true
                        text: "We're open to your thoughts to make this app bring you more, so don't hesitate to share your ideas, feedback on app work, or whatever you may find insightful."
                        font: AppStyle.body
                        color: AppStyle.muted
                    }
                }
            }

            // 3. Form
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 12

                TextField {
                    id: titleField
                    objectName: "titleField"
                    Layout.fillWidth: true
                    placeholderText: "Title"
                    font: AppStyle.body
                    text: root.viewModel.title
                    onTextEdited: root.viewModel.title = text
                    Accessible.name: "Title"
                    leftPadding: 8
                    rightPadding: 8
                    background: Rectangle {
                        implicitHeight: 28
                        color: "white"
                        radius: 6
                        border.width: 1
                        border.color: titleField.activeFocus
                                      ? AppStyle.ink
                                      : Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.2)
                    }
                }

                TextArea {
                    id: messageEditor
                    objectName: "messageEditor"
                    Layout.fillWidth: true
                    Layout.minimumHeight: 180
                    padding: 8
                    wrapMode: TextEdit.Wrap
                    font: AppStyle.body
                    color: AppStyle.ink
                    text: root.viewModel.message
                    onTextChanged: root.viewModel.message = text
                    Accessible.name: "Message"
                    background: Rectangle {
                        color: "white"
                        radius: AppStyle.cornerRadius
                        border.width: 1
                        border.color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.12)
                    }
                }

                SecondaryButton {
                    id: attachButton
                    objectName: "attachButton"
                    text: "Attach images"
                    onClicked: imageChooser.open()
                    contentItem: RowLayout {
                        spacing: 6
                        Item { Layout.fillWidth: true }
                        SymbolImage {
                            symbol: "photo.on.rectangle.angled"
                            pointSize: 16
                        }
                        Text {
                            text: attachButton.text
                            font: attachButton.font
                            color: AppStyle.ink
                        }
                        Item { Layout.fillWidth: true }
                    }
                }

                RowLayout {
                    objectName: "attachmentRow"
                    Layout.fillWidth: true
                    visible: root.viewModel.hasAttachments
                    spacing: 6

                    SheetText {
                        objectName: "attachmentCount"
                        text: root.viewModel.attachmentCountText
                        font: AppStyle.caption
                        color: AppStyle.muted
                    }
                    SymbolButton {
                        objectName: "removeImagesButton"
                        symbol: "xmark"
                        pointSize: 12
                        frameSize: 20
                        tint: AppStyle.muted
                        Accessible.name: "Remove images"
                        ToolTip.text: Accessible.name
                        onClicked: root.viewModel.clearAttachments()
                    }
                    Item { Layout.fillWidth: true }
                }

                SheetText {
                    objectName: "attachmentNotice"
                    Layout.fillWidth: true
                    visible: root.viewModel.hasAttachmentNotice
                    text: root.viewModel.attachmentNotice
                    font: AppStyle.caption
                    color: AppStyle.muted
                }

                SheetText {
                    objectName: "statusLine"
                    Layout.fillWidth: true
                    visible: root.viewModel.hasStatusMessage
                    text: root.viewModel.statusMessage
                    font: AppStyle.subheadline
                    color: AppStyle.muted
                }

                PrimaryButton {
                    objectName: "sendButton"
                    text: root.viewModel.sendButtonText
                    enabled: !root.viewModel.isSending
                    onClicked: root.viewModel.sendFeedback()
                }
            }

            // 4. Links
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 10

                LinkButton {
                    objectName: "bookingLink"
                    text: "Talk instead"
                    onClicked: root.viewModel.openBookingPage()
                }
                LinkButton {
                    objectName: "privacyLink"
                    text: "Privacy policy"
                    onClicked: root.viewModel.openPrivacyPolicy()
                }
            }
        }
    }
}
