#pragma once

#include "WebAuthenticationSession.h"

#include <QLatin1StringView>
#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QQmlComponent;
class QQmlEngine;
class QWebEngineUrlSchemeHandler;
class QWindow;

// The sign-in sheet on Linux: a modal window over the application's window that shows the
// page in Qt WebEngine. Its QML file is loaded on the first sign-in, never before, because a
// web view starts Chromium's processes. A navigation to the callback scheme is not followed:
// it ends the sheet with that address, however the page went there (link, script, redirect,
// also one answering a form post). Closing the window ends it as cancelled; a page that
// cannot be opened (no connection, unknown host) ends it as failedToLoad.
//
// An ephemeral sheet uses an off-the-record profile; otherwise a persistent profile of the
// application's own keeps the user signed in to the site between connections.
class WebEngineSignInSheet final : public QObject, public WebAuthenticationSession {
    Q_OBJECT

public:
    using WindowProvider = std::function<QWindow *()>;

    static constexpr QLatin1StringView sheetURL{"qrc:/Quillet/LinkedInAuth/SignInSheet.qml"};
    static constexpr QLatin1StringView persistentStorageName{"SignIn"};
    static constexpr QLatin1StringView notShownDescription{
        "The sign-in window could not be shown."};
    static constexpr QLatin1StringView closedDescription{"The sign-in window was closed."};

    // Prepares Qt WebEngine for the sheet; call it first in main, before the application
    // object exists. Registers `callbackScheme` so that navigations to it reach the sheet,
    // and, as root only, turns off Chromium's sandbox, which refuses to run as root.
    static void registerCallbackScheme(const QString &callbackScheme);

    // The application's window the sheet is shown over: the focused window, else the first
    // visible top-level window.
    [[nodiscard]] static QWindow *applicationWindow();

    explicit WebEngineSignInSheet(QQmlEngine &engine, WindowProvider anchor = applicationWindow,
                                  QObject *parent = nullptr);
    ~WebEngineSignInSheet() override;

    // Ends with missingWindow when there is no window to attach to or the sheet cannot be
    // created. A sheet still open from an earlier call ends as cancelled first.
    [[nodiscard]] QCoro::Task<Result<QUrl>> start(QUrl url, QString callbackScheme,
                                                  bool ephemeral) override;

    // The open sheet's window, or null.
    [[nodiscard]] QQuickWindow *window() const { return m_window; }

    // Called by the sheet's QML. True when `url` is under the callback scheme: the navigation
    // is then not followed and the sheet ends with `url`.
    Q_INVOKABLE bool interceptNavigation(const QUrl &url);
    Q_INVOKABLE void reportLoadFailure(const QUrl &url, const QString &description, int errorCode,
                                       int errorDomain);
    Q_INVOKABLE void cancel();

Q_SIGNALS:
    void finished();

private:
    void finish(Result<QUrl> outcome);

    QQmlEngine &m_engine;
    WindowProvider m_anchor;
    // Catches requests for the callback scheme in the sheet's profile; a child of this object.
    QWebEngineUrlSchemeHandler *m_callbackHandler;
    std::unique_ptr<QQmlComponent> m_component;
    QPointer<QQuickWindow> m_window;
    QString m_callbackScheme;
    std::optional<Result<QUrl>> m_outcome;
};
