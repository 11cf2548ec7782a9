import QtQuick
import Quillet.Shared

// The member's picture as a circle of `size`, over a LinkedIn-blue disc with "in" that shows
// until a picture has loaded and whenever there is none.
Item {
    id: root

    property string pictureURL
    property real size: 56
    readonly property alias hasImage: loader.hasImage
    readonly property real letterSize: loader.letterSize(size)

    implicitWidth: size
    implicitHeight: size
    width: size
    height: size

    ProfilePhotoLoader {
        id: loader
        pictureURL: root.pictureURL
    }

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: Qt.rgba(0.039, 0.4, 0.761, 1)

        Text {
            anchors.centerIn: parent
            text: "in"
            color: "white"
            font.bold: true
            // Sizes are in logical pixels, the unit of the screens' points.
            font.pixelSize: Math.round(root.letterSize)
        }
    }

    CircularImage {
        anchors.fill: parent
        visible: loader.hasImage
        image: loader.image
    }
}
