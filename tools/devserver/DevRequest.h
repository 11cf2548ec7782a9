#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

#include <optional>

class QHttpServerRequest;

// One HTTP request as the development server's handlers see it: a copy of what they need,
// so that a handler may answer later, after the server has reused its own request object.
struct DevRequest {
    QByteArray method; // "GET", "PUT", ...
    QString path;      // decoded path, without the query
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QStringList captures; // the groups the route's path pattern captured

    [[nodiscard]] static DevRequest from(const QHttpServerRequest &request);

    // The first header called `name`, compared without regard to case; empty when absent.
    [[nodiscard]] QByteArray header(QByteArrayView name) const;
    // The query item `key`, fully decoded; empty when absent.
    [[nodiscard]] QString queryValue(const QString &key) const;
    // The credential of an "Authorization: Bearer <token>" header, if the request has one.
    [[nodiscard]] std::optional<QString> bearerToken() const;
};
