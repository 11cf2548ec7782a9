import QtQuick
import QtQuick.Controls
import Quillet.Shared

// A borderless button showing one symbol in a square frame. Its accessibility label is the
// caller's `Accessible.name`; assistive technology can press it.
AbstractButton {
    id: control
    property string symbol
    property real pointSize: 17
    property color tint: AppStyle.ink
    property real frameSize: 28

    implicitWidth: frameSize
    implicitHeight: frameSize
    focusPolicy: Qt.StrongFocus
    opacity: enabled ? 1 : AppStyle.disabledOpacity
    hoverEnabled: true
    Accessible.role: Accessible.Button
    Accessible.onPressAction: control.clicked()
    ToolTip.visible: hovered && ToolTip.text.length > 0
    ToolTip.delay: 600

    contentItem: SymbolImage {
        symbol: control.symbol
        pointSize: control.pointSize
        color: control.tint
        opacity: control.down ? AppStyle.pressedOpacity : 1
        fillMode: Image.Pad
        horizontalAlignment: Image.AlignHCenter
        verticalAlignment: Image.AlignVCenter
    }
    background: Rectangle {
        radius: 6
        color: AppStyle.ink
        opacity: control.visualFocus ? 0.08 : 0
    }
}
