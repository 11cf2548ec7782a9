#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

class HttpCancellation;

// One request for the shared HTTP client (Http::send). Every field has the client's default,
// so a caller sets only what its endpoint fixes.
struct HttpRequest {
    using Header = std::pair<QByteArray, QByteArray>;

    static constexpr std::chrono::milliseconds defaultTimeout = std::chrono::seconds(60);
    // Answers of our endpoints are small JSON texts; a larger body is refused, not buffered.
    static constexpr qint64 defaultMaxResponseSize = 10 * 1024 * 1024;

    static constexpr QByteArrayView authorizationHeader{"Authorization"};
    static constexpr QByteArrayView contentTypeHeader{"Content-Type"};
    static constexpr QByteArrayView jsonContentType{"application/json"};
    static constexpr QByteArrayView bearerPrefix{"Bearer "};

    QByteArray method = QByteArrayLiteral("GET");
    QUrl url;
    // Sent exactly as given, in this order; the HTTP stack adds only its transport headers
    // (Host, Content-Length, Connection, Accept-Encoding and the like).
    QList<Header> headers;
    QByteArray body;
    // The request fails when nothing is sent or received for this long.
    std::chrono::milliseconds timeout = defaultTimeout;
    QNetworkRequest::CacheLoadControl cacheLoadControl = QNetworkRequest::PreferNetwork;
    qint64 maxResponseSize = defaultMaxResponseSize;
    // When set, cancelling it ends the request early (see HttpCancellation).
    std::shared_ptr<HttpCancellation> cancellation;

    // Replaces any header of the same name (names compare case-insensitively).
    void setHeader(QByteArrayView name, const QByteArray &value);
    void removeHeader(QByteArrayView name);
    [[nodiscard]] bool hasHeader(QByteArrayView name) const;
    [[nodiscard]] QByteArray header(QByteArrayView name) const;

    // "Authorization: Bearer <token>", also for an empty token.
    void setBearerToken(const QString &accessToken);
    // The body with "Content-Type: application/json".
    void setJsonBody(QByteArray json);
};
