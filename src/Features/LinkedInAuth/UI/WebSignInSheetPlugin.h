#pragma once

#include "WebAuthenticationSession.h"

#include <QString>
#include <QtPlugin>

#include <functional>
#include <memory>

class QQmlEngine;
class QQuickWindow;
class QWindow;

// A sign-in sheet that shows its page in a window of its own.
class WebSignInSheet : public WebAuthenticationSession {
public:
    // The open sheet's window, or null.
    [[nodiscard]] virtual QQuickWindow *window() const = 0;
};

// The entry point of the runtime-loaded module that holds everything needing Qt WebEngine.
// Keeping the web engine out of the program means its libraries are mapped only once the user
// first signs in, not at every start.
class WebSignInSheetPlugin {
public:
    using WindowProvider = std::function<QWindow *()>;

    WebSignInSheetPlugin() = default;
    WebSignInSheetPlugin(const WebSignInSheetPlugin &) = delete;
    WebSignInSheetPlugin &operator=(const WebSignInSheetPlugin &) = delete;
    virtual ~WebSignInSheetPlugin() = default;

    // Makes the web engine ready for a sheet that ends on `callbackScheme`. Call it before the
    // first sheet is created: the web engine accepts new schemes only until it starts.
    virtual void prepare(const QString &callbackScheme) = 0;

    // A sheet whose QML lives in `engine`, shown over the window `anchor` gives.
    [[nodiscard]] virtual std::unique_ptr<WebSignInSheet> createSheet(QQmlEngine &engine,
                                                                      WindowProvider anchor) = 0;
};

#define WebSignInSheetPlugin_iid "com.northwick.quillet.WebSignInSheetPlugin/1.0"
Q_DECLARE_INTERFACE(WebSignInSheetPlugin, WebSignInSheetPlugin_iid)
