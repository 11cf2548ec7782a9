#pragma once

#include <QLatin1StringView>

// The rewrite's own error, carried as `Error::code` of a service error. `server` carries the
// provider's message (or "AI edit failed.") as its description; the other two cases have the
// fixed descriptions below. Transport and decoding errors pass through as they are.
enum class NaturalizeError {
    server,
    emptyText,
    missingAPIKey,
};

namespace NaturalizeErrorText {
inline constexpr QLatin1StringView emptyText{"Post is empty."};
inline constexpr QLatin1StringView missingAPIKey{"Add your AI API key in Settings first."};
// An answer without a usable rewrite, or a failure without the provider's own message.
inline constexpr QLatin1StringView editFailed{"AI edit failed."};
} // namespace NaturalizeErrorText
