import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quillet.Shared
import Quillet.Insights
import Quillet.App

// The window's content: the sidebar of sections, the selected section's screen, and over
// both the posted notice, the feedback button and the feedback sheet.
Item {
    id: root
    required property MainWindowViewModel viewModel
    required property InsightsViewModel insightsViewModel
    property Component draftsScreen
    property Component editorScreen
    property Component settingsScreen
    property Component feedbackScreen

    Component.onCompleted: viewModel.contentShown()

    SplitView {
        id: split
        anchors.fill: parent
        orientation: Qt.Horizontal

        Sidebar {
            SplitView.preferredWidth: 210
            SplitView.minimumWidth: 170
            SplitView.maximumWidth: 320
            viewModel: root.viewModel
        }

        StackLayout {
            id: detail
            objectName: "detail"
            SplitView.fillWidth: true
            // The sections are declared in the enumeration's order.
            currentIndex: root.viewModel.selection

            // Each section's screen is built when it is first shown and kept afterwards, so
            // start-up builds only the screen in front and a section keeps its state.
            SectionLoader {
                objectName: "insightsScreen"
                sourceComponent: insightsComponent
            }
            SectionLoader {
                objectName: "draftsScreen"
                sourceComponent: root.draftsScreen ?? placeholder
                property string sectionName: "Drafts"
            }
            SectionLoader {
                objectName: "editorScreen"
                sourceComponent: root.editorScreen ?? placeholder
                property string sectionName: "Editor"
            }
            SectionLoader {
                objectName: "settingsScreen"
                sourceComponent: root.settingsScreen ?? placeholder
                property string sectionName: "Settings"
            }
        }
    }

    component SectionLoader: Loader {
        active: false
        readonly property bool shown: StackLayout.isCurrentItem
        onShownChanged: if (shown) active = true
        Component.onCompleted: if (shown) active = true
    }

    Component {
        id: insightsComponent
        InsightsView {
            viewModel: root.insightsViewModel
        }
    }

    Component {
        id: placeholder
        Rectangle {
            color: AppStyle.paper
            Text {
                anchors.centerIn: parent
                text: parent.parent ? parent.parent.sectionName ?? "" : ""
                font: AppStyle.title3
                color: AppStyle.muted
            }
        }
    }

    // Drawn over the sidebar and the detail; the button is placed by its centre.
    Item {
        id: overlay
        objectName: "overlay"
        anchors.fill: parent

        PostedNotice {
            objectName: "postedNotice"
            anchors.horizontalCenter: parent.horizontalCenter
            shown: root.viewModel.showsPostToast
        }

        FeedbackButton {
            objectName: "feedbackButton"
            viewModel: root.viewModel
            contentSize: Qt.size(overlay.width, overlay.height)
        }
    }

    Popup {
        id: feedbackSheet
        objectName: "feedbackSheet"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(560, root.width - 80)
        height: Math.min(600, root.height - 60)
        modal: true
        padding: 0
        closePolicy: Popup.CloseOnEscape
        background: Rectangle {
            color: AppStyle.paper
            radius: 10
        }
        // The form is built when the sheet first opens.
        contentItem: Loader {
            id: feedbackLoader
            active: false
            sourceComponent: root.feedbackScreen ?? feedbackPlaceholder
        }
        onAboutToShow: feedbackLoader.active = true
        onClosed: root.viewModel.closeFeedback()
    }

    Component {
        id: feedbackPlaceholder
        ColumnLayout {
            spacing: 16
            Text {
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: AppStyle.standardMargin
                text: "Send feedback"
                font: AppStyle.title3
                color: AppStyle.ink
            }
            Item { Layout.fillHeight: true }
            SecondaryButton {
                Layout.margins: AppStyle.standardMargin
                text: "Close"
                onClicked: root.viewModel.closeFeedback()
            }
        }
    }

    Connections {
        target: root.viewModel
        function onShowsFeedbackChanged() {
            if (root.viewModel.showsFeedback)
                feedbackSheet.open();
            else
                feedbackSheet.close();
        }
    }
}
