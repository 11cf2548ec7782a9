#include "DBusUserNotificationCenter.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QLoggingCategory>

#include <qcorodbus.h>
#include <qcorosignal.h>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcNotifications, "quillet.notifications", QtInfoMsg)

constexpr auto getCapabilitiesMethod = "GetCapabilities"_L1;
constexpr auto notifyMethod = "Notify"_L1;
// A server that interprets markup in the body gets the text escaped, so that characters such as
// "<" and "&" show as themselves and the text cannot carry links or images.
constexpr auto bodyMarkupCapability = "body-markup"_L1;
constexpr int serverDefaultExpiry = -1;
constexpr auto notConnectedText = "Not connected to a D-Bus session bus."_L1;
constexpr auto unexpectedAnswerText = "The notification service gave an unexpected answer."_L1;

Error failureFrom(const QDBusMessage &reply)
{
    const QDBusError error(reply);
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::NoServer:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::Disconnected:
    case QDBusError::NoNetwork:
    case QDBusError::BadAddress:
        return Error::service(UserNotificationCenter::Failure::serviceUnavailable, error.message());
    default:
        return Error::service(UserNotificationCenter::Failure::requestRejected, error.message());
    }
}

} // namespace

DBusUserNotificationCenter::DBusUserNotificationCenter(QDBusConnection connection,
                                                       std::chrono::milliseconds timeout,
                                                       QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_timeout(timeout)
    , m_serviceWatcher(serviceName, m_connection, QDBusServiceWatcher::WatchForOwnerChange)
{
    connect(&m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &DBusUserNotificationCenter::forgetService);
}

QCoro::Task<Result<bool>> DBusUserNotificationCenter::requestAuthorization()
{
    // The desktop has no per-application permission: a service that answers shows notifications.
    const auto answered = co_await capabilities();
    if (!answered)
        co_return fail(answered.error());
    co_return true;
}

QCoro::Task<Result<void>> DBusUserNotificationCenter::add(Request request)
{
    // Requests for one identifier go to the service one at a time: a second request must carry
    // the id that the first one's answer brings, or both would be shown side by side.
    // A named awaiter: GCC 12 may destroy a temporary inside a co_await expression twice.
    while (m_inFlight.contains(request.identifier)) {
        TurnForIdentifier turn{this, request.identifier};
        co_await turn;
    }

    const QString identifier = request.identifier;
    m_inFlight.insert(identifier);
    auto result = co_await notify(std::move(request));
    m_inFlight.remove(identifier);
    settle(identifier);
    co_return result;
}

void DBusUserNotificationCenter::settle(const QString &identifier)
{
    // The oldest waiting request takes the next turn, from the event loop rather than inside
    // this request's own completion. Waiters left when the centre goes away never resume.
    auto waiting = m_waiting.find(identifier);
    if (waiting == m_waiting.end())
        return;
    const auto next = waiting->takeFirst();
    if (waiting->isEmpty())
        m_waiting.erase(waiting);
    QMetaObject::invokeMethod(
        this, [next] { next.resume(); }, Qt::QueuedConnection);
}

QCoro::Task<Result<void>> DBusUserNotificationCenter::notify(Request request)
{
    QStringList serviceCapabilities;
    if (m_capabilities) {
        serviceCapabilities = *m_capabilities;
    } else {
        const auto answered = co_await capabilities();
        if (!answered)
            co_return fail(answered.error());
        serviceCapabilities = *answered;
    }
    const bool escapesBody = serviceCapabilities.contains(bodyMarkupCapability);

    QVariantMap hints{{desktopEntryHint, QString(desktopEntry)}};
    if (request.playsDefaultSound)
        hints.insert(soundNameHint, QString(defaultSoundName));
    for (auto it = request.userInfo.cbegin(); it != request.userInfo.cend(); ++it)
        hints.insert(userInfoHintPrefix + it.key(), it.value());

    const quint64 generation = m_serviceGeneration;
    const uint replacesId = m_notificationIds.value(request.identifier, 0);
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    QVariantList arguments;
    arguments << QString(appName) << replacesId << QString() << request.title
              << (escapesBody ? request.body.toHtmlEscaped() : request.body) << QStringList()
              << hints << serverDefaultExpiry;
    const auto reply = co_await call(notifyMethod, std::move(arguments));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const auto error = failureFrom(reply);
        qCDebug(lcNotifications) << "showing a notification failed:" << error.description;
        co_return fail(error);
    }
    const auto answer = reply.arguments();
    if (answer.size() != 1 || answer.first().metaType() != QMetaType::fromType<uint>())
        co_return fail(Error::service(Failure::requestRejected, unexpectedAnswerText));
    if (generation == m_serviceGeneration)
        m_notificationIds.insert(request.identifier, answer.first().toUInt());
    co_return {};
}

QCoro::Task<Result<QStringList>> DBusUserNotificationCenter::capabilities()
{
    const quint64 generation = m_serviceGeneration;
    const auto reply = co_await call(getCapabilitiesMethod, QVariantList());
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const auto error = failureFrom(reply);
        qCDebug(lcNotifications) << "the notification service did not answer:" << error.description;
        co_return fail(error);
    }
    const auto arguments = reply.arguments();
    if (arguments.size() != 1 || arguments.first().metaType() != QMetaType::fromType<QStringList>())
        co_return fail(Error::service(Failure::requestRejected, unexpectedAnswerText));
    auto capabilities = arguments.first().toStringList();
    if (generation == m_serviceGeneration)
        m_capabilities = capabilities;
    co_return capabilities;
}

QCoro::Task<QDBusMessage> DBusUserNotificationCenter::call(QString method, QVariantList arguments)
{
    if (!m_connection.isConnected()) {
        const auto lastError = m_connection.lastError();
        co_return QDBusMessage::createError(
            QDBusError::Disconnected, lastError.isValid() ? lastError.message() : notConnectedText);
    }
    auto message = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, method);
    message.setArguments(arguments);
    const QDBusPendingCall pending =
        m_connection.asyncCall(message, static_cast<int>(m_timeout.count()));
    co_return co_await pending;
}

void DBusUserNotificationCenter::forgetService()
{
    ++m_serviceGeneration;
    m_notificationIds.clear();
    m_capabilities.reset();
}
