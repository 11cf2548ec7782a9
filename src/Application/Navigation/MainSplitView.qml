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

            InsightsView {
                viewModel: root.insightsViewModel
            }
            Loader {
                objectName: "draftsScreen"
                sourceComponent: root.draftsScreen ?? placeholder
                property string sectionName: "Drafts"
            }
            Loader {
                objectName: "editorScreen"
                sourceComponent: root.editorScreen ?? placeholder
                property string sectionName: "Editor"
            }
            Loader {
                objectName: "settingsScreen"
                sourceComponent: root.settingsScreen ?? placeholder
                property string sectionName: "Settings"
            }
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
        contentItem: Loader {
            sourceComponent: root.feedbackScreen ?? feedbackPlaceholder
        }
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
