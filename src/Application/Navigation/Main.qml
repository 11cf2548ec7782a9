import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    width: 900
    height: 650
    minimumWidth: 720
    minimumHeight: 500
    visible: true
}
