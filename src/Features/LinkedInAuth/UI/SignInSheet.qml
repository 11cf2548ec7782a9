import QtQuick
import QtQuick.Window
import QtWebEngine

// The sign-in sheet's window: a web view and nothing else. Every decision is taken by the
// controller (WebEngineSignInSheet); this file only reports what the view does.
Window {
    id: root

    required property QtObject controller
    required property bool ephemeral
    required property string storageName
    required property url authorizationUrl
    // The controller installs its callback handler on it.
    readonly property alias webProfile: profile

    width: 520
    height: 680
    title: qsTr("Connect LinkedIn")

    onClosing: root.controller.cancel()

    WebEngineProfile {
        id: profile
        offTheRecord: root.ephemeral
        storageName: root.storageName
    }

    WebEngineView {
        id: view
        anchors.fill: parent
        profile: profile

        onNavigationRequested: function(request) {
            if (root.controller.interceptNavigation(request.url))
                request.reject()
        }
        onLoadingChanged: function(info) {
            if (info.status === WebEngineView.LoadFailedStatus)
                root.controller.reportLoadFailure(info.url, info.errorString, info.errorCode,
                                                  info.errorDomain)
        }
    }

    // Loaded only once the profile is settled, so that no request uses another one.
    Component.onCompleted: view.url = root.authorizationUrl
}
