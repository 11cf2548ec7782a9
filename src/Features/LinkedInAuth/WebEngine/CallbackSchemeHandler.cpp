#include "CallbackSchemeHandler.h"

#include <QWebEngineUrlRequestJob>

CallbackSchemeHandler::CallbackSchemeHandler(std::function<void(const QUrl &)> onCallback,
                                             QObject *parent)
    : QWebEngineUrlSchemeHandler(parent)
    , m_onCallback(std::move(onCallback))
{}

void CallbackSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QUrl url = job->requestUrl();
    // Nothing is served under the callback scheme: the address itself is the answer.
    job->fail(QWebEngineUrlRequestJob::RequestAborted);
    if (m_onCallback)
        m_onCallback(url);
}
