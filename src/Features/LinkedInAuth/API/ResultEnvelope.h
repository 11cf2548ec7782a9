#pragma once

#include "AppJson.h"
#include "LinkedInToken.h"
#include "Result.h"

#include <QLatin1StringView>
#include <QString>

#include <optional>

// The server's answer to one request for the result of a LinkedIn connection.
struct ResultEnvelope {
    static constexpr QLatin1StringView statusKey{"status"};
    static constexpr QLatin1StringView tokenKey{"token"};
    static constexpr QLatin1StringView errorKey{"error"};
    static constexpr QLatin1StringView errorDescriptionKey{"errorDescription"};
    static constexpr QLatin1StringView httpStatusKey{"httpStatus"};
    static constexpr QLatin1StringView upstreamBodyKey{"upstreamBody"};

    static constexpr QLatin1StringView pending{"pending"};
    static constexpr QLatin1StringView done{"done"};
    static constexpr QLatin1StringView failed{"error"};

    QString status; // "pending", "done" or "error", compared exactly
    std::optional<LinkedInToken> token;
    std::optional<QString> error;
    std::optional<QString> errorDescription;

    // `status` is required. `httpStatus` (a number) and `upstreamBody` (a string) are checked
    // for their type and otherwise ignored.
    [[nodiscard]] static Result<ResultEnvelope> fromJson(const JsonReader &json);
};
