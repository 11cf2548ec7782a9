#include "LinkedInPostService.h"

#include "AppJson.h"
#include "ErrorEnvelope.h"
#include "Http.h"
#include "LinkedInPostError.h"
#include "MultipartFormDataBuilder.h"

#include <QTimeZone>
#include <QUuid>

using namespace Qt::StringLiterals;

LinkedInPostService::LinkedInPostService(QUrl apiBaseURL)
    : m_apiBaseURL(std::move(apiBaseURL))
{}

QString LinkedInPostService::makeBoundary()
{
    return boundaryPrefix + AppJson::encodeUuid(QUuid::createUuid());
}

QCoro::Task<Result<void>>
LinkedInPostService::publish(QString text, std::optional<LinkedInPostCredential> credential) const
{
    const QString commentary = text.trimmed();
    if (commentary.isEmpty()) {
        co_return fail(
            Error::service(LinkedInPostError::emptyPost, LinkedInPostErrorText::emptyPost));
    }
    if (!credential || credential->accessToken.isEmpty() || credential->memberID.isEmpty()) {
        co_return fail(
            Error::service(LinkedInPostError::missingAuth, LinkedInPostErrorText::missingAuth));
    }

    const MultipartFormDataBuilder builder(makeBoundary());
    HttpRequest request;
    request.method = QByteArrayLiteral("POST");
    request.url = Http::url(m_apiBaseURL, postPath);
    request.timeout = timeout;
    request.setHeader(HttpRequest::contentTypeHeader,
                      "multipart/form-data; boundary=" + builder.boundary().toUtf8());
    request.body = builder.body({
        {accessTokenField, credential->accessToken},
        {memberIdField, credential->memberID},
        {commentaryField, commentary},
        {timezoneField, QString::fromUtf8(QTimeZone::systemTimeZoneId())},
    });

    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (Http::isSuccess(response->status))
        co_return {};
    co_return fail(Error::service(
        LinkedInPostError::server,
        ErrorEnvelope::message(response->body, LinkedInPostErrorText::serverFallback)));
}
