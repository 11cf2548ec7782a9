#pragma once

#include "AppJson.h"
#include "Result.h"

#include <QLatin1StringView>
#include <QString>

// The words of today's reminder as the server sends them.
struct TodayReminder {
    static constexpr QLatin1StringView titleKey{"title"};
    static constexpr QLatin1StringView bodyKey{"body"};
    static constexpr QLatin1StringView deeplinkKey{"deeplink"};

    QString title;
    QString body;
    // Carried with the notification under "deeplink" when not empty; not opened by the app.
    QString deeplink;

    // All three members are required strings; others are ignored.
    [[nodiscard]] static Result<TodayReminder> fromJson(const JsonReader &json);

    friend bool operator==(const TodayReminder &, const TodayReminder &) = default;
};
