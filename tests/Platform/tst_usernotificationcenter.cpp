#include "DBusUserNotificationCenter.h"
#include "FakeNotificationCenter.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

#include <qcorotask.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

using Request = UserNotificationCenter::Request;
using Failure = UserNotificationCenter::Failure;

namespace {

// A D-Bus bus of the test's own, with no services and no service activation, so that nothing
// answers for the notification service unless the test registers it.
class PrivateBus {
public:
    PrivateBus()
    {
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(
            QStandardPaths::findExecutable(u"dbus-daemon"_s),
            {u"--nofork"_s, u"--print-address=1"_s,
             u"--config-file="_s + QUILLET_TEST_DATA_DIR + u"/private-session-bus.conf"_s});
        if (QTest::qWaitFor([this] { return m_process.canReadLine(); }, 10'000))
            m_address = QString::fromUtf8(m_process.readLine().trimmed());
    }
    ~PrivateBus()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }

    [[nodiscard]] const QString &address() const { return m_address; }

private:
    QProcess m_process;
    QString m_address;
};

// A named connection that is closed when the holder goes.
class Connection {
public:
    Connection(const QString &address, QString name)
        : m_name(std::move(name))
        , m_connection(QDBusConnection::connectToBus(address, m_name))
    {}
    ~Connection() { QDBusConnection::disconnectFromBus(m_name); }

    [[nodiscard]] const QDBusConnection &get() const { return m_connection; }

private:
    QString m_name;
    QDBusConnection m_connection;
};

struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = 0;
};

} // namespace

// A stand-in notification service that records every Notify call; ids count from 1 like a
// freshly started desktop service's. With `answers` off it leaves every call unanswered.
class FakeNotificationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{u"body"_s};
    bool answers = true;
    QList<NotifyCall> calls;

    bool registerOn(const QDBusConnection &connection)
    {
        auto c = connection;
        return c.registerObject(DBusUserNotificationCenter::objectPath, this,
                                QDBusConnection::ExportAllSlots) &&
               c.registerService(DBusUserNotificationCenter::serviceName);
    }

public Q_SLOTS:
    QStringList GetCapabilities()
    {
        if (!answers)
            setDelayedReply(true);
        return capabilities;
    }

    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int expireTimeout)
    {
        calls.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
        if (!answers)
            setDelayedReply(true);
        return replacesId != 0 ? replacesId : m_nextId++;
    }

private:
    uint m_nextId = 1;
};

namespace {

// The notification history of the session's dunst, after closing every shown notification
// (dunst keeps only closed notifications in its history). Each entry maps member names such as
// "summary", "body" and "appname" to values.
QList<QVariantMap> dunstHistory()
{
    auto bus = QDBusConnection::sessionBus();
    const auto closeAll = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.dunstproject.cmd0"_s, u"NotificationCloseAll"_s);
    bus.call(closeAll);
    const auto list = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.dunstproject.cmd0"_s, u"NotificationListHistory"_s);
    const auto reply = bus.call(list);
    QList<QVariantMap> entries;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return entries;
    const auto argument = reply.arguments().first().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QVariantMap entry;
        argument >> entry;
        entries.append(entry);
    }
    argument.endArray();
    return entries;
}

QStringList summariesContaining(const QList<QVariantMap> &history, const QString &marker)
{
    QStringList summaries;
    for (const auto &entry : history) {
        const auto summary = entry.value(u"summary"_s).toString();
        if (summary.contains(marker))
            summaries.append(summary);
    }
    return summaries;
}

} // namespace

