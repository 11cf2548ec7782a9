#include "WebEngineSignInSheet.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWebEngineProfile>
#include <QQuickWindow>
#include <QWebEngineLoadingInfo>
#include <QWebEngineUrlScheme>

#include <QCoroSignal>

#include <unistd.h>

// Qt WebEngine's own set-up of the shared OpenGL context, which QtWebEngineQuick::initialize()
// schedules before the application object exists. Called directly when the module is loaded
// later than that.
namespace QtWebEngineCore {
Q_DECL_IMPORT void initialize();
}

using namespace Qt::StringLiterals;

namespace {

// Chromium's code for a navigation that was stopped, as the sheet stops the callback's.
constexpr int abortedErrorCode = -3;

// The schemes of web pages, the only ones the sheet follows. Any other (file:, another
// application's scheme) would show local files or hand the address to the desktop.
bool isWebScheme(const QString &scheme)
{
    for (const auto *web : {"http", "https", "about", "data", "blob"}) {
        if (scheme.compare(QLatin1StringView(web), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

void WebEngineSignInSheet::prepareWebEngine(const QString &callbackScheme)
{
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Where the windows draw through OpenGL, the web view shares the application's OpenGL
    // context, which the program asks for before its application object exists
    // (Qt::AA_ShareOpenGLContexts). Where it is missing (a program that did not ask), the web
    // engine's own set-up creates it now. With Qt Quick's software renderer the web engine
    // composes its pages in software and needs none.
    if (!QOpenGLContext::globalShareContext() &&
        QQuickWindow::graphicsApi() != QSGRendererInterface::Software)
        QtWebEngineCore::initialize();
    // Path syntax: the address reaches the sheet exactly as the page wrote it. A scheme is
    // registered once; the web engine refuses changes once it runs.
    const QByteArray name = callbackScheme.toLatin1();
    if (name.isEmpty() || QWebEngineUrlScheme::schemeByName(name).name() == name)
        return;
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
}

WebEngineSignInSheet::WebEngineSignInSheet(QQmlEngine &engine, WindowProvider anchor,
                                           QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_anchor(std::move(anchor))
    , m_callbackHandler([this](const QUrl &url) {
        if (isCallback(url))
            finish(url);
    })
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
    m_window = window;
    window->setTransientParent(anchor);
    window->setModality(Qt::WindowModal);
    window->show();

    // The sheet's QML reports the outcome through the invokables below.
    if (!m_outcome)
        co_await qCoro(this, &WebEngineSignInSheet::finished);
    co_return m_outcome.value_or(Result<QUrl>(QUrl()));
}

void WebEngineSignInSheet::prepareProfile(QObject *profile)
{
    auto *webProfile = qobject_cast<QQuickWebEngineProfile *>(profile);
    const QByteArray scheme = m_callbackScheme.toLatin1();
    if (!webProfile || scheme.isEmpty() || webProfile->urlSchemeHandler(scheme))
        return;
    webProfile->installUrlSchemeHandler(scheme, &m_callbackHandler);
}

bool WebEngineSignInSheet::interceptNavigation(const QUrl &url)
{
    if (isCallback(url)) {
        finish(url);
        return true;
    }
    return !isWebScheme(url.scheme());
}

bool WebEngineSignInSheet::isCallback(const QUrl &url) const
{
    return !m_callbackScheme.isEmpty() &&
           url.scheme().compare(m_callbackScheme, Qt::CaseInsensitive) == 0;
}

void WebEngineSignInSheet::reportLoadFailure(const QUrl &url, const QString &description,
                                             int errorCode, int errorDomain)
{
    // An HTTP error status still shows the server's page to the user; a stopped navigation
    // is the callback being intercepted.
    if (errorDomain == QWebEngineLoadingInfo::HttpErrorDomain || errorCode == abortedErrorCode ||
        isCallback(url))
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
