#pragma once

#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include <functional>

// Receives every request that a sign-in page makes to the callback scheme, whether the page
// navigated there itself (a link, a redirect) or a script did (`location.href = ...`). Each
// request is answered with nothing (aborted) and its address handed to `onCallback`.
class CallbackSchemeHandler final : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

public:
    explicit CallbackSchemeHandler(std::function<void(const QUrl &)> onCallback,
                                   QObject *parent = nullptr);

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    std::function<void(const QUrl &)> m_onCallback;
};
