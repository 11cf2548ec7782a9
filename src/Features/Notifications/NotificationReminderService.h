#pragma once

#include "AppTelemetry.h"
#include "LinkedInToken.h"
#include "Result.h"
#include "TodayConsistencyResponse.h"
#include "TodayReminder.h"
#include "UserDefaults.h"
#include "UserNotificationCenter.h"

#include <QCoroTask>
#include <QLatin1StringView>
#include <QSet>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// Asks the maker's server for today's posting reminder of the connected account and shows it
// as a local notification, at most once per account, day and action: a reminder that was
// shown leaves a mark (true under its identifier) in the user-defaults store, and is not
// shown again. Failures never reach the caller; they are recorded as the usage event
// "notification_sync_failed" and the next call starts over.
//
// Main thread only. Calls may overlap (the window appearing and the token changing close
// together): a reminder being scheduled by one call is skipped by the others, so it is never
// shown twice.
class NotificationReminderService {
public:
    static constexpr QLatin1StringView todayPath{"/api/consistency/today"};
    static constexpr QLatin1StringView timezoneQueryItem{"timezone"};
    static constexpr std::chrono::milliseconds timeout = std::chrono::seconds(60);
    static constexpr QLatin1StringView identifierPrefix{"quillet.notification."};
    static constexpr QLatin1StringView deeplinkUserInfoKey{"deeplink"};

    // `telemetry` records the failure event; an empty function records nothing.
    NotificationReminderService(QUrl apiBaseURL, UserDefaults &defaults,
                                UserNotificationCenter &center, AppTelemetry::Function telemetry);

    NotificationReminderService(const NotificationReminderService &) = delete;
    NotificationReminderService &operator=(const NotificationReminderService &) = delete;

    [[nodiscard]] const QUrl &apiBaseURL() const { return m_apiBaseURL; }

    // Loads today's reminder for `token`'s account and shows it unless it was shown before.
    // Does nothing without a token, an access token or a member id, and when the server has
    // no action for today. Nothing is shown and no mark is left when the title or body is
    // empty or the user does not allow notifications.
    QCoro::Task<> syncTodayReminder(std::optional<LinkedInToken> token);

    // "quillet.notification.<memberID>.<localDate>.<action>": the notification's identifier
    // and the key of its mark.
    [[nodiscard]] static QString
    reminderIdentifier(const QString &memberID, const QString &localDate, const QString &action);

private:
    [[nodiscard]] QCoro::Task<Result<TodayConsistencyResponse>>
    loadTodayReminder(QString accessToken) const;
    // True when a notification was added; false when nothing was to be shown or the user
    // does not allow notifications.
    [[nodiscard]] QCoro::Task<Result<bool>> schedule(TodayReminder reminder, QString identifier);
    void reportFailure() const;

    QUrl m_apiBaseURL;
    UserDefaults &m_defaults;
    UserNotificationCenter &m_center;
    AppTelemetry::Function m_telemetry;
    // Identifiers of reminders that a call is scheduling right now.
    QSet<QString> m_scheduling;
};
