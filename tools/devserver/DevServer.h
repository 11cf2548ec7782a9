#pragma once

#include "DevReply.h"
#include "DevRequest.h"
#include "DevResponse.h"
#include "Result.h"

#include <QHttpServer>
#include <QObject>
#include <QRegularExpression>
#include <QUrl>

#include <functional>
#include <vector>

class QTcpServer;

// The HTTP side of the development server: listens on the loopback address only, hands each
// request to the route whose method and path match, and logs one line per request on standard
// error (method, path, status, time), never a header, query or body.
class DevServer : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<DevResponse(const DevRequest &)>;
    // For handlers that may answer later (a held result request).
    using DeferredHandler = std::function<void(const DevRequest &, DevReply)>;

    // Requests with a larger body are refused with 413.
    static constexpr qsizetype maximumBodySize = 32 * 1024 * 1024;

    explicit DevServer(QObject *parent = nullptr);

    // Listens on 127.0.0.1; port 0 lets the system choose. Returns the port listened on.
    [[nodiscard]] Result<quint16> listen(quint16 port);
    // "http://127.0.0.1:<port>" once listening.
    [[nodiscard]] QUrl origin() const;

    // `pathPattern` is a regular expression that must match the whole path; its capture
    // groups become the request's `captures`.
    void route(QByteArrayView method, const QString &pathPattern, Handler handler);
    void routeDeferred(QByteArrayView method, const QString &pathPattern, DeferredHandler handler);

private:
    struct Route {
        QByteArray method;
        QRegularExpression path;
        DeferredHandler handler;
    };

    void dispatch(const QHttpServerRequest &request, QHttpServerResponder &&responder);
    // The answer for a request no route takes, or for a request refused before routing.
    [[nodiscard]] std::optional<DevResponse> refusal(const DevRequest &request) const;

    QHttpServer m_http;
    QTcpServer *m_tcp = nullptr;
    std::vector<Route> m_routes;
};
