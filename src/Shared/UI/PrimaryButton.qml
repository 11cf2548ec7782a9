import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared

// Full-width lime button with ink headline label; 0.7 opacity fill while pressed.
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
    background: Rectangle {
        implicitHeight: 16 + 2 * AppStyle.buttonInset
        radius: AppStyle.cornerRadius
        color: AppStyle.lime
        opacity: control.down ? AppStyle.pressedOpacity : 1
    }
}
