#include "Http.h"
#include "SyncedDraftsService.h"
#include "TestServer.h"

#include <QCoroTask>
#include <QNetworkReply>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QUuid draftID = QUuid::fromString(u"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_s);
constexpr auto draftPath = "/api/drafts/E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_L1;
constexpr auto otherPath = "/api/drafts/3F2504E0-4F89-11D3-9A0C-0305E82C3301"_L1;

QDateTime at(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(1'800'000'000 + seconds, Qt::UTC);
}

const Draft draft{draftID, u"Hello \U0001D5EF\U0001D5FC\U0001D5F9\U0001D5F1\nsecond line"_s, at(0),
                  at(60)};

// The headers the HTTP stack adds by itself; anything else was set by the client.
const QSet<QByteArray> transportHeaders{
    "host", "connection", "accept-encoding", "accept-language", "user-agent", "content-length"};

QSet<QByteArray> clientHeaders(const TestServer::Request &request)
{
    QSet<QByteArray> names;
    for (const auto &[name, value] : request.headers) {
        if (!transportHeaders.contains(name.toLower()))
            names.insert(name.toLower());
    }
    return names;
}

enum class Call { List, Upsert, Delete };

// Runs one call and keeps only whether it failed, and how.
std::optional<Error> outcome(SyncedDraftsService &service, Call call)
{
    switch (call) {
    case Call::List: {
        const auto result = QCoro::waitFor(service.listDrafts(u"token"_s));
        return result ? std::nullopt : std::optional(result.error());
    }
    case Call::Upsert: {
        const auto result = QCoro::waitFor(service.upsertDraft(draft, u"token"_s));
        return result ? std::nullopt : std::optional(result.error());
    }
    case Call::Delete: {
        const auto result = QCoro::waitFor(service.deleteDraft(draftID, u"token"_s));
        return result ? std::nullopt : std::optional(result.error());
    }
    }
    Q_UNREACHABLE();
}

// The same answer on the routes of all three calls.
void answerEverything(TestServer &server, const TestServer::Answer &answer)
{
    server.setAnswer("GET", u"/api/drafts"_s, answer);
    server.setAnswer("PUT", draftPath, answer);
    server.setAnswer("DELETE", draftPath, answer);
}

} // namespace

