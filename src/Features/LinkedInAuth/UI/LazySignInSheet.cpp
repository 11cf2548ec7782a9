#include "LazySignInSheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QWindow>

using namespace Qt::StringLiterals;

QString LazySignInSheet::moduleDirectory()
{
    const QString overridden = qEnvironmentVariable("QUILLET_MODULE_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../"_s +
                           QStringLiteral(QUILLET_INSTALL_LIBDIR) + u"/quillet"_s);
}

QWindow *LazySignInSheet::applicationWindow()
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

LazySignInSheet::LazySignInSheet(QQmlEngine &engine, WindowProvider anchor, QString moduleDirectory)
    : m_engine(engine)
    , m_anchor(std::move(anchor))
    , m_loader(QDir(moduleDirectory).filePath(moduleName))
{}

LazySignInSheet::~LazySignInSheet()
{
    // The sheet's code lives in the module: it goes first. The module stays mapped (the web
    // engine cannot be started twice in one process).
    m_sheet.reset();
}

Result<WebSignInSheet *> LazySignInSheet::load(const QString &callbackScheme)
{
    if (m_sheet)
        return m_sheet.get();
    auto *plugin = qobject_cast<WebSignInSheetPlugin *>(m_loader.instance());
    if (!plugin) {
        qWarning("The sign-in module could not be loaded: %s", qPrintable(m_loader.errorString()));
        return fail(
            Error::service(WebAuthenticationSession::Failure::missingWindow, notShownDescription));
    }
    plugin->prepare(callbackScheme);
    m_sheet = plugin->createSheet(m_engine, m_anchor);
    return m_sheet.get();
}

QCoro::Task<Result<QUrl>> LazySignInSheet::start(QUrl url, QString callbackScheme, bool ephemeral)
{
    const auto sheet = load(callbackScheme);
    if (!sheet)
        co_return fail(sheet.error());
    auto task = (*sheet)->start(std::move(url), std::move(callbackScheme), ephemeral);
    co_return co_await std::move(task);
}

QQuickWindow *LazySignInSheet::window() const
{
    return m_sheet ? m_sheet->window() : nullptr;
}
