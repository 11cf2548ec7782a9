#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <optional>

// The error body the maker's server sends with a failing status: a JSON object with "error"
// (string, required) and "errorDescription" (string, optional).
namespace ErrorEnvelope {

inline constexpr QLatin1StringView errorKey{"error"};
inline constexpr QLatin1StringView errorDescriptionKey{"errorDescription"};

// The user-facing message of an envelope: "errorDescription" when it is present, even when it
// is empty; else "error" (an absent or null "errorDescription" counts as missing). Nothing when
// the body is no envelope: not JSON, not an object, "error" missing or not a string, or
// "errorDescription" of another type.
[[nodiscard]] std::optional<QString> message(const QByteArray &body);

// message(body), or the calling client's fixed text when the body is no envelope.
[[nodiscard]] QString message(const QByteArray &body, const QString &fallback);

} // namespace ErrorEnvelope
