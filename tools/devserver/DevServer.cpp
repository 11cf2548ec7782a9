#include "DevServer.h"

#include "ApiErrors.h"

#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A browser page on another site can reach a loopback server through a host name that it
// controls and points at 127.0.0.1 (DNS rebinding); only loopback names are served.
bool isLoopbackHost(const QByteArray &hostHeader)
{
    QByteArray host = hostHeader.trimmed().toLower();
    if (host.startsWith('[')) {
        host = host.sliced(0, host.indexOf(']') + 1);
    } else if (const auto colon = host.indexOf(':'); colon >= 0) {
        host.truncate(colon);
    }
    return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

void logLine(const QByteArray &method, const QString &path, int status, qint64 milliseconds)
{
    const QString statusText = status == 0 ? u"- (client gone)"_s : QString::number(status);
    const QString line =
        u"%1 %2 %3 %4ms\n"_s.arg(QString::fromLatin1(method), path, statusText).arg(milliseconds);
    std::fputs(line.toUtf8().constData(), stderr);
}

} // namespace

DevServer::DevServer(QObject *parent)
    : QObject(parent)
{
    m_http.setMissingHandler(
        [this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            dispatch(request, std::move(responder));
        });
}

Result<quint16> DevServer::listen(quint16 port)
{
    m_tcp = new QTcpServer(this);
    if (!m_tcp->listen(QHostAddress::LocalHost, port)) {
        return fail(Error::transport(
            u"cannot listen on 127.0.0.1:%1: %2"_s.arg(port).arg(m_tcp->errorString())));
    }
    m_http.bind(m_tcp);
    return m_tcp->serverPort();
}

QUrl DevServer::origin() const
{
    QUrl url;
    url.setScheme(u"http"_s);
    url.setHost(u"127.0.0.1"_s);
    if (m_tcp)
        url.setPort(m_tcp->serverPort());
    return url;
}

void DevServer::route(QByteArrayView method, const QString &pathPattern, Handler handler)
{
    routeDeferred(method, pathPattern,
                  [handler = std::move(handler)](const DevRequest &request, DevReply reply) {
                      reply.send(handler(request));
                  });
}

void DevServer::routeDeferred(QByteArrayView method, const QString &pathPattern,
                              DeferredHandler handler)
{
    m_routes.push_back({method.toByteArray(),
                        QRegularExpression(QRegularExpression::anchoredPattern(pathPattern)),
                        std::move(handler)});
}

std::optional<DevResponse> DevServer::refusal(const DevRequest &request) const
{
    if (!isLoopbackHost(request.header("Host")))
        return ApiErrors::foreignHost();
    if (request.body.size() > maximumBodySize)
        return ApiErrors::bodyTooLarge(maximumBodySize);
    return std::nullopt;
}

void DevServer::dispatch(const QHttpServerRequest &httpRequest, QHttpServerResponder &&responder)
{
    DevRequest request = DevRequest::from(httpRequest);
    QElapsedTimer clock;
    clock.start();
    DevReply reply(std::move(responder),
                   [method = request.method, path = request.path, clock](int status) {
                       logLine(method, path, status, clock.elapsed());
                   });

    if (auto refused = refusal(request)) {
        reply.send(*refused);
        return;
    }
    QByteArrayList allowed;
    for (const Route &route : m_routes) {
        const auto match = route.path.match(request.path);
        if (!match.hasMatch())
            continue;
        if (route.method != request.method) {
            allowed.append(route.method);
            continue;
        }
        request.captures = match.capturedTexts().mid(1);
        route.handler(request, reply);
        return;
    }
    if (!allowed.isEmpty()) {
        DevResponse response = ApiErrors::methodNotAllowed(request.method, request.path);
        response.headers.append({"Allow"_ba, allowed.join(", ")});
        reply.send(response);
        return;
    }
    reply.send(ApiErrors::notFound(request.method, request.path));
}
