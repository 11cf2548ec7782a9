#include "AnalyticsClient.h"
#include "AppJson.h"
#include "LoopbackServer.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(LoopbackServer::Answer)

namespace {

const AnalyticsClient::Configuration configuration{
    .appID = u"APP-ID"_s, .namespaceName = {}, .defaultUser = u"abc"_s, .salt = {}};

QJsonArray bodyOf(const LoopbackServer::Request &request)
{
    return QJsonDocument::fromJson(request.body).array();
}

QStringList typesIn(const LoopbackServer &server)
{
    QStringList types;
    for (const auto &request : server.requests)
        for (const auto &signal : bodyOf(request))
            types.append(signal[u"type"_s].toString());
    return types;
}

} // namespace

class TestAnalyticsClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendsSignalsInTheServiceFormat()
    {
        LoopbackServer server;
        QNetworkAccessManager network;
        AnalyticsClient client(configuration, &network, server.url(u"/v2/"_s));
        client.send(u"app_opened"_s);
        client.send(u"sync_attempt_failed"_s, {{u"operation"_s, u"delete"_s}});
        QCoro::waitFor(client.flush());

        QCOMPARE(server.requests.size(), 1);
        const auto &request = server.requests.first();
        QCOMPARE(request.path, u"/v2/"_s);
        QCOMPARE(request.headers.value("content-type"), "application/json");
        const QJsonArray signalList = bodyOf(request);
        QCOMPARE(signalList.size(), 2);
        for (const auto &value : signalList) {
            const QJsonObject signal = value.toObject();
            QCOMPARE(signal.keys(),
                     QStringList({u"appID"_s, u"clientUser"_s, u"isTestMode"_s, u"payload"_s,
                                  u"receivedAt"_s, u"sessionID"_s, u"type"_s}));
            QCOMPARE(signal[u"appID"_s].toString(), u"APP-ID"_s);
            // SHA-256 of "abc" (the user identifier with no salt).
            QCOMPARE(signal[u"clientUser"_s].toString(),
                     u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"_s);
            QVERIFY(AppJson::decodeUuid(signal[u"sessionID"_s].toString()));
            QCOMPARE(signal[u"sessionID"_s], signalList[0][u"sessionID"_s]);
            QCOMPARE(signal[u"isTestMode"_s].toString(), u"false"_s);
            QVERIFY(AppJson::decodeDate(signal[u"receivedAt"_s].toString()));
        }
        QCOMPARE(signalList[0][u"type"_s].toString(), u"app_opened"_s);
        QCOMPARE(signalList[0][u"payload"_s].toObject(), QJsonObject());
        QCOMPARE(signalList[1][u"type"_s].toString(), u"sync_attempt_failed"_s);
        QCOMPARE(signalList[1][u"payload"_s].toObject(),
                 QJsonObject({{u"operation"_s, u"delete"_s}}));
        QCOMPARE(client.pendingCount(), 0);
    }

    void ingestionUrl_data()
    {
        QTest::addColumn<QString>("namespaceName");
        QTest::addColumn<QString>("url");
        QTest::newRow("no namespace") << QString() << u"https://nom.telemetrydeck.com/v2/"_s;
        QTest::newRow("namespace")
            << u"team"_s << u"https://nom.telemetrydeck.com/v2/namespace/team/"_s;
        QTest::newRow("namespace that needs escaping")
            << u"a b/c"_s << u"https://nom.telemetrydeck.com/v2/namespace/a%20b%2Fc/"_s;
    }

    void ingestionUrl()
    {
        QFETCH(QString, namespaceName);
        QFETCH(QString, url);
        const QUrl result =
            AnalyticsClient::ingestionUrl(QUrl(AnalyticsClient::defaultEndpoint), namespaceName);
        QCOMPARE(result.toString(QUrl::FullyEncoded), url);
    }

    void answers_data()
    {
        QTest::addColumn<LoopbackServer::Answer>("answer");
        QTest::addColumn<bool>("kept");
        QTest::newRow("200") << LoopbackServer::Answer::withStatus(200) << false;
        QTest::newRow("202") << LoopbackServer::Answer::withStatus(202) << false;
        for (int status : {400, 401, 403, 404, 413, 422, 501, 505})
            QTest::addRow("%d drops the batch", status)
                << LoopbackServer::Answer::withStatus(status) << false;
        for (int status : {408, 429, 500, 503})
            QTest::addRow("%d keeps it", status)
                << LoopbackServer::Answer::withStatus(status) << true;
        QTest::newRow("network failure keeps it")
            << LoopbackServer::Answer::droppingConnection() << true;
    }

    // A batch that may succeed later goes back to the front of the queue, in order.
    void answers()
    {
        QFETCH(LoopbackServer::Answer, answer);
        QFETCH(bool, kept);
        LoopbackServer server;
        server.answers = {answer};
        QNetworkAccessManager network;
        AnalyticsClient client(configuration, &network, server.url(u"/v2/"_s));
        client.send(u"first"_s);
        client.send(u"second"_s);
        QCoro::waitFor(client.flush());
        QCOMPARE(client.pendingCount(), kept ? 2 : 0);

        server.answers = {LoopbackServer::Answer::withStatus(200)};

        client.send(u"third"_s);
        QCoro::waitFor(client.flush());
        QCOMPARE(client.pendingCount(), 0);
        QCOMPARE(bodyOf(server.requests.last()).size(), kept ? 3 : 1);
        if (kept)
            QCOMPARE(typesIn(server).mid(typesIn(server).size() - 3),
                     QStringList({u"first"_s, u"second"_s, u"third"_s}));
    }

    void sendsInTheBackgroundAndGivesUpAfterSomeAttempts()
    {
        LoopbackServer server;
        server.answers = {LoopbackServer::Answer::withStatus(500)};
        QNetworkAccessManager network;
        AnalyticsClient client(configuration, &network, server.url(u"/v2/"_s), 10ms);
        client.send(u"app_opened"_s);
        QCOMPARE(server.requests.size(), 0); // nothing leaves before the timer
        QTRY_COMPARE(client.pendingCount(), 0);
        QCOMPARE(server.requests.size(), AnalyticsClient::maximumAttempts);

        // After the failures the schedule still works for new signals.
        server.answers = {LoopbackServer::Answer::withStatus(200)};
        client.send(u"editor_started"_s);
        QTRY_COMPARE(server.requests.size(), AnalyticsClient::maximumAttempts + 1);
        QTRY_COMPARE(client.pendingCount(), 0);
    }

    void batchesAreBoundedAndTheCacheIsCapped()
    {
        LoopbackServer server;
        QNetworkAccessManager network;
        AnalyticsClient client(configuration, &network, server.url(u"/v2/"_s));
        const qsizetype extra = 20;
        for (qsizetype i = 0; i < AnalyticsClient::maximumCachedSignals + extra; ++i)
            client.send(u"e%1"_s.arg(i));
        QCOMPARE(client.pendingCount(), AnalyticsClient::maximumCachedSignals);

        QCoro::waitFor(client.flush());
        QCOMPARE(server.requests.size(),
                 AnalyticsClient::maximumCachedSignals / AnalyticsClient::maximumBatchSize);
        for (const auto &request : server.requests)
            QCOMPARE(bodyOf(request).size(), AnalyticsClient::maximumBatchSize);
        const QStringList types = typesIn(server);
        QCOMPARE(types.first(), u"e%1"_s.arg(extra)); // the oldest were dropped
        QCOMPARE(types.last(), u"e%1"_s.arg(AnalyticsClient::maximumCachedSignals + extra - 1));
    }
};

QTEST_GUILESS_MAIN(TestAnalyticsClient)
#include "tst_analyticsclient.moc"
