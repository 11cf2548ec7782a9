#pragma once

#include "WebSignInSheetPlugin.h"

#include <QObject>

// The module's entry point: prepares Qt WebEngine and makes WebEngineSignInSheets.
class WebEngineSignInSheetPlugin final : public QObject, public WebSignInSheetPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID WebSignInSheetPlugin_iid)
    Q_INTERFACES(WebSignInSheetPlugin)

public:
    void prepare(const QString &callbackScheme) override;
    [[nodiscard]] std::unique_ptr<WebSignInSheet> createSheet(QQmlEngine &engine,
                                                              WindowProvider anchor) override;
};
