import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Drafts

// The saved drafts of the current account: the sync status, the heading, and either the
// empty state or one row per draft that opens it in the editor or deletes it.
ScrollView {
    id: root

    required property DraftsViewModel viewModel
    // Emitted after a row's draft has been loaded into the editor; the window shows the editor.
    signal openDraft()

    readonly property real inset: AppStyle.standardMargin

    contentWidth: availableWidth
    contentHeight: content.implicitHeight + 2 * inset
    ScrollBar.vertical.policy: ScrollBar.AlwaysOn
    background: Rectangle { color: AppStyle.paper }

    ColumnLayout {
        id: content
        width: root.availableWidth - 2 * root.inset
        x: root.inset
        y: root.inset
        spacing: 16

        Text {
            objectName: "statusLine"
            Layout.fillWidth: true
            text: root.viewModel.syncStatusMessage
            font: AppStyle.caption
            color: AppStyle.muted
            wrapMode: Text.Wrap
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Text {
            objectName: "heading"
            Layout.fillWidth: true
            text: qsTr("Drafts")
            font.pixelSize: AppStyle.title2.pixelSize
            font.weight: Font.DemiBold
            color: AppStyle.ink
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }

        ColumnLayout {
            objectName: "emptyState"
            visible: root.viewModel.isEmpty
            Layout.fillWidth: true
            Layout.topMargin: 48
            spacing: 8

            SymbolImage {
                Layout.alignment: Qt.AlignHCenter
                symbol: "doc.text"
                pointSize: 40
                color: AppStyle.muted
            }
            Text {
                objectName: "emptyTitle"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("No drafts")
                font.pixelSize: AppStyle.title3.pixelSize
                font.weight: Font.DemiBold
                color: AppStyle.ink
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
            Text {
                objectName: "emptyDescription"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("Saved drafts will appear here.")
                font: AppStyle.subheadline
                color: AppStyle.muted
                wrapMode: Text.Wrap
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }

        Rectangle {
            objectName: "draftsPanel"
            visible: !root.viewModel.isEmpty
            Layout.fillWidth: true
            implicitHeight: rows.implicitHeight
            color: AppStyle.panel
            radius: AppStyle.cornerRadius

            Column {
                id: rows
                width: parent.width

                Repeater {
                    id: repeater
                    model: root.viewModel.drafts

                    delegate: Column {
                        id: row
                        objectName: "draftRow"
                        required property int index
                        required property string draftID
                        required property string title
                        required property string body
                        required property string dateText

                        width: rows.width

                        RowLayout {
                            x: root.inset
                            width: parent.width - 2 * root.inset
                            spacing: 12

                            AbstractButton {
                                objectName: "openDraftButton"
                                Layout.fillWidth: true
                                Layout.alignment: Qt.AlignTop
                                topPadding: 6
                                bottomPadding: 6
                                focusPolicy: Qt.StrongFocus
                                Accessible.role: Accessible.Button
                                Accessible.name: row.title
                                Accessible.description: row.dateText
                                Accessible.onPressAction: clicked()
                                onClicked: {
                                    if (root.viewModel.openDraft(row.draftID))
                                        root.openDraft()
                                }

                                contentItem: ColumnLayout {
                                    spacing: 6
                                    opacity: parent.down ? AppStyle.pressedOpacity : 1

                                    Text {
                                        objectName: "draftTitle"
                                        Layout.fillWidth: true
                                        text: row.title
                                        font: AppStyle.headline
                                        color: AppStyle.ink
                                        wrapMode: Text.Wrap
                                        textFormat: Text.PlainText
                                    }
                                    Text {
                                        objectName: "draftBody"
                                        Layout.fillWidth: true
                                        text: row.body
                                        font: AppStyle.subheadline
                                        color: AppStyle.muted
                                        wrapMode: Text.Wrap
                                        maximumLineCount: 3
                                        elide: Text.ElideRight
                                        textFormat: Text.PlainText
                                    }
                                    Text {
                                        objectName: "draftDate"
                                        Layout.fillWidth: true
                                        text: row.dateText
                                        font: AppStyle.caption
                                        color: AppStyle.muted
                                    }
                                }
                                background: Rectangle {
                                    radius: 6
                                    color: AppStyle.ink
                                    opacity: parent.visualFocus ? 0.06 : 0
                                }
                            }

                            SymbolButton {
                                objectName: "deleteDraftButton"
                                Layout.alignment: Qt.AlignTop
                                symbol: "xmark"
                                pointSize: 13
                                frameSize: 32
                                tint: AppStyle.muted
                                Accessible.name: qsTr("Delete draft")
                                onClicked: root.viewModel.deleteDraft(row.draftID)
                            }
                        }

                        Rectangle {
                            objectName: "divider"
                            visible: row.index < repeater.count - 1
                            x: root.inset
                            width: parent.width - 2 * root.inset
                            height: 1
                            color: AppStyle.ink
                            opacity: 0.12
                        }
                    }
                }
            }
        }
    }
}
