#include "ApiErrors.h"

using namespace Qt::StringLiterals;

namespace ApiErrors {

DevResponse invalidToken()
{
    return DevResponse::error(
        401, u"invalid_token"_s,
        u"The LinkedIn session is not valid on this server. Connect LinkedIn again."_s);
}

DevResponse invalidRequest(const QString &description)
{
    return DevResponse::error(400, u"invalid_request"_s, description);
}

DevResponse storageFailed()
{
    return DevResponse::error(500, u"storage_failed"_s,
                              u"The development server could not save its data."_s);
}

DevResponse notFound(const QByteArray &method, const QString &path)
{
    return DevResponse::error(
        404, u"not_found"_s,
        u"No endpoint answers %1 %2."_s.arg(QString::fromLatin1(method), path));
}

DevResponse methodNotAllowed(const QByteArray &method, const QString &path)
{
    return DevResponse::error(405, u"method_not_allowed"_s,
                              u"%1 does not answer %2."_s.arg(path, QString::fromLatin1(method)));
}

DevResponse foreignHost()
{
    return DevResponse::error(
        421, u"misdirected_request"_s,
        u"The development server answers requests for 127.0.0.1 and localhost only."_s);
}

DevResponse bodyTooLarge(qsizetype limit)
{
    return DevResponse::error(
        413, u"payload_too_large"_s,
        u"Request bodies are limited to %1 MiB."_s.arg(limit / (1024 * 1024)));
}

} // namespace ApiErrors
