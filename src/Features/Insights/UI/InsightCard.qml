import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared

// One insight as a plain button: topline in coral, title, and a wrapping summary on a panel.
AbstractButton {
    id: card
    property string topline
    property string title
    property string summary

    padding: AppStyle.standardMargin
    hoverEnabled: true
    Accessible.role: Accessible.Button
    Accessible.name: topline + ". " + title
    Accessible.description: summary
    Accessible.onPressAction: card.clicked()

    contentItem: ColumnLayout {
        spacing: 6
        Text {
            Layout.fillWidth: true
            text: card.topline
            font.family: AppStyle.caption.family
            font.pointSize: AppStyle.caption.pointSize
            font.weight: Font.DemiBold
            color: AppStyle.coral
        }
        Text {
            Layout.fillWidth: true
            text: card.title
            font: AppStyle.headline
            color: AppStyle.ink
            wrapMode: Text.WordWrap
        }
        Text {
            Layout.fillWidth: true
            text: card.summary
            font: AppStyle.subheadline
            color: AppStyle.muted
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignLeft
        }
    }
    background: Rectangle {
        radius: AppStyle.cornerRadius
        color: AppStyle.panel
    }
}
