import QtQuick
import QtQuick.Controls
import Quillet.Shared
import Quillet.App

// The four sections; the selected row is highlighted and a click goes through selectSection.
Rectangle {
    id: sidebar
    required property MainWindowViewModel viewModel
    color: AppStyle.panel

    ListView {
        id: list
        objectName: "sidebarList"
        anchors.fill: parent
        anchors.topMargin: 12
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        spacing: 2
        interactive: false
        model: sidebar.viewModel.sections
        Accessible.role: Accessible.List
        Accessible.name: "Sections"

        delegate: AbstractButton {
            id: row
            required property var modelData
            readonly property bool selected: sidebar.viewModel.selection === modelData.section
            objectName: "section" + modelData.label
            width: ListView.view.width
            height: 32
            leftPadding: 10
            rightPadding: 10
            focusPolicy: Qt.StrongFocus
            Accessible.role: Accessible.ListItem
            Accessible.name: modelData.label
            Accessible.selected: selected
            Accessible.onPressAction: row.clicked()
            onClicked: sidebar.viewModel.selectSection(modelData.section)

            contentItem: Row {
                spacing: 8
                SymbolImage {
                    anchors.verticalCenter: parent.verticalCenter
                    symbol: row.modelData.symbol
                    pointSize: 16
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: row.modelData.label
                    font: AppStyle.body
                    color: AppStyle.ink
                }
            }
            background: Rectangle {
                radius: 6
                color: row.selected ? AppStyle.lime
                                    : Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b,
                                              row.down ? 0.1 : row.visualFocus ? 0.06 : 0)
            }
        }
    }

    Rectangle {
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.12)
    }
}
