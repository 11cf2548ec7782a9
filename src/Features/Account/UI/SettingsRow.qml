import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared

// A full-width row of the settings screen that leads somewhere: an icon and a title centred
// on the panel colour, in a rounded frame with a faint ink edge. Its accessibility label is
// its title; assistive technology can press it.
AbstractButton {
    id: row
    property string symbol

    Layout.fillWidth: true
    topPadding: AppStyle.buttonInset
    bottomPadding: AppStyle.buttonInset
    font: AppStyle.headline
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: row.clicked()

    contentItem: Item {
        implicitHeight: label.implicitHeight
        Row {
            id: label
            anchors.centerIn: parent
            spacing: 6
            SymbolImage {
                anchors.verticalCenter: parent.verticalCenter
                symbol: row.symbol
                pointSize: 16
                color: AppStyle.ink
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: row.text
                font: row.font
                color: AppStyle.ink
            }
        }
    }
    background: Rectangle {
        implicitHeight: 16 + 2 * AppStyle.buttonInset
        radius: AppStyle.cornerRadius
        color: AppStyle.panel
        opacity: row.down ? AppStyle.pressedOpacity : 1
        border.width: 1
        border.color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.16)
    }
}
