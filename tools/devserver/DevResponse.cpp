#include "DevResponse.h"

#include "AppJson.h"

using namespace Qt::StringLiterals;

DevResponse DevResponse::json(const QJsonObject &object, int status)
{
    return {status, "application/json"_ba, AppJson::encode(object), {}};
}

DevResponse DevResponse::error(int status, const QString &error, const QString &description)
{
    return json({{u"error"_s, error}, {u"errorDescription"_s, description}}, status);
}

DevResponse DevResponse::html(const QString &page, int status)
{
    return {status, "text/html; charset=utf-8"_ba, page.toUtf8(), {}};
}

DevResponse DevResponse::png(QByteArray image)
{
    return {200, "image/png"_ba, std::move(image), {}};
}

DevResponse DevResponse::redirect(const QUrl &location)
{
    return {302, "text/plain; charset=utf-8"_ba, {}, {{"Location"_ba, location.toEncoded()}}};
}

DevResponse DevResponse::empty(int status)
{
    return {status, {}, {}, {}};
}
