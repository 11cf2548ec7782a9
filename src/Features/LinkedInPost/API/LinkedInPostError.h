#pragma once

#include <QLatin1StringView>

// The post service's own error, carried as `Error::code` of a service error. `server` carries
// the server's message (or the client's fixed text) as its description; the other two cases
// have the fixed descriptions below. Transport errors pass through as they are.
enum class LinkedInPostError {
    server,
    emptyPost,
    missingAuth,
};

namespace LinkedInPostErrorText {
inline constexpr QLatin1StringView emptyPost{"Post is empty."};
inline constexpr QLatin1StringView missingAuth{"Connect LinkedIn first."};
// The message of a failing answer whose body is no error envelope.
inline constexpr QLatin1StringView serverFallback{"LinkedIn post failed."};
} // namespace LinkedInPostErrorText
