#include "AppTelemetry.h"
#include "LoopbackServer.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

AppConfiguration::Observability observability(const QString &appID, const QString &namespaceName)
{
    AppConfiguration::Observability result;
    result.telemetryDeckAppID = appID;
    result.telemetryDeckNamespace = namespaceName;
    return result;
}

QJsonArray signalsIn(const LoopbackServer &server)
{
    QJsonArray all;
    for (const auto &request : server.requests)
        for (const auto &signal : QJsonDocument::fromJson(request.body).array())
            all.append(signal);
    return all;
}

} // namespace

// The order matters: telemetry is started once per process, so the tests that find it off
// run before the one that starts it.
class TestAppTelemetry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wireNames()
    {
        QStringList names;
        for (const AppTelemetryEvent event : allAppTelemetryEvents)
            names.append(wireName(event));
        QCOMPARE(names, QStringList({
                            u"app_opened"_s,
                            u"insight_opened"_s,
                            u"editor_started"_s,
                            u"draft_saved"_s,
                            u"notification_sync_failed"_s,
                            u"linkedin_connect_started"_s,
                            u"linkedin_connected"_s,
                            u"account_deleted"_s,
                            u"post_started"_s,
                            u"post_succeeded"_s,
                            u"post_failed"_s,
                            u"sync_queue_length"_s,
                            u"sync_attempt_succeeded"_s,
                            u"sync_attempt_failed"_s,
                            u"feedback_opened"_s,
                            u"feedback_sent"_s,
                        }));
    }

    void clientConfiguration_data()
    {
        QTest::addColumn<QString>("appID");
        QTest::addColumn<QString>("namespaceName");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("expectedAppID");
        QTest::addColumn<QString>("expectedNamespace");
        QTest::newRow("empty id") << QString() << u"team"_s << false << QString() << QString();
        QTest::newRow("id of spaces and line breaks")
            << u" \n\t\r\n "_s << u"team"_s << false << QString() << QString();
        QTest::newRow("id and namespace are trimmed")
            << u"\n APP-ID \t"_s << u"  team\n"_s << true << u"APP-ID"_s << u"team"_s;
        QTest::newRow("blank namespace means none")
            << u"APP-ID"_s << u" \n "_s << true << u"APP-ID"_s << QString();
    }

    void clientConfiguration()
    {
        QFETCH(QString, appID);
        QFETCH(QString, namespaceName);
        QFETCH(bool, on);
        QFETCH(QString, expectedAppID);
        QFETCH(QString, expectedNamespace);
        const QUuid user = QUuid::createUuid();
        const auto configuration =
            AppTelemetry::clientConfiguration(observability(appID, namespaceName), user);
        QCOMPARE(configuration.has_value(), on);
        if (!on)
            return;
        QCOMPARE(configuration->appID, expectedAppID);
        QCOMPARE(configuration->namespaceName, expectedNamespace);
        QCOMPARE(configuration->defaultUser, user.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(configuration->salt, QString());
    }

    void staysOffForABlankApplicationID()
    {
        LoopbackServer server;
        AppTelemetry::start(observability(u" \n\t "_s, u"team"_s), server.url(u"/v2/"_s));
        QVERIFY(!AppTelemetry::isConfigured());
        AppTelemetry::track(AppTelemetryEvent::appOpened);
        AppTelemetry::function()(AppTelemetryEvent::draftSaved, {});
        QCoro::waitFor(AppTelemetry::flush());
        QCOMPARE(server.requests.size(), 0);
    }

    // Events recorded while telemetry was off were dropped, not kept for later.
    void eventsReachTheEndpointAfterStart()
    {
        LoopbackServer server;
        AppTelemetry::start(observability(u" APP-ID\n"_s, u"team"_s), server.url(u"/v2/"_s));
        QVERIFY(AppTelemetry::isConfigured());
        AppTelemetry::track(AppTelemetryEvent::appOpened);
        AppTelemetry::track(AppTelemetryEvent::syncQueueLength, {{u"count"_s, u"0"_s}});
        AppTelemetry::function()(AppTelemetryEvent::syncAttemptSucceeded,
                                 {{u"operation"_s, u"upsert"_s}});
        QCoro::waitFor(AppTelemetry::flush());

        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.first().path, u"/v2/namespace/team/"_s);
        const QJsonArray sent = signalsIn(server);
        QCOMPARE(sent.size(), 3);
        const QList<std::pair<QString, QJsonObject>> expected = {
            {u"app_opened"_s, {}},
            {u"sync_queue_length"_s, {{u"count"_s, u"0"_s}}},
            {u"sync_attempt_succeeded"_s, {{u"operation"_s, u"upsert"_s}}},
        };
        for (qsizetype i = 0; i < sent.size(); ++i) {
            QCOMPARE(sent[i][u"appID"_s].toString(), u"APP-ID"_s);
            QCOMPARE(sent[i][u"type"_s].toString(), expected[i].first);
            QCOMPARE(sent[i][u"payload"_s].toObject(), expected[i].second);
        }
    }

    void everyLaunchHasItsOwnUser()
    {
        LoopbackServer server;
        for (int launch = 0; launch < 2; ++launch) {
            QProcess helper;
            helper.start(QStringLiteral(OBSERVABILITY_HELPER),
                         {u"telemetry"_s, server.url(u"/v2/"_s).toString()});
            QVERIFY(helper.waitForStarted());
            QTRY_COMPARE(helper.state(), QProcess::NotRunning);
            QCOMPARE(helper.exitCode(), 0);
        }
        const QJsonArray sent = signalsIn(server);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0][u"type"_s].toString(), u"app_opened"_s);
        QVERIFY(!sent[0][u"clientUser"_s].toString().isEmpty());
        QVERIFY(sent[0][u"clientUser"_s] != sent[1][u"clientUser"_s]);
        QVERIFY(sent[0][u"sessionID"_s] != sent[1][u"sessionID"_s]);
    }
};

QTEST_GUILESS_MAIN(TestAppTelemetry)
#include "tst_apptelemetry.moc"
