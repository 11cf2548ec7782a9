#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QUrl>

#include <utility>

// An HTTP answer as the shared client received it, whatever its status.
struct HttpResponse {
    int status = 0;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The address that answered: the request's, or the last redirect target.
    QUrl url;

    // The first header of that name (compared case-insensitively), or an empty array.
    [[nodiscard]] QByteArray header(QByteArrayView name) const
    {
        for (const auto &header : headers) {
            if (name.compare(header.first, Qt::CaseInsensitive) == 0)
                return header.second;
        }
        return {};
    }
};
