import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Account

// The settings screen: the AI key card, then either the connect button or, for a connected
// account, the account row, the log-out button, the community row and the feedback bar, and
// the account status line. Every state and action is the view model's.
Rectangle {
    id: root

    required property AccountViewModel viewModel
    // The feedback bar shows only where a feedback form exists.
    property bool showsFeedback: true

    // The "Account" row: the navigation stack shows the account screen.
    signal accountRequested()
    // The "Send feedback" bar: the window opens its feedback sheet.
    signal feedbackRequested()

    readonly property string aiKeyCaption: "Use a Gemini key that Google accepts for Gemini API. Free quota, billing, region, and key restrictions are handled by Google."

    color: AppStyle.paper

    component Section: ColumnLayout {
        Layout.fillWidth: true
        spacing: 10
    }

    component StatusText: Text {
        Layout.fillWidth: true
        font: AppStyle.subheadline
        color: AppStyle.muted
        wrapMode: Text.Wrap
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    ScrollView {
        id: scroller
        anchors.fill: parent
        contentWidth: availableWidth
        ScrollBar.vertical.policy: ScrollBar.AlwaysOn

        ColumnLayout {
            width: scroller.availableWidth - 2 * AppStyle.standardMargin
            x: AppStyle.standardMargin
            y: AppStyle.standardMargin
            spacing: 16

            Text {
                objectName: "heading"
                text: "Settings"
                font.family: AppStyle.title2.family
                font.pixelSize: AppStyle.title2.pixelSize
                font.weight: Font.DemiBold
                color: AppStyle.ink
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }

            Section {
                objectName: "aiSection"
                Rectangle {
                    Layout.fillWidth: true
                    implicitHeight: aiCard.implicitHeight + 2 * AppStyle.standardMargin
                    color: AppStyle.panel
                    radius: AppStyle.cornerRadius

                    ColumnLayout {
                        id: aiCard
                        anchors.fill: parent
                        anchors.margins: AppStyle.standardMargin
                        spacing: 12

                        Text {
                            text: "Gemini API key"
                            font: AppStyle.headline
                            color: AppStyle.ink
                        }
                        TextField {
                            id: apiKeyField
                            objectName: "apiKeyField"
                            Layout.fillWidth: true
                            placeholderText: "Gemini API key"
                            echoMode: TextInput.Password
                            // Kept out of input-method history and suggestions.
                            inputMethodHints: Qt.ImhSensitiveData | Qt.ImhNoPredictiveText
                                              | Qt.ImhHiddenText
                            text: root.viewModel.apiKey
                            onTextEdited: root.viewModel.apiKey = text
                            Accessible.name: "Gemini API key"
                            background: Rectangle {
                                implicitHeight: 28
                                radius: 5
                                color: AppStyle.panel
                                border.width: 1
                                border.color: apiKeyField.activeFocus
                                              ? AppStyle.ink
                                              : Qt.rgba(AppStyle.ink.r, AppStyle.ink.g,
                                                        AppStyle.ink.b, 0.25)
                            }
                        }
                        SecondaryButton {
                            objectName: "saveAISettingsButton"
                            text: "Save AI settings"
                            onClicked: root.viewModel.saveAISettings()
                        }
                        Text {
                            Layout.fillWidth: true
                            text: root.aiKeyCaption
                            font: AppStyle.caption
                            color: AppStyle.muted
                            wrapMode: Text.Wrap
                        }
                        StatusText {
                            objectName: "aiStatusLine"
                            visible: root.viewModel.hasAIStatusMessage
                            text: root.viewModel.aiStatusMessage
                        }
                    }
                }
            }

            Section {
                visible: root.viewModel.isConnected
                SettingsRow {
                    objectName: "accountRow"
                    text: "Account"
                    symbol: "person.crop.circle"
                    onClicked: root.accountRequested()
                }
            }

            SecondaryButton {
                objectName: "logOutButton"
                visible: root.viewModel.isConnected
                text: root.viewModel.isLoggingOut ? "Logging out..." : "Log out"
                enabled: !root.viewModel.isLoggingOut
                onClicked: root.viewModel.logOut()
            }

            Section {
                visible: root.viewModel.isConnected
                SettingsRow {
                    objectName: "communityRow"
                    text: "Community"
                    symbol: "person.2"
                    onClicked: Qt.openUrlExternally(MakerLinks.communityURL)
                }
            }

            Section {
                visible: root.viewModel.isConnected && root.showsFeedback
                AbstractButton {
                    id: feedbackBar
                    objectName: "feedbackBar"
                    Layout.fillWidth: true
                    text: "Send feedback"
                    topPadding: AppStyle.buttonInset
                    bottomPadding: AppStyle.buttonInset
                    font: AppStyle.headline
                    focusPolicy: Qt.StrongFocus
                    Accessible.role: Accessible.Button
                    Accessible.name: text
                    Accessible.onPressAction: feedbackBar.clicked()
                    onClicked: root.feedbackRequested()

                    contentItem: Item {
                        implicitHeight: feedbackLabel.implicitHeight
                        Row {
                            id: feedbackLabel
                            anchors.centerIn: parent
                            spacing: 6
                            SymbolImage {
                                anchors.verticalCenter: parent.verticalCenter
                                symbol: "ladybug"
                                pointSize: 16
                                color: "white"
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: feedbackBar.text
                                font: feedbackBar.font
                                color: "white"
                            }
                        }
                    }
                    background: Rectangle {
                        implicitHeight: 16 + 2 * AppStyle.buttonInset
                        radius: AppStyle.cornerRadius
                        color: AppStyle.coral
                        opacity: feedbackBar.down ? AppStyle.pressedOpacity : 1
                    }
                }
            }

            PrimaryButton {
                objectName: "connectButton"
                visible: !root.viewModel.isConnected
                text: root.viewModel.isConnecting ? "Connecting..." : "Connect LinkedIn"
                enabled: !root.viewModel.isConnecting
                onClicked: root.viewModel.connect()
            }

            StatusText {
                objectName: "statusLine"
                visible: root.viewModel.hasStatusMessage
                text: root.viewModel.statusMessage
            }

            Item {
                implicitHeight: AppStyle.standardMargin
            }
        }
    }
}
