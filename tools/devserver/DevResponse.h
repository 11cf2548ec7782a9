#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

// One HTTP answer of the development server, built by a handler and written by `DevReply`.
struct DevResponse {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    [[nodiscard]] static DevResponse json(const QJsonObject &object, int status = 200);
    // The error envelope every client reads: "error" and a readable "errorDescription".
    [[nodiscard]] static DevResponse error(int status, const QString &error,
                                           const QString &description);
    [[nodiscard]] static DevResponse html(const QString &page, int status = 200);
    [[nodiscard]] static DevResponse png(QByteArray image);
    // 302 Found to `location`.
    [[nodiscard]] static DevResponse redirect(const QUrl &location);
    // A status without a body, such as 204.
    [[nodiscard]] static DevResponse empty(int status);
};
