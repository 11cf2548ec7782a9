import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Insights

// The insights section: a scrolling page of cards, each opening its LinkedIn address.
ScrollView {
    id: page
    required property InsightsViewModel viewModel

    // No title text for this section.
    readonly property string title: ""

    contentWidth: availableWidth
    ScrollBar.vertical.policy: ScrollBar.AlwaysOn
    background: Rectangle { color: AppStyle.paper }

    ColumnLayout {
        id: column
        width: page.availableWidth
        spacing: 16

        Item { implicitHeight: AppStyle.standardMargin - column.spacing }

        Text {
            Layout.leftMargin: AppStyle.standardMargin
            text: "Public LinkedIn signals"
            font: AppStyle.caption
            color: AppStyle.muted
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        Text {
            Layout.fillWidth: true
            Layout.leftMargin: AppStyle.standardMargin
            Layout.rightMargin: AppStyle.standardMargin
            text: "People turn their lived work into visible opportunity."
            font.family: AppStyle.title2.family
            font.pointSize: AppStyle.title2.pointSize
            font.weight: Font.DemiBold
            color: AppStyle.ink
            wrapMode: Text.WordWrap
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }

        Repeater {
            model: page.viewModel.insights
            delegate: InsightCard {
                required property var modelData
                required property int index
                Layout.fillWidth: true
                Layout.leftMargin: AppStyle.standardMargin
                Layout.rightMargin: AppStyle.standardMargin
                topline: modelData.topline
                title: modelData.title
                summary: modelData.summary
                onClicked: page.viewModel.open(index)
            }
        }

        Item { implicitHeight: AppStyle.standardMargin - column.spacing }
    }
}
