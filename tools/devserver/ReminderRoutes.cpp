#include "ReminderRoutes.h"

#include "ApiErrors.h"
#include "DevServer.h"

#include <QDateTime>
#include <QTimeZone>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// One reminder per day of a week-long rotation.
constexpr std::array<std::pair<QLatin1StringView, QLatin1StringView>, 7> reminders{{
    {"Share one lesson from this week"_L1,
     "What did you learn this week that a colleague could use? Three short paragraphs will do."_L1},
    {"Tell a short story"_L1,
     "Describe a moment at work that changed how you think, and what you did next."_L1},
    {"Answer a question you often hear"_L1,
     "Pick a question people keep asking you and answer it plainly."_L1},
    {"Thank someone in public"_L1,
     "Name a colleague or customer who helped you lately and say what they did well."_L1},
    {"Share a number that surprised you"_L1,
     "Post one figure from your field and explain why it matters."_L1},
    {"Start with a strong first line"_L1,
     "Write a post whose first sentence makes readers want the second."_L1},
    {"Keep your streak going"_L1,
     "A few honest sentences are enough. Open Quillet and write today's post."_L1},
}};

} // namespace

ReminderRoutes::ReminderRoutes(DevStore &store, QString callbackScheme)
    : m_store(store)
    , m_callbackScheme(std::move(callbackScheme))
{}

void ReminderRoutes::install(DevServer &server)
{
    server.route("GET", todayPath, [this](const DevRequest &request) { return today(request); });
}

QJsonObject ReminderRoutes::reminderFor(QDate date) const
{
    const auto &[title, body] = reminders.at(date.toJulianDay() % qint64(reminders.size()));
    return {
        {u"localDate"_s, date.toString(Qt::ISODate)},
        {u"action"_s, QString(postAction)},
        {u"reminder"_s, QJsonObject{{u"title"_s, QString(title)},
                                    {u"body"_s, QString(body)},
                                    {u"deeplink"_s, QString(m_callbackScheme + u"://compose"_s)}}},
    };
}

DevResponse ReminderRoutes::today(const DevRequest &request) const
{
    const auto token = request.bearerToken();
    if (!token || !m_store.data().memberForToken(*token))
        return ApiErrors::invalidToken();
    const QString zoneId = request.queryValue(u"timezone"_s);
    const QTimeZone zone(zoneId.toUtf8());
    if (zoneId.isEmpty() || !zone.isValid())
        return DevResponse::error(
            400, u"invalid_timezone"_s,
            u"\"%1\" is not a time zone (an IANA name such as Europe/Paris)."_s.arg(zoneId));
    return DevResponse::json(reminderFor(QDateTime::currentDateTimeUtc().toTimeZone(zone).date()));
}
