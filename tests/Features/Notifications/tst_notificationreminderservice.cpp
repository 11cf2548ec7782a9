#include "AppTelemetryEvent.h"
#include "DBusUserNotificationCenter.h"
#include "FakeNotificationCenter.h"
#include "NotificationReminderService.h"
#include "TestServer.h"

#include <QCoroTask>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

using Request = UserNotificationCenter::Request;

namespace {

constexpr auto todayPath = "/api/consistency/today"_L1;
constexpr auto identifier = "quillet.notification.member-7.2024-05-01.post_today"_L1;

QByteArray todayAnswer(const QByteArray &localDate, const QByteArray &action,
                       const QByteArray &title = "Time to post",
                       const QByteArray &body = "Share one thing you learned.",
                       const QByteArray &deeplink = "quillet://editor")
{
    return R"({"localDate":")" + localDate + R"(",)" + action + R"("reminder":{"title":")" + title +
           R"(","body":")" + body + R"(","deeplink":")" + deeplink + R"("},"streak":3})";
}

QByteArray todayAnswer(const QByteArray &localDate = "2024-05-01")
{
    return todayAnswer(localDate, R"("action":"post_today",)");
}

LinkedInToken token(const QString &accessToken = u"token-1"_s,
                    const QString &memberID = u"member-7"_s)
{
    LinkedInToken token;
    token.accessToken = accessToken;
    token.profile.memberID = memberID;
    token.profile.name = u"Ada"_s;
    token.connectedAt = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    return token;
}

// One service with its own user-defaults file, scripted centre, server and event log.
struct Fixture {
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(u"defaults.conf"_s)};
    TestServer server;
    FakeNotificationCenter center;
    QList<AppTelemetryEvent> events;
    NotificationReminderService service{
        server.url(), defaults, center,
        [this](AppTelemetryEvent event, const QMap<QString, QString> &parameters) {
            QVERIFY(parameters.isEmpty());
            events.append(event);
        }};

    void sync(std::optional<LinkedInToken> token)
    {
        QCoro::waitFor(service.syncTodayReminder(token));
    }
};

// The notification history of the session's dunst, after closing every shown notification
// (dunst keeps only closed notifications in its history).
QList<QVariantMap> dunstHistory()
{
    auto bus = QDBusConnection::sessionBus();
    bus.call(QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
                                            u"/org/freedesktop/Notifications"_s,
                                            u"org.dunstproject.cmd0"_s, u"NotificationCloseAll"_s));
    const auto reply = bus.call(QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.dunstproject.cmd0"_s, u"NotificationListHistory"_s));
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

} // namespace

