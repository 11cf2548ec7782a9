#include "HttpRequest.h"

namespace {
bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

void HttpRequest::setHeader(QByteArrayView name, const QByteArray &value)
{
    for (auto &header : headers) {
        if (sameName(header.first, name)) {
            header.second = value;
            return;
        }
    }
    headers.append({name.toByteArray(), value});
}

void HttpRequest::removeHeader(QByteArrayView name)
{
    headers.removeIf([&](const Header &header) { return sameName(header.first, name); });
}

bool HttpRequest::hasHeader(QByteArrayView name) const
{
    return std::any_of(headers.cbegin(), headers.cend(),
                       [&](const Header &header) { return sameName(header.first, name); });
}

QByteArray HttpRequest::header(QByteArrayView name) const
{
    for (const auto &header : headers) {
        if (sameName(header.first, name))
            return header.second;
    }
    return {};
}

void HttpRequest::setBearerToken(const QString &accessToken)
{
    setHeader(authorizationHeader, bearerPrefix.toByteArray() + accessToken.toUtf8());
}

void HttpRequest::setJsonBody(QByteArray json)
{
    setHeader(contentTypeHeader, jsonContentType.toByteArray());
    body = std::move(json);
}
