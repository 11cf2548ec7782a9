#pragma once

#include "Result.h"
#include "TodayReminder.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <optional>

// The server's answer to "what should this user be nudged to do today". `localDate` and
// `action` are the server's own opaque texts; an absent or empty action means no reminder
// today.
struct TodayConsistencyResponse {
    static constexpr QLatin1StringView localDateKey{"localDate"};
    static constexpr QLatin1StringView actionKey{"action"};
    static constexpr QLatin1StringView reminderKey{"reminder"};

    QString localDate;
    std::optional<QString> action;
    TodayReminder reminder;

    // "localDate" and "reminder" are required, "action" may be absent or null; other members
    // are ignored.
    [[nodiscard]] static Result<TodayConsistencyResponse> fromJson(const JsonReader &json);
    [[nodiscard]] static Result<TodayConsistencyResponse> decode(const QByteArray &body);

    friend bool operator==(const TodayConsistencyResponse &,
                           const TodayConsistencyResponse &) = default;
};
