#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "Result.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QUrl>

#include <utility>

class QNetworkAccessManager;

// The process-wide shared HTTP client and the conventions every client of a web service
// shares: URL joining, the success rule, one request per call.
namespace Http {

using QueryItems = QList<std::pair<QString, QString>>;

inline constexpr int maxRedirects = 10;
inline constexpr QLatin1StringView timedOutDescription{"The request timed out."};
inline constexpr QLatin1StringView tooManyRedirectsDescription{"Too many redirects."};
inline constexpr QLatin1StringView cancelledDescription{"The request was cancelled."};

// `path` appended to the path of `baseURL` with exactly one "/" between them: a base path
// stays, and no trailing "/" is added or removed beyond what `path` itself says. Non-empty
// `query` items replace the query, each key and value fully percent-encoded (so a "+" in a
// value reaches the server as a plus, not as a space).
[[nodiscard]] QUrl url(const QUrl &baseURL, const QString &path, const QueryItems &query = {});

// The 2xx rule: only a status from 200 to 299 is a success.
[[nodiscard]] constexpr bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

// The one network access manager of the process, with its disk cache in the user's cache
// folder; created on first use and owned by the application object. Main thread only.
[[nodiscard]] QNetworkAccessManager &sharedManager();

// Sends `request` through the shared manager and waits for the whole answer. Main thread only.
//
// Any answer that carries an HTTP status is an HTTP response, whatever its status: a
// non-2xx answer is a value here, and each client decides what it means. A failure is a
// transport error with the network stack's own description ("Connection refused"):
// no answer at all, an answer cut off before its end, a request silent for longer than
// `request.timeout` (timedOutDescription), a body larger than `request.maxResponseSize`, or a
// cancelled `request.cancellation` (cancelledDescription; the connection is aborted).
//
// Redirects (301, 302, 303, 307, 308) are followed up to maxRedirects. When one leads to
// another origin (scheme, host or port), the Authorization header is not sent there, and a
// request that would keep its body there is not sent at all; such a redirect, and one from
// https to http, is not followed and is returned as the response it is.
[[nodiscard]] QCoro::Task<Result<HttpResponse>> send(HttpRequest request);

} // namespace Http
