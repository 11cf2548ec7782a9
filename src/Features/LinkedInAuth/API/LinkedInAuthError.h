#pragma once

#include "Result.h"

#include <QLatin1StringView>
#include <QString>

// The LinkedIn authorization service's own error. `server` carries the message of the server
// (or a fixed text of the service); every other case has its fixed description. Transport and
// decoding errors, and failures of the sheet other than the two below, pass through as they are.
enum class LinkedInAuthError {
    server,
    invalidStartURL,
    missingWindow,
    cancelled,
    timedOut,
};

namespace LinkedInAuthErrorText {
inline constexpr QLatin1StringView invalidStartURL{"LinkedIn authorization URL is invalid."};
inline constexpr QLatin1StringView missingWindow{"Cannot open LinkedIn authorization."};
inline constexpr QLatin1StringView cancelled{"LinkedIn authorization was cancelled."};
inline constexpr QLatin1StringView timedOut{"LinkedIn authorization timed out."};
inline constexpr QLatin1StringView tokenMissing{"LinkedIn token is missing."};
inline constexpr QLatin1StringView authorizationFailed{"LinkedIn authorization failed."};
inline constexpr QLatin1StringView unexpectedStatus{"Unexpected LinkedIn authorization status."};
// Followed by the status code and a full stop, for a failing answer that is no error envelope.
inline constexpr QLatin1StringView requestFailedPrefix{"Request failed with status "};
} // namespace LinkedInAuthErrorText

// The error of `code` with its user-facing description; `message` is used by `server` only.
[[nodiscard]] inline Error linkedInAuthError(LinkedInAuthError code, QString message = {})
{
    switch (code) {
    case LinkedInAuthError::server:
        return Error::service(code, std::move(message));
    case LinkedInAuthError::invalidStartURL:
        return Error::service(code, LinkedInAuthErrorText::invalidStartURL);
    case LinkedInAuthError::missingWindow:
        return Error::service(code, LinkedInAuthErrorText::missingWindow);
    case LinkedInAuthError::cancelled:
        return Error::service(code, LinkedInAuthErrorText::cancelled);
    case LinkedInAuthError::timedOut:
        return Error::service(code, LinkedInAuthErrorText::timedOut);
    }
    return Error::service(code, std::move(message));
}
