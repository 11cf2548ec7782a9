#pragma once

#include "CallbackSchemeHandler.h"
#include "WebSignInSheetPlugin.h"

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
class QWindow;

// The sign-in sheet on Linux: a modal window over the application's window that shows the
// page in Qt WebEngine. It lives in the runtime-loaded module (see LazySignInSheet); its QML
// file is loaded on the first sign-in, never before, because a web view starts Chromium's
// processes. A request to the callback scheme, whether the page
// navigates there or a script sets the location, is not followed: it ends the sheet with that
// address. The sheet opens web pages only: a page that navigates to any other scheme (file:,
// another application's scheme) is stopped, and nothing is handed to the desktop. Closing the
// window ends it as cancelled; a page that cannot be opened (no connection, unknown host) ends
// it as failedToLoad.
//
// An ephemeral sheet uses an off-the-record profile; otherwise a persistent profile of the
// application's own keeps the user signed in to the site between connections.
class WebEngineSignInSheet final : public QObject, public WebSignInSheet {
    Q_OBJECT

public:
    using WindowProvider = WebSignInSheetPlugin::WindowProvider;

    static constexpr QLatin1StringView sheetURL{"qrc:/Quillet/LinkedInAuth/SignInSheet.qml"};
    static constexpr QLatin1StringView persistentStorageName{"SignIn"};
    static constexpr QLatin1StringView notShownDescription{
        "The sign-in window could not be shown."};
    static constexpr QLatin1StringView closedDescription{"The sign-in window was closed."};

    // Prepares Qt WebEngine for the sheet, before the first profile or web view exists (the
    // web engine fixes its schemes when it starts). Registers `callbackScheme` so that
    // navigations to it reach the sheet, and, as root only, turns off Chromium's sandbox,
    // which refuses to run as root.
    static void prepareWebEngine(const QString &callbackScheme);

    explicit WebEngineSignInSheet(QQmlEngine &engine, WindowProvider anchor,
                                  QObject *parent = nullptr);
    ~WebEngineSignInSheet() override;

    // Ends with missingWindow when there is no window to attach to or the sheet cannot be
    // created. A sheet still open from an earlier call ends as cancelled first.
    [[nodiscard]] QCoro::Task<Result<QUrl>> start(QUrl url, QString callbackScheme,
                                                  bool ephemeral) override;

    [[nodiscard]] QQuickWindow *window() const override { return m_window; }

    // Called by the sheet's QML before the page loads: routes the profile's requests to the
    // callback scheme to this sheet.
    Q_INVOKABLE void prepareProfile(QObject *profile);
    // Called by the sheet's QML for every navigation. True when it must not be followed:
    // under the callback scheme (the sheet then ends with `url`) or under any scheme other
    // than the web's.
    Q_INVOKABLE bool interceptNavigation(const QUrl &url);
    Q_INVOKABLE void reportLoadFailure(const QUrl &url, const QString &description, int errorCode,
                                       int errorDomain);
    Q_INVOKABLE void cancel();

Q_SIGNALS:
    void finished();

private:
    void finish(Result<QUrl> outcome);
    [[nodiscard]] bool isCallback(const QUrl &url) const;

    QQmlEngine &m_engine;
    WindowProvider m_anchor;
    std::unique_ptr<QQmlComponent> m_component;
    QPointer<QQuickWindow> m_window;
    QString m_callbackScheme;
    CallbackSchemeHandler m_callbackHandler;
    std::optional<Result<QUrl>> m_outcome;
};
