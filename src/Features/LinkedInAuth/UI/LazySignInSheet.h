#pragma once

#include "WebSignInSheetPlugin.h"

#include <QLatin1StringView>
#include <QPluginLoader>
#include <QString>

#include <memory>

class QQmlEngine;

// The sign-in sheet the application holds. The web engine behind it lives in a separate module
// (quillet-webengine.so) that is loaded on the first sign-in, never before: loading it maps
// Qt WebEngine's large libraries, which the program does not need to show its window.
//
// The module is looked for in the folder `moduleDirectory()` names. When it cannot be loaded
// the sheet ends with missingWindow, as any other sheet that cannot be shown.
class LazySignInSheet final : public WebSignInSheet {
public:
    using WindowProvider = WebSignInSheetPlugin::WindowProvider;

    static constexpr QLatin1StringView moduleName{"quillet-webengine"};
    static constexpr QLatin1StringView notShownDescription{
        "The sign-in window could not be shown."};

    // The folder of the program's runtime modules: lib/quillet beside the program's bin/
    // folder, in the build tree as when installed. QUILLET_MODULE_DIR names another one, for
    // programs that do not live in bin/ (tests).
    [[nodiscard]] static QString moduleDirectory();

    // The application's window the sheet is shown over: the focused window, else the first
    // visible top-level window.
    [[nodiscard]] static QWindow *applicationWindow();

    explicit LazySignInSheet(QQmlEngine &engine, WindowProvider anchor = applicationWindow,
                             QString moduleDirectory = LazySignInSheet::moduleDirectory());
    ~LazySignInSheet() override;

    [[nodiscard]] QCoro::Task<Result<QUrl>> start(QUrl url, QString callbackScheme,
                                                  bool ephemeral) override;
    [[nodiscard]] QQuickWindow *window() const override;

private:
    // Loads the module and makes the sheet; the description of the failure otherwise.
    [[nodiscard]] Result<WebSignInSheet *> load(const QString &callbackScheme);

    QQmlEngine &m_engine;
    WindowProvider m_anchor;
    QPluginLoader m_loader;
    std::unique_ptr<WebSignInSheet> m_sheet;
};
