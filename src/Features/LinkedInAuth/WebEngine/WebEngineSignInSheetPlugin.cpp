#include "WebEngineSignInSheetPlugin.h"

#include "WebEngineSignInSheet.h"

void WebEngineSignInSheetPlugin::prepare(const QString &callbackScheme)
{
    WebEngineSignInSheet::prepareWebEngine(callbackScheme);
}

std::unique_ptr<WebSignInSheet> WebEngineSignInSheetPlugin::createSheet(QQmlEngine &engine,
                                                                        WindowProvider anchor)
{
    return std::make_unique<WebEngineSignInSheet>(engine, std::move(anchor));
}
