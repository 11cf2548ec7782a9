#include "FeedbackService.h"

#include "AppJson.h"
#include "ErrorEnvelope.h"
#include "FeedbackError.h"
#include "Http.h"

#include <QJsonArray>

FeedbackService::FeedbackService(QUrl apiBaseURL)
    : m_apiBaseURL(std::move(apiBaseURL))
{}

QCoro::Task<Result<void>> FeedbackService::send(QString title, QString message,
                                                std::optional<FeedbackSenderIdentity> identity,
                                                QList<FeedbackImageAttachment> attachments) const
{
    const QString trimmedMessage = message.trimmed();
    if (trimmedMessage.isEmpty()) {
        co_return fail(
            Error::service(FeedbackError::emptyMessage, FeedbackErrorText::emptyMessage));
    }

    QJsonArray attachmentsJson;
    for (const auto &attachment : attachments)
        attachmentsJson.append(attachment.toJson());
    // The JSON holds its own copy of every image; drop this one before the request is sent.
    attachments.clear();

    const FeedbackSenderIdentity sender = identity.value_or(FeedbackSenderIdentity{});
    HttpRequest request;
    request.method = QByteArrayLiteral("POST");
    request.url = Http::url(m_apiBaseURL, feedbackPath);
    request.timeout = timeout;
    request.setJsonBody(AppJson::encode(QJsonObject{
        {nameKey, sender.name},
        {linkedInIdKey, sender.linkedInID},
        {emailKey, sender.email.value_or(QString())},
        {titleKey, title.trimmed()},
        {messageKey, trimmedMessage},
        {attachmentsKey, std::move(attachmentsJson)},
    }));

    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (Http::isSuccess(response->status))
        co_return {};
    co_return fail(
        Error::service(FeedbackError::server,
                       ErrorEnvelope::message(response->body, FeedbackErrorText::serverFallback)));
}