class TestSyncedDraftsService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void callsTheEndpointsAsAgreed_data()
    {
        QTest::addColumn<QString>("basePath");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("authorization");

        QTest::newRow("base URL without a path")
            << QString() << QString() << u"tok-1"_s << QByteArray("Bearer tok-1");
        QTest::newRow("base URL with a path")
            << u"/v1"_s << u"/v1"_s << u"tok-2"_s << QByteArray("Bearer tok-2");
        // "Bearer " is sent; HTTP parsers drop the white space that ends a header value.
        QTest::newRow("base URL with a trailing slash, empty token")
            << u"/v1/"_s << u"/v1"_s << QString() << QByteArray("Bearer");
    }
    void callsTheEndpointsAsAgreed()
    {
        QFETCH(QString, basePath);
        QFETCH(QString, prefix);
        QFETCH(QString, token);
        QFETCH(QByteArray, authorization);

        TestServer server;
        const QString drafts = prefix + u"/api/drafts"_s;
        const QString one = prefix + draftPath;
        server.setAnswer("GET", drafts, TestServer::json(200, R"({"drafts":[]})"));
        server.setAnswer("PUT", one, TestServer::json(200, AppJson::encode(draft.toJson())));
        server.setAnswer("DELETE", one, TestServer::status(204));
        SyncedDraftsService service(server.url(basePath));

        QVERIFY(QCoro::waitFor(service.listDrafts(token)));
        QVERIFY(QCoro::waitFor(service.upsertDraft(draft, token)));
        QVERIFY(QCoro::waitFor(service.deleteDraft(draftID, token)));

        const auto requests = server.requests();
        QCOMPARE(requests.size(), 3);
        const QList<std::pair<QByteArray, QString>> expected{
            {"GET", drafts}, {"PUT", one}, {"DELETE", one}};
        for (qsizetype i = 0; i < 3; ++i) {
            const auto &request = requests.at(i);
            QCOMPARE(std::pair(request.method, request.path), expected.at(i));
            QVERIFY(request.query.isEmpty());
            QCOMPARE(request.header("Authorization"), authorization);
            const QSet<QByteArray> headers = request.method == "PUT"
                                                 ? QSet<QByteArray>{"authorization", "content-type"}
                                                 : QSet<QByteArray>{"authorization"};
            QCOMPARE(clientHeaders(request), headers);
        }
        QVERIFY(requests.at(0).body.isEmpty());
        QVERIFY(requests.at(2).body.isEmpty());

        const auto &put = requests.at(1);
        QCOMPARE(put.header("Content-Type"), QByteArray("application/json"));
        const QJsonObject sent{
            {u"id"_s, u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s},
            {u"body"_s, draft.body},
            {u"createdAt"_s, u"2027-01-15T08:00:00Z"_s},
            {u"updatedAt"_s, u"2027-01-15T08:01:00Z"_s},
        };
        QCOMPARE(put.json(), sent);
    }

    // Every non-2xx answer fails all three calls alike.
    void failingStatusesCarryTheServersMessage_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<QString>("message");

        QTest::newRow("error only") << TestServer::json(500, R"({"error":"x"})") << u"x"_s;
        QTest::newRow("error and description")
            << TestServer::json(500, R"({"error":"x","errorDescription":"y"})") << u"y"_s;
        QTest::newRow("empty description")
            << TestServer::json(422, R"({"error":"x","errorDescription":""})") << QString();
        QTest::newRow("html") << TestServer::text(500, "<html><body>Internal error</body></html>",
                                                  "text/html")
                              << u"Draft sync failed."_s;
        QTest::newRow("empty body") << TestServer::status(401) << u"Draft sync failed."_s;
        QTest::newRow("envelope without error")
            << TestServer::json(403, R"({"errorDescription":"y"})") << u"Draft sync failed."_s;
        QTest::newRow("300 is no success")
            << TestServer::json(300, R"({"error":"choices"})") << u"choices"_s;
        QTest::newRow("redirect nowhere") << TestServer::status(302) << u"Draft sync failed."_s;
    }
    void failingStatusesCarryTheServersMessage()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(QString, message);

        TestServer server;
        answerEverything(server, answer);
        SyncedDraftsService service(server.url());
        for (const Call call : {Call::List, Call::Upsert, Call::Delete}) {
            const auto error = outcome(service, call);
            QVERIFY(error);
            QVERIFY(error->is(SyncedDraftsError::server));
            QCOMPARE(error->description, message);
        }
    }

    void transportFailuresPassThrough_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<QString>("description");

        QTest::newRow("dropped connection") << TestServer::dropConnection() << QString();
        QTest::newRow("cut-off success")
            << TestServer::cutBody(200, R"({"drafts":[], "padding":"............"})") << QString();
        QTest::newRow("time-out") << TestServer::neverAnswer()
                                  << QString(Http::timedOutDescription);
    }
    void transportFailuresPassThrough()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(QString, description);

        TestServer server;
        answerEverything(server, answer);
        SyncedDraftsService service(server.url(), 300ms);
        for (const Call call : {Call::List, Call::Upsert, Call::Delete}) {
            const auto error = outcome(service, call);
            QVERIFY(error);
            QCOMPARE(error->kind, Error::Kind::Transport);
            QVERIFY(!error->description.isEmpty());
            if (!description.isEmpty())
                QCOMPARE(error->description, description);
        }
    }

    void refusedConnectionPassesThrough()
    {
        QUrl base;
        {
            TestServer gone;
            base = gone.url();
        }
        SyncedDraftsService service(base);
        const auto error = outcome(service, Call::List);
        QVERIFY(error);
        QCOMPARE(error->kind, Error::Kind::Transport);
        QCOMPARE(error->code, int(QNetworkReply::ConnectionRefusedError));
    }

    void listsTheServersDrafts_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<Draft>>("drafts");
        QTest::addColumn<QString>("failure"); // part of the decoding error's description

        const QByteArray first =
            R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","body":"one",)"
            R"("createdAt":"2027-01-15T08:00:00Z","updatedAt":"2027-01-15T09:00:00+01:00"})";
        const QByteArray second =
            R"({"id":"3F2504E0-4F89-11D3-9A0C-0305E82C3301","body":"two",)"
            R"("createdAt":"2027-01-15T08:00:00Z","updatedAt":"2027-01-15T08:00:00Z"})";
        const QByteArray notUuid =
            R"({"id":"draft-7","body":"three",)"
            R"("createdAt":"2027-01-15T08:00:00Z","updatedAt":"2027-01-15T08:00:00Z"})";
        const Draft one{draftID, u"one"_s, at(0), at(0)};
        const Draft two{QUuid::fromString(u"3f2504e0-4f89-11d3-9a0c-0305e82c3301"_s), u"two"_s,
                        at(0), at(0)};

        QTest::newRow("empty") << QByteArray(R"({"drafts":[]})") << QList<Draft>() << QString();
        QTest::newRow("in the order received, either case of id")
            << QByteArray(R"({"drafts":[)" + second + "," + first + "]}") << QList<Draft>{two, one}
            << QString();
        QTest::newRow("an id that is no UUID is left out")
            << QByteArray(R"({"drafts":[)" + first + "," + notUuid + "," + second + "]}")
            << QList<Draft>{one, two} << QString();
        QTest::newRow("unknown keys are ignored")
            << QByteArray(R"({"drafts":[)" + first + R"(],"next":null})") << QList<Draft>{one}
            << QString();
        QTest::newRow("no drafts key")
            << QByteArray(R"({"items":[]})") << QList<Draft>() << u"\"drafts\""_s;
        QTest::newRow("fractional seconds reject the whole list")
            << QByteArray(R"({"drafts":[)" + second + "," +
                          QByteArray(first).replace("08:00:00Z", "08:00:00.250Z") + "]}")
            << QList<Draft>() << u"drafts[1].createdAt"_s;
        QTest::newRow("an entry without a body")
            << QByteArray(R"({"drafts":[{"id":"draft-7","createdAt":"2027-01-15T08:00:00Z",)"
                          R"("updatedAt":"2027-01-15T08:00:00Z"}]})")
            << QList<Draft>() << u"drafts[0].body"_s;
        QTest::newRow("an id of the wrong type")
            << QByteArray(
                   R"({"drafts":[)" +
                   QByteArray(first).replace(R"("e621e1f8-c36c-495a-93fc-0c247a3e6e5f")", "7") +
                   "]}")
            << QList<Draft>() << u"drafts[0].id"_s;
        QTest::newRow("not JSON") << QByteArray("<html></html>") << QList<Draft>()
                                  << u"invalid JSON"_s;
    }
    void listsTheServersDrafts()
    {
        QFETCH(QByteArray, body);
        QFETCH(QList<Draft>, drafts);
        QFETCH(QString, failure);

        TestServer server;
        server.setAnswer("GET", u"/api/drafts"_s, TestServer::json(200, body));
        SyncedDraftsService service(server.url());
        const auto result = QCoro::waitFor(service.listDrafts(u"token"_s));

        if (failure.isEmpty()) {
            QVERIFY2(result, qPrintable(result ? QString() : result.error().description));
            QCOMPARE(*result, drafts);
        } else {
            QVERIFY(!result);
            QCOMPARE(result.error().kind, Error::Kind::Decoding);
            QVERIFY2(result.error().description.contains(failure),
                     qPrintable(result.error().description));
        }
    }

    void upsertReturnsTheServersCopy_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<Draft>>("returned"); // nothing: a decoding error

        QTest::newRow("a newer copy wins")
            << QByteArray(
                   R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","body":"edited",)"
                   R"("createdAt":"2027-01-15T08:00:00Z","updatedAt":"2027-01-15T08:05:00Z"})")
            << std::optional(Draft{draftID, u"edited"_s, at(0), at(300)});
        QTest::newRow("an id that is no UUID gives back the sent draft")
            << QByteArray(R"({"id":"42","body":"edited","createdAt":"2027-01-15T08:00:00Z",)"
                          R"("updatedAt":"2027-01-15T08:05:00Z"})")
            << std::optional(draft);
        QTest::newRow("an incomplete answer")
            << QByteArray(R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","body":"edited"})")
            << std::optional<Draft>();
        QTest::newRow("fractional seconds")
            << QByteArray(
                   R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","body":"edited",)"
                   R"("createdAt":"2027-01-15T08:00:00Z","updatedAt":"2027-01-15T08:05:00.1Z"})")
            << std::optional<Draft>();
        QTest::newRow("an empty 200") << QByteArray() << std::optional<Draft>();
    }
    void upsertReturnsTheServersCopy()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<Draft>, returned);

        TestServer server;
        server.setAnswer("PUT", draftPath, TestServer::json(200, body));
        SyncedDraftsService service(server.url());
        const auto result = QCoro::waitFor(service.upsertDraft(draft, u"token"_s));

        if (returned) {
            QVERIFY2(result, qPrintable(result ? QString() : result.error().description));
            QCOMPARE(*result, *returned);
        } else {
            QVERIFY(!result);
            QCOMPARE(result.error().kind, Error::Kind::Decoding);
        }
    }

    void deleteIgnoresTheAnswersBody_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");

        QTest::newRow("204 without body") << TestServer::status(204);
        QTest::newRow("200 with anything") << TestServer::text(200, "gone");
        QTest::newRow("299") << TestServer::json(299, "{");
    }
    void deleteIgnoresTheAnswersBody()
    {
        QFETCH(TestServer::Answer, answer);

        TestServer server;
        server.setAnswer("DELETE", otherPath, answer);
        SyncedDraftsService service(server.url());
        const auto id = QUuid::fromString(u"3f2504e0-4f89-11d3-9a0c-0305e82c3301"_s);
        QVERIFY(QCoro::waitFor(service.deleteDraft(id, u"token"_s)));
    }
};

QTEST_GUILESS_MAIN(TestSyncedDraftsService)
#include "tst_synceddraftsservice.moc"
