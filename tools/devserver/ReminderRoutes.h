#pragma once

#include "DevStore.h"

#include <QDate>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>

class DevServer;
struct DevRequest;
struct DevResponse;

// Today's posting reminder for the member behind the bearer token, in the time zone the query
// names: the member's local date and a reminder whose words change from day to day.
class ReminderRoutes {
public:
    static constexpr QLatin1StringView todayPath{"/api/consistency/today"};
    // The suggested action of every reminder this server sends.
    static constexpr QLatin1StringView postAction{"post"};

    ReminderRoutes(DevStore &store, QString callbackScheme);

    void install(DevServer &server);

    // The answer for the local date `date`: "localDate", "action" and "reminder" (title, body,
    // deeplink).
    [[nodiscard]] QJsonObject reminderFor(QDate date) const;

private:
    [[nodiscard]] DevResponse today(const DevRequest &request) const;

    DevStore &m_store;
    QString m_callbackScheme;
};
