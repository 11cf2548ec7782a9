import QtQuick
import QtQuick.Controls.impl
import Quillet.Shared

// A symbol from the icon theme, tinted; `symbol` is one of the names AppStyle maps.
IconImage {
    property string symbol
    property real pointSize: 17

    source: AppStyle.symbol(symbol)
    sourceSize: Qt.size(pointSize, pointSize)
    color: AppStyle.ink
}
