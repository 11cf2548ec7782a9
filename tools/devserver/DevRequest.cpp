#include "DevRequest.h"

#include <QHttpServerRequest>

using namespace Qt::StringLiterals;

namespace {

QByteArray methodName(QHttpServerRequest::Method method)
{
    using Method = QHttpServerRequest::Method;
    switch (method) {
    case Method::Get:
        return "GET"_ba;
    case Method::Put:
        return "PUT"_ba;
    case Method::Delete:
        return "DELETE"_ba;
    case Method::Post:
        return "POST"_ba;
    case Method::Head:
        return "HEAD"_ba;
    case Method::Options:
        return "OPTIONS"_ba;
    case Method::Patch:
        return "PATCH"_ba;
    case Method::Connect:
        return "CONNECT"_ba;
    case Method::Trace:
        return "TRACE"_ba;
    default:
        return "UNKNOWN"_ba;
    }
}

} // namespace

DevRequest DevRequest::from(const QHttpServerRequest &request)
{
    DevRequest copy;
    copy.method = methodName(request.method());
    copy.path = request.url().path();
    copy.query = request.query();
    copy.headers = request.headers();
    copy.body = request.body();
    return copy;
}

QByteArray DevRequest::header(QByteArrayView name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString DevRequest::queryValue(const QString &key) const
{
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

std::optional<QString> DevRequest::bearerToken() const
{
    static constexpr QByteArrayView scheme = "bearer ";
    const QByteArray value = header("Authorization").trimmed();
    if (value.size() <= scheme.size() || !value.first(scheme.size()).toLower().startsWith(scheme))
        return std::nullopt;
    const QString token = QString::fromUtf8(value.sliced(scheme.size())).trimmed();
    if (token.isEmpty())
        return std::nullopt;
    return token;
}
