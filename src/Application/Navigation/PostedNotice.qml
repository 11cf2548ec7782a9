import QtQuick
import Quillet.Shared

// "Posted to LinkedIn" in a capsule at the top edge; slides and fades in while `shown`.
Item {
    id: notice
    property bool shown: false
    readonly property string text: "Posted to LinkedIn"

    readonly property real topInset: 12
    width: capsule.width
    height: capsule.height
    y: shown ? topInset : -height - 18
    opacity: shown ? 1 : 0
    visible: opacity > 0
    Accessible.role: Accessible.StaticText
    Accessible.name: text

    // Eases in over 0.2 seconds and out over 0.4.
    Behavior on y {
        NumberAnimation { duration: notice.shown ? 200 : 400; easing.type: Easing.InOutQuad }
    }
    Behavior on opacity {
        NumberAnimation { duration: notice.shown ? 200 : 400; easing.type: Easing.InOutQuad }
    }

    // A soft ink shadow under the capsule, built from widening faint rings.
    Repeater {
        model: 6
        Rectangle {
            required property int index
            readonly property real spread: 3 * (index + 1)
            x: -spread
            y: -spread + 4
            width: capsule.width + 2 * spread
            height: capsule.height + 2 * spread
            radius: height / 2
            color: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.12 / 6)
        }
    }

    Rectangle {
        id: capsule
        width: label.implicitWidth + 28
        height: label.implicitHeight + 20
        radius: height / 2
        color: Qt.rgba(AppStyle.panel.r, AppStyle.panel.g, AppStyle.panel.b, 0.96)

        Text {
            id: label
            anchors.centerIn: parent
            text: notice.text
            font.family: AppStyle.subheadline.family
            font.pointSize: AppStyle.subheadline.pointSize
            font.weight: Font.DemiBold
            color: AppStyle.ink
        }
    }
}
