#pragma once

#include <QLatin1StringView>

// The feedback service's own error, carried as `Error::code` of a service error. `server`
// carries the server's message (or the client's fixed text) as its description. Transport
// errors pass through as they are.
enum class FeedbackError {
    server,
    emptyMessage,
};

namespace FeedbackErrorText {
inline constexpr QLatin1StringView emptyMessage{"Feedback message is empty."};
// The message of a failing answer whose body is no error envelope.
inline constexpr QLatin1StringView serverFallback{"Feedback send failed."};
} // namespace FeedbackErrorText
