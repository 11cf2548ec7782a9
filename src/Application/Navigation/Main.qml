import QtQuick
import QtQuick.Controls
import Quillet.Shared
import Quillet.Insights
import Quillet.Drafts
import Quillet.Editor
import Quillet.Feedback
import Quillet.Account
import Quillet.App

// The application's one window. Light colours whatever the desktop's theme, lime accent.
ApplicationWindow {
    id: window
    required property MainWindowViewModel viewModel
    required property InsightsViewModel insightsViewModel
    // The screens built by their own features, plugged in by the application; a placeholder
    // shows until then.
    // The drafts list; opening a draft reaches the window's view model through the application.
    property DraftsViewModel draftsViewModel: null
    property Component draftsScreen: draftsViewModel ? draftsComponent : null
    property EditorViewModel editorViewModel: null
    property Component editorScreen: editorViewModel ? editorComponent : null
    // The settings section; its feedback bar opens the window's feedback sheet.
    property AccountViewModel accountViewModel: null
    property Component settingsScreen: accountViewModel ? settingsComponent : null
    property FeedbackViewModel feedbackViewModel: null
    property Component feedbackScreen: feedbackViewModel ? feedbackComponent : null

    width: 900
    height: 650
    minimumWidth: 720
    minimumHeight: 500
    visible: true
    color: AppStyle.paper

    palette {
        window: AppStyle.paper
        windowText: AppStyle.ink
        base: AppStyle.panel
        alternateBase: AppStyle.paper
        text: AppStyle.ink
        button: AppStyle.panel
        buttonText: AppStyle.ink
        brightText: AppStyle.panel
        placeholderText: AppStyle.muted
        toolTipBase: AppStyle.panel
        toolTipText: AppStyle.ink
        highlight: AppStyle.lime
        highlightedText: AppStyle.ink
        link: AppStyle.ink
        mid: Qt.rgba(AppStyle.ink.r, AppStyle.ink.g, AppStyle.ink.b, 0.2)
    }

    Component {
        id: draftsComponent
        DraftsView {
            viewModel: window.draftsViewModel
        }
    }

    Component {
        id: editorComponent
        EditorView {
            viewModel: window.editorViewModel
            onShowDrafts: window.viewModel.showDrafts()
            onPostSucceeded: window.viewModel.showPostedToast()
        }
    }

    Component {
        id: feedbackComponent
        FeedbackView {
            viewModel: window.feedbackViewModel
            onCloseRequested: window.viewModel.closeFeedback()
        }
    }

    Component {
        id: settingsComponent
        AccountSettingsStack {
            viewModel: window.accountViewModel
            onFeedbackRequested: window.viewModel.openFeedback()
        }
    }

    MainSplitView {
        anchors.fill: parent
        viewModel: window.viewModel
        insightsViewModel: window.insightsViewModel
        draftsScreen: window.draftsScreen
        editorScreen: window.editorScreen
        settingsScreen: window.settingsScreen
        feedbackScreen: window.feedbackScreen
    }
}
