#include "NotificationReminderService.h"

#include "Http.h"
#include "NotificationReminderError.h"

#include <QTimeZone>

using namespace Qt::StringLiterals;

NotificationReminderService::NotificationReminderService(QUrl apiBaseURL, UserDefaults &defaults,
                                                         UserNotificationCenter &center,
                                                         AppTelemetry::Function telemetry)
    : m_apiBaseURL(std::move(apiBaseURL))
    , m_defaults(defaults)
    , m_center(center)
    , m_telemetry(std::move(telemetry))
{}

QString NotificationReminderService::reminderIdentifier(const QString &memberID,
                                                        const QString &localDate,
                                                        const QString &action)
{
    return identifierPrefix + memberID + u'.' + localDate + u'.' + action;
}

QCoro::Task<> NotificationReminderService::syncTodayReminder(std::optional<LinkedInToken> token)
{
    if (!token || token->accessToken.isEmpty() || token->profile.memberID.isEmpty())
        co_return;

    const auto response = co_await loadTodayReminder(token->accessToken);
    if (!response) {
        reportFailure();
        co_return;
    }
    if (!response->action || response->action->isEmpty())
        co_return;

    const QString identifier =
        reminderIdentifier(token->profile.memberID, response->localDate, *response->action);
    if (m_defaults.boolValue(identifier) || m_scheduling.contains(identifier))
        co_return;

    m_scheduling.insert(identifier);
    const auto scheduled = co_await schedule(response->reminder, identifier);
    m_scheduling.remove(identifier);
    if (!scheduled) {
        reportFailure();
        co_return;
    }
    if (*scheduled)
        m_defaults.setBool(identifier, true);
}

QCoro::Task<Result<TodayConsistencyResponse>>
NotificationReminderService::loadTodayReminder(QString accessToken) const
{
    HttpRequest request;
    request.url =
        Http::url(m_apiBaseURL, todayPath,
                  {{timezoneQueryItem, QString::fromUtf8(QTimeZone::systemTimeZoneId())}});
    if (!request.url.isValid() || request.url.isRelative())
        co_return fail(Error::service(NotificationReminderError::invalidURL, QString()));
    request.timeout = timeout;
    request.setBearerToken(accessToken);

    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (!Http::isSuccess(response->status))
        co_return fail(Error::service(NotificationReminderError::server, QString()));
    co_return TodayConsistencyResponse::decode(response->body);
}

QCoro::Task<Result<bool>> NotificationReminderService::schedule(TodayReminder reminder,
                                                                QString identifier)
{
    if (reminder.title.isEmpty() || reminder.body.isEmpty())
        co_return false;

    const auto allowed = co_await m_center.requestAuthorization();
    if (!allowed)
        co_return fail(allowed.error());
    if (!*allowed)
        co_return false;

    UserNotificationCenter::Request request{identifier, reminder.title, reminder.body, true};
    if (!reminder.deeplink.isEmpty())
        request.userInfo.insert(deeplinkUserInfoKey, reminder.deeplink);
    const auto added = co_await m_center.add(std::move(request));
    if (!added)
        co_return fail(added.error());
    co_return true;
}

void NotificationReminderService::reportFailure() const
{
    if (m_telemetry)
        m_telemetry(AppTelemetryEvent::notificationSyncFailed, {});
}
