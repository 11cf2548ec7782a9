#include "WebEngineSignInSheet.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWebEngineProfile>
#include <QQuickWindow>
#include <QWebEngineLoadingInfo>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QtWebEngineQuick/qtwebenginequickglobal.h>

#include <QCoroSignal>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Chromium's code for a navigation that was stopped, as the sheet stops the callback's.
constexpr int abortedErrorCode = -3;

// Ends the sheet on any request for the callback scheme. Chromium does not report every
// navigation there as a navigation request (a redirect that answers a form post goes
// unreported, and the page simply stays), but every one of them asks this handler for the
// page. The request itself is refused.
class CallbackSchemeHandler final : public QWebEngineUrlSchemeHandler {
public:
    explicit CallbackSchemeHandler(WebEngineSignInSheet &sheet)
        : QWebEngineUrlSchemeHandler(&sheet)
        , m_sheet(sheet)
    {}

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QUrl url = job->requestUrl();
        job->fail(QWebEngineUrlRequestJob::RequestAborted);
        // Outside the web engine's call, which the resumed sign-in must not run inside.
        QMetaObject::invokeMethod(
            &m_sheet, [sheet = &m_sheet, url] { sheet->interceptNavigation(url); },
            Qt::QueuedConnection);
    }

private:
    WebEngineSignInSheet &m_sheet;
};

} // namespace

void WebEngineSignInSheet::registerCallbackScheme(const QString &callbackScheme)
{
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Path syntax: the address reaches the sheet exactly as the page wrote it.
    QWebEngineUrlScheme scheme(callbackScheme.toLatin1());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
    QtWebEngineQuick::initialize();
}

QWindow *WebEngineSignInSheet::applicationWindow()
{
    if (auto *focused = QGuiApplication::focusWindow())
        return focused;
    const auto windows = QGuiApplication::topLevelWindows();
    for (auto *window : windows) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

WebEngineSignInSheet::WebEngineSignInSheet(QQmlEngine &engine, WindowProvider anchor,
                                           QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_anchor(std::move(anchor))
    , m_callbackHandler(new CallbackSchemeHandler(*this))
{}

WebEngineSignInSheet::~WebEngineSignInSheet()
{
    delete m_window;
}

QCoro::Task<Result<QUrl>> WebEngineSignInSheet::start(QUrl url, QString callbackScheme,
                                                      bool ephemeral)
{
    if (m_window)
        cancel();

    QWindow *anchor = m_anchor ? m_anchor() : nullptr;
    if (!anchor)
        co_return fail(
            Error::service(WebAuthenticationSession::Failure::missingWindow, notShownDescription));

    if (!m_component)
        m_component = std::make_unique<QQmlComponent>(&m_engine, QUrl(sheetURL));
    const QVariantMap properties{
        {u"controller"_s, QVariant::fromValue<QObject *>(this)},
        {u"ephemeral"_s, ephemeral},
        {u"storageName"_s, ephemeral ? QString() : QString(persistentStorageName)},
        {u"authorizationUrl"_s, url},
    };
    m_callbackScheme = callbackScheme;
    m_outcome.reset();
    QObject *created =
        m_component->isReady() ? m_component->createWithInitialProperties(properties) : nullptr;
    auto *window = qobject_cast<QQuickWindow *>(created);
    if (!window) {
        delete created;
        const QString reason = m_component->errorString().trimmed();
        co_return fail(Error::service(WebAuthenticationSession::Failure::missingWindow,
                                      reason.isEmpty() ? QString(notShownDescription) : reason));
    }
    QQmlEngine::setObjectOwnership(window, QQmlEngine::CppOwnership);
    if (auto *profile = window->property("webProfile").value<QQuickWebEngineProfile *>())
        profile->installUrlSchemeHandler(callbackScheme.toLatin1(), m_callbackHandler);
    m_window = window;
    window->setTransientParent(anchor);
    window->setModality(Qt::WindowModal);
    window->show();

    // The sheet's QML reports the outcome through the invokables below.
    if (!m_outcome)
        co_await qCoro(this, &WebEngineSignInSheet::finished);
    co_return m_outcome.value_or(Result<QUrl>(QUrl()));
}

bool WebEngineSignInSheet::interceptNavigation(const QUrl &url)
{
    if (url.scheme().compare(m_callbackScheme, Qt::CaseInsensitive) != 0)
        return false;
    finish(url);
    return true;
}

void WebEngineSignInSheet::reportLoadFailure(const QUrl &url, const QString &description,
                                             int errorCode, int errorDomain)
{
    // An HTTP error status still shows the server's page to the user; a stopped navigation
    // is the callback being intercepted.
    if (errorDomain == QWebEngineLoadingInfo::HttpErrorDomain || errorCode == abortedErrorCode ||
        url.scheme().compare(m_callbackScheme, Qt::CaseInsensitive) == 0)
        return;
    finish(fail(Error::service(WebAuthenticationSession::Failure::failedToLoad, description)));
}

void WebEngineSignInSheet::cancel()
{
    finish(fail(Error::service(WebAuthenticationSession::Failure::cancelled, closedDescription)));
}

void WebEngineSignInSheet::finish(Result<QUrl> outcome)
{
    if (m_outcome || !m_window)
        return;
    m_outcome = std::move(outcome);
    // Closed after the QML handler that reported the outcome has returned.
    QPointer<QQuickWindow> window = m_window;
    m_window = nullptr;
    QMetaObject::invokeMethod(
        this,
        [window] {
            if (window) {
                window->close();
                window->deleteLater();
            }
        },
        Qt::QueuedConnection);
    Q_EMIT finished();
}
