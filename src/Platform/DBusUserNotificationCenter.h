#pragma once

#include "UserNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QLatin1StringView>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <coroutine>
#include <optional>

class QDBusMessage;

// Local notifications through the desktop's notification service (the freedesktop
// "org.freedesktop.Notifications" interface on the session bus).
//
// Authorisation is granted when the service answers. A request is shown at once; the service's
// id of each identifier's notification is kept and passed as `replaces_id`, so a later request
// with the same identifier replaces it. The ids are forgotten when the service's owner changes,
// because a restarted service numbers its notifications afresh and an old id could then name
// another program's notification.
class DBusUserNotificationCenter final : public QObject, public UserNotificationCenter {
    Q_OBJECT

public:
    static constexpr QLatin1StringView serviceName{"org.freedesktop.Notifications"};
    static constexpr QLatin1StringView objectPath{"/org/freedesktop/Notifications"};
    static constexpr QLatin1StringView interfaceName{"org.freedesktop.Notifications"};

    static constexpr QLatin1StringView appName{"Quillet"};
    static constexpr QLatin1StringView desktopEntry{"com.northwick.quillet.desktop"};
    static constexpr QLatin1StringView desktopEntryHint{"desktop-entry"};
    static constexpr QLatin1StringView soundNameHint{"sound-name"};
    static constexpr QLatin1StringView defaultSoundName{"message-new-instant"};
    // Each user-information entry travels as the hint of this prefix and the entry's key
    // ("deeplink" becomes "x-quillet-deeplink").
    static constexpr QLatin1StringView userInfoHintPrefix{"x-quillet-"};

    // Every call to the service gives up after this long: the service is local, so a slow
    // answer means it is stuck, and the caller should not wait on it.
    static constexpr std::chrono::milliseconds defaultTimeout{5000};

    explicit DBusUserNotificationCenter(QDBusConnection connection = QDBusConnection::sessionBus(),
                                        std::chrono::milliseconds timeout = defaultTimeout,
                                        QObject *parent = nullptr);

    [[nodiscard]] QCoro::Task<Result<bool>> requestAuthorization() override;
    [[nodiscard]] QCoro::Task<Result<void>> add(Request request) override;

private:
    // Suspends a request until the one in flight for the same identifier has settled.
    struct TurnForIdentifier {
        DBusUserNotificationCenter *center;
        QString identifier;
        [[nodiscard]] bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiter)
        {
            center->m_waiting[identifier].append(waiter);
        }
        void await_resume() const noexcept {}
    };
    void settle(const QString &identifier);

    QCoro::Task<Result<void>> notify(Request request);
    QCoro::Task<Result<QStringList>> capabilities();
    QCoro::Task<QDBusMessage> call(QString method, QVariantList arguments);
    void forgetService();

    QDBusConnection m_connection;
    std::chrono::milliseconds m_timeout;
    QDBusServiceWatcher m_serviceWatcher;
    // Server-side notification id per request identifier.
    QHash<QString, uint> m_notificationIds;
    // Identifiers whose request is on its way to the service.
    QSet<QString> m_inFlight;
    // Requests waiting for their identifier's turn, oldest first.
    QHash<QString, QList<std::coroutine_handle<>>> m_waiting;
    std::optional<QStringList> m_capabilities;
    // Counts owner changes, so that an answer from a service that has since gone is not kept.
    quint64 m_serviceGeneration = 0;
};
