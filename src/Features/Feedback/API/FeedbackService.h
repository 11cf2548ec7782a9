#pragma once

#include "FeedbackImageAttachment.h"
#include "FeedbackSenderIdentity.h"
#include "Result.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// Sends one piece of feedback to the maker's server as JSON. The sender is identified only by
// the body's fields; there is no Authorization header. Stateless apart from its base URL; one
// request per call, no retry, no queue. Attachments are sent exactly as given.
class FeedbackService {
public:
    static constexpr QLatin1StringView feedbackPath{"/api/feedback"};
    static constexpr std::chrono::milliseconds timeout = std::chrono::seconds(60);

    // The body's member names; the member id goes as "linkedInId".
    static constexpr QLatin1StringView nameKey{"name"};
    static constexpr QLatin1StringView linkedInIdKey{"linkedInId"};
    static constexpr QLatin1StringView emailKey{"email"};
    static constexpr QLatin1StringView titleKey{"title"};
    static constexpr QLatin1StringView messageKey{"message"};
    static constexpr QLatin1StringView attachmentsKey{"attachments"};

    explicit FeedbackService(QUrl apiBaseURL);

    [[nodiscard]] const QUrl &apiBaseURL() const { return m_apiBaseURL; }

    // Sends the title and message, both trimmed of white space and line breaks at both ends,
    // with the sender's identity (empty strings without one) and the attachments in order.
    // Fails with `emptyMessage` before any request when the trimmed message is empty,
    // `server` for any non-2xx answer, or the transport error as it is.
    [[nodiscard]] QCoro::Task<Result<void>> send(QString title, QString message,
                                                 std::optional<FeedbackSenderIdentity> identity,
                                                 QList<FeedbackImageAttachment> attachments) const;

private:
    QUrl m_apiBaseURL;
};
