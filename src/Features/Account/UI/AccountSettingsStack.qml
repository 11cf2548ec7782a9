import QtQuick
import QtQuick.Controls
import Quillet.Shared
import Quillet.Account

// The settings section: the settings screen at the root of its own navigation stack, onto
// which its "Account" row pushes the account screen.
StackView {
    id: stack

    required property AccountViewModel viewModel
    property bool showsFeedback: true

    // The "Send feedback" bar was pressed.
    signal feedbackRequested()

    initialItem: AccountSettingsView {
        viewModel: stack.viewModel
        showsFeedback: stack.showsFeedback
        onAccountRequested: stack.push(accountDetail)
        onFeedbackRequested: stack.feedbackRequested()
    }

    Component {
        id: accountDetail
        AccountDetailView {
            viewModel: stack.viewModel
        }
    }
}
