import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Account

// The account screen: the connected profile, the account status line and, pinned to the
// bottom, "Delete account", which asks for confirmation in an overlay first. Nothing is
// deleted before the overlay's own "Delete account"; a completed deletion closes the screen.
Rectangle {
    id: root

    required property AccountViewModel viewModel
    // True while the confirmation overlay is shown.
    property bool showsDeleteConfirmation: false

    // The screen asks to be closed: back, or after a completed deletion.
    signal dismissRequested()

    readonly property string deleteExplanation: "This deletes your LinkedIn connection, drafts, local authorization token, and AI API key. Support, legal, and security records may be retained where required."

    function dismiss() {
        if (root.StackView.view)
            root.StackView.view.pop()
        root.dismissRequested()
    }

    color: AppStyle.paper

    Connections {
        target: root.viewModel
        function onAccountDeleted() { root.dismiss() }
    }

    component StatusText: Text {
        Layout.fillWidth: true
        font: AppStyle.subheadline
        color: AppStyle.muted
        wrapMode: Text.Wrap
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ScrollView {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            ScrollBar.vertical.policy: ScrollBar.AlwaysOn

            ColumnLayout {
                width: scroller.availableWidth - 2 * AppStyle.standardMargin
                x: AppStyle.standardMargin
                y: AppStyle.standardMargin
                spacing: 16

                RowLayout {
                    spacing: 10
                    SymbolButton {
                        objectName: "backButton"
                        symbol: "chevron.left"
                        Accessible.name: "Back"
                        ToolTip.text: Accessible.name
                        onClicked: root.dismiss()
                    }
                    Text {
                        objectName: "heading"
                        text: "Account"
                        font.family: AppStyle.title2.family
                        font.pixelSize: AppStyle.title2.pixelSize
                        font.weight: Font.DemiBold
                        color: AppStyle.ink
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                }

                Rectangle {
                    objectName: "accountCard"
                    Layout.fillWidth: true
                    implicitHeight: card.implicitHeight + 2 * AppStyle.standardMargin
                    color: AppStyle.panel
                    radius: AppStyle.cornerRadius

                    ColumnLayout {
                        id: card
                        anchors.fill: parent
                        anchors.margins: AppStyle.standardMargin
                        spacing: 12

                        StatusText {
                            objectName: "notConnected"
                            visible: !root.viewModel.hasProfile
                            text: "Not connected."
                            font: AppStyle.body
                        }

                        RowLayout {
                            objectName: "profileRow"
                            visible: root.viewModel.hasProfile
                            Layout.fillWidth: true
                            spacing: 12

                            LinkedInProfilePhoto {
                                objectName: "profilePhoto"
                                Layout.alignment: Qt.AlignTop
                                pictureURL: root.viewModel.profilePictureURL
                                size: 56
                            }
                            ColumnLayout {
                                Layout.alignment: Qt.AlignTop
                                Layout.fillWidth: true
                                spacing: 6
                                Text {
                                    objectName: "profileName"
                                    Layout.fillWidth: true
                                    text: root.viewModel.profileName
                                    font.family: AppStyle.title3.family
                                    font.pixelSize: AppStyle.title3.pixelSize
                                    font.weight: Font.DemiBold
                                    color: AppStyle.ink
                                    wrapMode: Text.Wrap
                                    Accessible.name: text
                                }
                                StatusText {
                                    objectName: "profileHeadline"
                                    visible: root.viewModel.hasProfileHeadline
                                    text: root.viewModel.profileHeadline
                                }
                                StatusText {
                                    objectName: "registered"
                                    text: root.viewModel.registeredText
                                    font: AppStyle.caption
                                }
                            }
                        }
                    }
                }

                StatusText {
                    objectName: "statusLine"
                    visible: root.viewModel.hasStatusMessage
                    text: root.viewModel.statusMessage
                }
            }
        }

        // Pinned below the scrolled content, behind a hairline.
        Rectangle {
            objectName: "deleteBar"
            visible: root.viewModel.isConnected
            Layout.fillWidth: true
            implicitHeight: deleteButton.implicitHeight + 12 + 8
            color: AppStyle.paper

            Rectangle {
                width: parent.width
                height: 1
                color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.12)
            }
            SecondaryButton {
                id: deleteButton
                objectName: "deleteAccountButton"
                x: AppStyle.standardMargin
                y: 12
                width: parent.width - 2 * AppStyle.standardMargin
                text: root.viewModel.isDeletingAccount ? "Deleting..." : "Delete account"
                enabled: !root.viewModel.isDeletingAccount
                onClicked: root.showsDeleteConfirmation = true
            }
        }
    }

    // The confirmation: dims the whole screen; only its two buttons close it.
    Item {
        objectName: "deleteConfirmation"
        anchors.fill: parent
        visible: root.showsDeleteConfirmation

        Rectangle {
            anchors.fill: parent
            color: Qt.rgba(0, 0, 0, 0.28)
            // Takes every press and wheel turn so that nothing under it reacts.
            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.AllButtons
                hoverEnabled: true
                onWheel: wheel => wheel.accepted = true
            }
        }

        Item {
            id: dialog
            anchors.centerIn: parent
            width: parent.width * 0.7
            height: dialogContent.implicitHeight + 2 * AppStyle.standardMargin

            // A soft ink shadow 8 points down, built from widening faint rings.
            Repeater {
                model: 6
                Rectangle {
                    required property int index
                    readonly property real spread: 3 * (index + 1)
                    x: -spread
                    y: -spread + 8
                    width: dialog.width + 2 * spread
                    height: dialog.height + 2 * spread
                    radius: AppStyle.cornerRadius + spread
                    color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.18 / 6)
                }
            }

            Rectangle {
                anchors.fill: parent
                radius: AppStyle.cornerRadius
                color: AppStyle.panel

                ColumnLayout {
                    id: dialogContent
                    anchors.fill: parent
                    anchors.margins: AppStyle.standardMargin
                    spacing: 14

                    Text {
                        objectName: "confirmationTitle"
                        text: "Delete account?"
                        font: AppStyle.headline
                        color: AppStyle.ink
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                    }
                    StatusText {
                        objectName: "confirmationText"
                        text: root.deleteExplanation
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 10
                        SecondaryButton {
                            objectName: "cancelDeleteButton"
                            text: "Cancel"
                            onClicked: root.showsDeleteConfirmation = false
                        }
                        SecondaryButton {
                            objectName: "confirmDeleteButton"
                            text: "Delete account"
                            onClicked: {
                                root.showsDeleteConfirmation = false
                                root.viewModel.deleteAccount()
                            }
                        }
                    }
                }
            }
        }
    }
}