class TestNotificationReminderService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void identifierJoinsMemberDateAndAction()
    {
        QCOMPARE(NotificationReminderService::reminderIdentifier(u"M"_s, u"2024-05-01"_s, u"A"_s),
                 u"quillet.notification.M.2024-05-01.A"_s);
    }

    void withoutUsableAccountNothingHappens_data()
    {
        QTest::addColumn<std::optional<LinkedInToken>>("token");

        QTest::newRow("no token") << std::optional<LinkedInToken>();
        QTest::newRow("empty access token") << std::optional(token(QString()));
        QTest::newRow("empty member id") << std::optional(token(u"token-1"_s, QString()));
    }
    void withoutUsableAccountNothingHappens()
    {
        QFETCH(std::optional<LinkedInToken>, token);

        Fixture f;
        f.server.setAnswer("GET", todayPath, TestServer::json(200, todayAnswer()));
        f.sync(token);
        QCOMPARE(f.server.requestCount(), 0);
        QCOMPARE(f.center.authorizationRequests, 0);
        QVERIFY(f.events.isEmpty());
    }

    void showsTodaysReminderOnce()
    {
        Fixture f;
        f.server.setAnswer("GET", todayPath, TestServer::json(200, todayAnswer()));
        f.sync(token());

        QCOMPARE(f.server.requestCount(), 1);
        const auto &request = f.server.requests().at(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer token-1"));
        QCOMPARE(request.query.queryItems().size(), 1);
        const QString timezone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
        QVERIFY(!timezone.isEmpty());
        QCOMPARE(request.queryItem(u"timezone"_s), timezone);

        const Request shown{identifier,
                            u"Time to post"_s,
                            u"Share one thing you learned."_s,
                            true,
                            {{u"deeplink"_s, u"quillet://editor"_s}}};
        QCOMPARE(f.center.added, QList<Request>{shown});
        QVERIFY(f.defaults.boolValue(identifier));
        QVERIFY(f.events.isEmpty());

        // The same reminder again: asked for, not shown.
        f.sync(token());
        QCOMPARE(f.server.requestCount(), 2);
        QCOMPARE(f.center.added.size(), 1);
        QCOMPARE(f.center.authorizationRequests, 1);

        // A new day is a new reminder.
        f.server.setAnswer("GET", todayPath, TestServer::json(200, todayAnswer("2024-05-02")));
        f.sync(token());
        QCOMPARE(f.center.added.size(), 2);
        QCOMPARE(f.center.added.at(1).identifier,
                 u"quillet.notification.member-7.2024-05-02.post_today"_s);
        QVERIFY(f.defaults.boolValue(u"quillet.notification.member-7.2024-05-02.post_today"_s));
    }

    void emptyDeeplinkLeavesNoUserInfo()
    {
        Fixture f;
        f.server.setAnswer(
            "GET", todayPath,
            TestServer::json(200,
                             todayAnswer("2024-05-01", R"("action":"post_today",)", "T", "B", "")));
        f.sync(token());
        QCOMPARE(f.center.added.size(), 1);
        QVERIFY(f.center.added.at(0).userInfo.isEmpty());
    }

    // Nothing to show: no notification, no mark and nothing reported.
    void nothingToShow_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("permitted");
        QTest::addColumn<int>("authorizationRequests");

        QTest::newRow("action missing") << todayAnswer("2024-05-01", "") << true << 0;
        QTest::newRow("action null") << todayAnswer("2024-05-01", R"("action":null,)") << true << 0;
        QTest::newRow("action empty") << todayAnswer("2024-05-01", R"("action":"",)") << true << 0;
        QTest::newRow("empty title")
            << todayAnswer("2024-05-01", R"("action":"a",)", "", "B") << true << 0;
        QTest::newRow("empty body")
            << todayAnswer("2024-05-01", R"("action":"a",)", "T", "") << true << 0;
        QTest::newRow("permission refused") << todayAnswer() << false << 1;
    }
    void nothingToShow()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, permitted);
        QFETCH(int, authorizationRequests);

        Fixture f;
        f.center.authorization = permitted;
        f.server.setAnswer("GET", todayPath, TestServer::json(200, answer));
        f.sync(token());
        QCOMPARE(f.server.requestCount(), 1);
        QCOMPARE(f.center.authorizationRequests, authorizationRequests);
        QVERIFY(f.center.added.isEmpty());
        QVERIFY(f.events.isEmpty());
        QVERIFY(!f.defaults.contains(identifier));

        // No mark was left, so the next call tries (and asks) again.
        f.sync(token());
        QCOMPARE(f.server.requestCount(), 2);
        QCOMPARE(f.center.authorizationRequests, 2 * authorizationRequests);
    }

    // Failures are one usage event each; no mark, so the next call starts over.
    void failuresAreReported_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<Result<bool>>("authorization");
        QTest::addColumn<Result<void>>("addResult");

        const Result<bool> allowed = true;
        const Result<void> added = {};
        const auto centreError =
            Error::service(UserNotificationCenter::Failure::serviceUnavailable, u"no service"_s);

        QTest::newRow("401") << TestServer::json(401, R"({"error":"unauthorized"})") << allowed
                             << added;
        QTest::newRow("500, body not read")
            << TestServer::json(500, todayAnswer()) << allowed << added;
        QTest::newRow("not JSON") << TestServer::text(200, "<html>") << allowed << added;
        QTest::newRow("no reminder")
            << TestServer::json(200, R"({"localDate":"2024-05-01","action":"a"})") << allowed
            << added;
        QTest::newRow("reminder without deeplink")
            << TestServer::json(200, R"({"localDate":"d","action":"a",)"
                                     R"("reminder":{"title":"T","body":"B"}})")
            << allowed << added;
        QTest::newRow("dropped connection") << TestServer::dropConnection() << allowed << added;
        QTest::newRow("authorization failed")
            << TestServer::json(200, todayAnswer()) << Result<bool>(fail(centreError)) << added;
        QTest::newRow("adding failed")
            << TestServer::json(200, todayAnswer()) << allowed << Result<void>(fail(centreError));
    }
    void failuresAreReported()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(Result<bool>, authorization);
        QFETCH(Result<void>, addResult);

        Fixture f;
        f.center.authorization = authorization;
        f.center.addResult = addResult;
        f.server.setAnswer("GET", todayPath, answer);
        f.sync(token());
        QCOMPARE(f.events, QList{AppTelemetryEvent::notificationSyncFailed});
        QVERIFY(f.center.shown.isEmpty());
        QVERIFY(!f.defaults.contains(identifier));

        // Once the server and the centre work again, the reminder is shown.
        f.center.authorization = true;
        f.center.addResult = {};
        f.server.setAnswer("GET", todayPath, TestServer::json(200, todayAnswer()));
        f.sync(token());
        QCOMPARE(f.center.shown.size(), 1);
        QVERIFY(f.defaults.boolValue(identifier));
        QCOMPARE(f.events.size(), 1);
    }

    void baseURLWithoutHostIsReported()
    {
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath(u"defaults.conf"_s));
        FakeNotificationCenter center;
        int failures = 0;
        NotificationReminderService service(
            QUrl(), defaults, center, [&](AppTelemetryEvent event, auto) {
                QCOMPARE(event, AppTelemetryEvent::notificationSyncFailed);
                ++failures;
            });
        QCoro::waitFor(service.syncTodayReminder(token()));
        QCOMPARE(failures, 1);
        QCOMPARE(center.authorizationRequests, 0);
    }

    // The window appearing and the token changing close together: two calls for the same
    // reminder overlap, and it is shown once.
    void overlappingCallsShowTheReminderOnce()
    {
        Fixture f;
        f.server.setAnswer("GET", todayPath, TestServer::json(200, todayAnswer()));
        f.center.hold();
        auto first = f.service.syncTodayReminder(token());
        QTRY_COMPARE(f.center.waitingCalls(), 1);

        auto second = f.service.syncTodayReminder(token());
        QTRY_VERIFY(second.isReady());
        QCOMPARE(f.server.requestCount(), 2);
        QCOMPARE(f.center.waitingCalls(), 1);

        f.center.release();
        QTRY_VERIFY(first.isReady());
        QCOMPARE(f.center.added.size(), 1);
        QVERIFY(f.defaults.boolValue(identifier));
        QVERIFY(f.events.isEmpty());
    }

    // The session's notification daemon shows what the server sent.
    void desktopShowsTheReminder()
    {
        const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QByteArray title = "Time to post " + marker.toLatin1();
        QTemporaryDir dir;
        UserDefaults defaults(dir.filePath(u"defaults.conf"_s));
        TestServer server;
        server.setAnswer(
            "GET", todayPath,
            TestServer::json(200, todayAnswer("2024-05-01", R"("action":"post_today",)", title,
                                              "Share one thing you learned.")));
        DBusUserNotificationCenter center;
        QList<AppTelemetryEvent> events;
        NotificationReminderService service(
            server.url(), defaults, center,
            [&](AppTelemetryEvent event, auto) { events.append(event); });
        QCoro::waitFor(service.syncTodayReminder(token()));
        QVERIFY(events.isEmpty());
        QVERIFY(defaults.boolValue(identifier));

        QVariantMap shown;
        QTRY_VERIFY(std::ranges::any_of(dunstHistory(), [&](const QVariantMap &entry) {
            shown = entry;
            return entry.value(u"summary"_s).toString() == QString::fromLatin1(title);
        }));
        QCOMPARE(shown.value(u"body"_s).toString(), u"Share one thing you learned."_s);
    }
};

QTEST_GUILESS_MAIN(TestNotificationReminderService)
#include "tst_notificationreminderservice.moc"
