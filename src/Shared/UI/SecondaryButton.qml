import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared

// Full-width panel-coloured button with a thin ink border; 0.7 opacity fill while pressed.
Button {
    id: control
    Layout.fillWidth: true
    Layout.preferredWidth: 1 // buttons side by side share the width equally
    topPadding: AppStyle.buttonInset
    bottomPadding: AppStyle.buttonInset
    leftPadding: 0
    rightPadding: 0
    font: AppStyle.headline
    opacity: enabled ? 1 : AppStyle.disabledOpacity
    Accessible.name: text
    Accessible.onPressAction: control.clicked()

    contentItem: Text {
        text: control.text
        font: control.font
        color: AppStyle.ink
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Item {
        implicitHeight: 16 + 2 * AppStyle.buttonInset
        Rectangle {
            anchors.fill: parent
            radius: AppStyle.cornerRadius
            color: AppStyle.panel
            opacity: control.down ? AppStyle.pressedOpacity : 1
        }
        // A one-point ink stroke at 0.2, drawn inside the edge. A half-point stroke (a centred
        // stroke clipped to the shape) falls between pixels and vanishes on some edges.
        Rectangle {
            anchors.fill: parent
            radius: AppStyle.cornerRadius
            color: "transparent"
            border.width: 1
            border.color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.2)
        }
    }
}
