#pragma once

#include "LinkedInPostCredential.h"
#include "Result.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// Publishes a post through the maker's server, which posts on the member's behalf: the text,
// the member's access token and member id and the user's time zone go as a multipart form.
// Stateless apart from its base URL; one request per call, never retried.
class LinkedInPostService {
public:
    static constexpr QLatin1StringView postPath{"/api/linkedin/post"};
    static constexpr std::chrono::milliseconds timeout = std::chrono::seconds(60);
    static constexpr QLatin1StringView boundaryPrefix{"Boundary-"};

    // The form's field names.
    static constexpr QLatin1StringView accessTokenField{"accessToken"};
    static constexpr QLatin1StringView memberIdField{"memberId"};
    static constexpr QLatin1StringView commentaryField{"commentary"};
    static constexpr QLatin1StringView timezoneField{"timezone"};

    explicit LinkedInPostService(QUrl apiBaseURL);

    [[nodiscard]] const QUrl &apiBaseURL() const { return m_apiBaseURL; }

    // Sends `text`, trimmed of white space and line breaks at both ends, as the post's
    // commentary. Fails with `emptyPost` when nothing is left (checked first), `missingAuth`
    // without a credential or with an empty token or member id (no request is made), `server`
    // for any non-2xx answer, or the transport error as it is. Success means the server
    // accepted the post.
    [[nodiscard]] QCoro::Task<Result<void>>
    publish(QString text, std::optional<LinkedInPostCredential> credential) const;

    // "Boundary-" and a fresh random UUID in upper case: a new one for every request.
    [[nodiscard]] static QString makeBoundary();

private:
    QUrl m_apiBaseURL;
};