class TestUserNotificationCenter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The session's real notification daemon.

    void grantsAuthorizationWhenTheServiceAnswers()
    {
        DBusUserNotificationCenter center;
        QCOMPARE(QCoro::waitFor(center.requestAuthorization()), Result<bool>(true));
    }

    void desktopShowsTitleAndBody()
    {
        DBusUserNotificationCenter center;
        const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces);
        // Styled letters and emoji must cross the bus intact.
        const QString title = u"Time to post \U0001D5E7\U0001D5F2\U0001D600\U0001D601 "_s + marker;
        const QString body = u"Share one thing you learned this week \U0001F680"_s;
        const auto added = QCoro::waitFor(center.add({u"quillet.notification.m.d.a"_s,
                                                      title,
                                                      body,
                                                      true,
                                                      {{u"deeplink"_s, u"q://post"_s}}}));
        QVERIFY2(added, qPrintable(added ? QString() : added.error().description));

        QVariantMap shown;
        QTRY_VERIFY(std::ranges::any_of(dunstHistory(), [&](const QVariantMap &entry) {
            shown = entry;
            return entry.value(u"summary"_s).toString() == title;
        }));
        QCOMPARE(shown.value(u"body"_s).toString(), body);
        QCOMPARE(shown.value(u"appname"_s).toString(), u"Quillet"_s);
    }

    void desktopReplacesRequestWithTheSameIdentifier()
    {
        DBusUserNotificationCenter center;
        const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString identifier = u"reminder-"_s + marker;
        QVERIFY(QCoro::waitFor(center.add({identifier, u"first "_s + marker, u"one"_s})));
        QVERIFY(QCoro::waitFor(center.add({identifier, u"second "_s + marker, u"two"_s})));
        QVERIFY(QCoro::waitFor(center.add({u"other-"_s + marker, u"third "_s + marker, u"3"_s})));

        QStringList summaries;
        QTRY_VERIFY((summaries = summariesContaining(dunstHistory(), marker)).size() >= 2);
        summaries.sort();
        QCOMPARE(summaries, (QStringList{u"second "_s + marker, u"third "_s + marker}));
    }

    // A stand-in service on a private bus, to see exactly what is sent.

    void sendsRequestAsNotifyCall_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QString>("sentBody");
        QTest::addColumn<QVariantMap>("hints");

        const QVariantMap entry{{u"desktop-entry"_s, u"com.northwick.quillet.desktop"_s}};
        auto withSound = entry;
        withSound.insert(u"sound-name"_s, u"message-new-instant"_s);
        auto withSoundAndDeeplink = withSound;
        withSoundAndDeeplink.insert(u"x-quillet-deeplink"_s, u"quillet://today?x=1&y=2"_s);

        QTest::newRow("sound and deeplink")
            << QStringList{u"body"_s}
            << Request{u"id"_s,
                       u"Title"_s,
                       u"Body"_s,
                       true,
                       {{u"deeplink"_s, u"quillet://today?x=1&y=2"_s}}}
            << u"Body"_s << withSoundAndDeeplink;
        QTest::newRow("silent, no user information")
            << QStringList{u"body"_s} << Request{u"id"_s, u"Title"_s, u"Body"_s} << u"Body"_s
            << entry;
        QTest::newRow("plain-text service gets the body verbatim")
            << QStringList{u"body"_s}
            << Request{u"id"_s, u"Fish & <chips>"_s, u"a < b & \"c\"\nnext"_s, true}
            << u"a < b & \"c\"\nnext"_s << withSound;
        QTest::newRow("markup service gets the body escaped")
            << QStringList{u"body"_s, u"body-markup"_s}
            << Request{u"id"_s, u"Fish & <chips>"_s, u"a < b & \"c\"\n<b>next</b>"_s, true}
            << u"a &lt; b &amp; &quot;c&quot;\n&lt;b&gt;next&lt;/b&gt;"_s << withSound;
    }
    void sendsRequestAsNotifyCall()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(Request, request);
        QFETCH(QString, sentBody);
        QFETCH(QVariantMap, hints);

        PrivateBus bus;
        QVERIFY(!bus.address().isEmpty());
        Connection serviceConnection(bus.address(), u"service"_s);
        FakeNotificationService service;
        service.capabilities = capabilities;
        QVERIFY(service.registerOn(serviceConnection.get()));
        Connection clientConnection(bus.address(), u"client"_s);
        DBusUserNotificationCenter center(clientConnection.get());

        QCOMPARE(QCoro::waitFor(center.requestAuthorization()), Result<bool>(true));
        QCOMPARE(QCoro::waitFor(center.add(request)), Result<void>());

        QCOMPARE(service.calls.size(), 1);
        const auto &call = service.calls.first();
        QCOMPARE(call.appName, u"Quillet"_s);
        QCOMPARE(call.replacesId, 0u);
        QCOMPARE(call.appIcon, QString());
        QCOMPARE(call.summary, request.title);
        QCOMPARE(call.body, sentBody);
        QCOMPARE(call.actions, QStringList());
        QCOMPARE(call.hints, hints);
        QCOMPARE(call.expireTimeout, -1);
    }

    void sameIdentifierReplacesEvenWhenRequestsOverlap()
    {
        PrivateBus bus;
        QVERIFY(!bus.address().isEmpty());
        Connection serviceConnection(bus.address(), u"service"_s);
        FakeNotificationService service;
        QVERIFY(service.registerOn(serviceConnection.get()));
        Connection clientConnection(bus.address(), u"client"_s);
        DBusUserNotificationCenter center(clientConnection.get());

        QVERIFY(QCoro::waitFor(center.add({u"a"_s, u"A1"_s, u"body"_s})));
        QVERIFY(QCoro::waitFor(center.add({u"b"_s, u"B1"_s, u"body"_s})));
        QVERIFY(QCoro::waitFor(center.add({u"a"_s, u"A2"_s, u"body"_s})));
        // Three requests started together: the second "c" must wait for the first one's id.
        auto c1 = center.add({u"c"_s, u"C1"_s, u"body"_s});
        auto c2 = center.add({u"c"_s, u"C2"_s, u"body"_s});
        auto d1 = center.add({u"d"_s, u"D1"_s, u"body"_s});
        QVERIFY(QCoro::waitFor(c1));
        QVERIFY(QCoro::waitFor(c2));
        QVERIFY(QCoro::waitFor(d1));

        QList<std::pair<QString, uint>> sent;
        for (const auto &call : std::as_const(service.calls))
            sent.append({call.summary, call.replacesId});
        const QList<std::pair<QString, uint>> expected{{u"A1"_s, 0}, {u"B1"_s, 0}, {u"A2"_s, 1},
                                                       {u"C1"_s, 0}, {u"D1"_s, 0}, {u"C2"_s, 3}};
        QCOMPARE(sent, expected);
    }

    void restartedServiceGetsNoStaleIds()
    {
        PrivateBus bus;
        QVERIFY(!bus.address().isEmpty());
        auto serviceConnection = std::make_unique<Connection>(bus.address(), u"service"_s);
        auto service = std::make_unique<FakeNotificationService>();
        QVERIFY(service->registerOn(serviceConnection->get()));
        Connection clientConnection(bus.address(), u"client"_s);
        DBusUserNotificationCenter center(clientConnection.get());
        QVERIFY(QCoro::waitFor(center.add({u"a"_s, u"A1"_s, u"body"_s})));

        // The service goes away and a new one (numbering from 1 again) takes its name.
        QDBusServiceWatcher watcher(DBusUserNotificationCenter::serviceName, clientConnection.get(),
                                    QDBusServiceWatcher::WatchForOwnerChange);
        QSignalSpy ownerChanges(&watcher, &QDBusServiceWatcher::serviceOwnerChanged);
        serviceConnection.reset();
        service.reset();
        Connection restartedConnection(bus.address(), u"restarted"_s);
        FakeNotificationService restarted;
        QVERIFY(restarted.registerOn(restartedConnection.get()));
        QTRY_COMPARE(ownerChanges.size(), 2);

        QVERIFY(QCoro::waitFor(center.add({u"a"_s, u"A2"_s, u"body"_s})));
        QCOMPARE(restarted.calls.size(), 1);
        QCOMPARE(restarted.calls.first().replacesId, 0u);
    }

    void failsWhenNoServiceAnswers_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("no session bus") << u"no bus"_s;
        QTest::newRow("bus without a notification service") << u"no service"_s;
        QTest::newRow("service that never answers") << u"silent service"_s;
    }
    void failsWhenNoServiceAnswers()
    {
        QFETCH(QString, situation);

        PrivateBus bus;
        QVERIFY(!bus.address().isEmpty());
        const QString address =
            situation == u"no bus"_s ? u"unix:path=/nonexistent/quillet-test-bus"_s : bus.address();
        Connection serviceConnection(bus.address(), u"service"_s);
        FakeNotificationService service;
        service.answers = false;
        if (situation == u"silent service"_s)
            QVERIFY(service.registerOn(serviceConnection.get()));
        Connection clientConnection(address, u"client"_s);
        DBusUserNotificationCenter center(clientConnection.get(), 300ms);

        const auto authorization = QCoro::waitFor(center.requestAuthorization());
        QVERIFY(!authorization);
        QVERIFY(authorization.error().is(Failure::serviceUnavailable));
        QVERIFY(!authorization.error().description.isEmpty());
        const auto added = QCoro::waitFor(center.add({u"a"_s, u"A"_s, u"body"_s}));
        QVERIFY(!added);
        QVERIFY(added.error().is(Failure::serviceUnavailable));
    }

    // The scripted centre that other tests use.

    void scriptedCentreHoldsCallsUntilReleased()
    {
        FakeNotificationCenter center;
        center.hold();
        auto authorization = center.requestAuthorization();
        auto first = center.add({u"a"_s, u"A1"_s, u"body"_s});
        auto second = center.add({u"a"_s, u"A2"_s, u"body"_s});
        QCOMPARE(center.waitingCalls(), 3);
        QCOMPARE(center.added.size(), 2);
        QVERIFY(center.shown.isEmpty());

        center.release();
        QCOMPARE(QCoro::waitFor(authorization), Result<bool>(true));
        QVERIFY(QCoro::waitFor(first));
        QVERIFY(QCoro::waitFor(second));
        QCOMPARE(center.shown.size(), 1);
        QCOMPARE(center.shown.value(u"a"_s).title, u"A2"_s);

        center.addResult = fail(Error::service(Failure::requestRejected, u"refused"_s));
        QVERIFY(!QCoro::waitFor(center.add({u"b"_s, u"B"_s, u"body"_s})));
        QCOMPARE(center.added.size(), 3);
        QVERIFY(!center.shown.contains(u"b"_s));
    }
};

QTEST_GUILESS_MAIN(TestUserNotificationCenter)
#include "tst_usernotificationcenter.moc"
