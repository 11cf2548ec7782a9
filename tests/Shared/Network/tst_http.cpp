#include "ErrorEnvelope.h"
#include "Http.h"
#include "HttpCancellation.h"
#include "TestServer.h"

#include <QCoroTask>
#include <QNetworkReply>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

Result<HttpResponse> run(HttpRequest request)
{
    return QCoro::waitFor(Http::send(std::move(request)));
}

// Starts `request` and leaves its outcome in `outcome` when it ends.
QCoro::Task<> start(HttpRequest request, std::optional<Result<HttpResponse>> &outcome)
{
    outcome = co_await Http::send(std::move(request));
}

HttpRequest requestTo(const QUrl &url, QByteArray method = "GET")
{
    HttpRequest request;
    request.method = std::move(method);
    request.url = url;
    return request;
}

// Bytes that a text-minded server would mangle: NULs, CR LF, high bytes, a lone boundary.
QByteArray binary(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919 + i / 251) & 0xff);
    return bytes;
}

QByteArray multipartBody(const QByteArray &boundary)
{
    QByteArray body;
    const auto part = [&](const QByteArray &name, const QByteArray &value) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name +
                "\"\r\n\r\n" + value + "\r\n";
    };
    part("commentary", "line one\r\n\r\n--not-the-boundary\r\n\xF0\x9D\x97\x95old");
    part("accessToken", "token");
    part("image", binary(300'000));
    body += "--" + boundary + "--\r\n";
    return body;
}

} // namespace

class TestHttp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void joinsPathsAndQueries_data()
    {
        QTest::addColumn<QUrl>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<Http::QueryItems>("query");
        QTest::addColumn<QByteArray>("expected");

        const Http::QueryItems none;
        QTest::newRow("no base path") << QUrl(u"http://example.test:8080"_s) << u"/api/drafts"_s
                                      << none << QByteArray("http://example.test:8080/api/drafts");
        QTest::newRow("base path stays")
            << QUrl(u"https://example.test/v1"_s) << u"/api/drafts"_s << none
            << QByteArray("https://example.test/v1/api/drafts");
        QTest::newRow("trailing slash on the base")
            << QUrl(u"https://example.test/v1/"_s) << u"/api/drafts"_s << none
            << QByteArray("https://example.test/v1/api/drafts");
        QTest::newRow("base is the root") << QUrl(u"https://example.test/"_s) << u"/api/drafts"_s
                                          << none << QByteArray("https://example.test/api/drafts");
        QTest::newRow("the path decides about a trailing slash")
            << QUrl(u"https://example.test/v1"_s) << u"/api/linkedin/callback/"_s << none
            << QByteArray("https://example.test/v1/api/linkedin/callback/");
        QTest::newRow("path characters are encoded")
            << QUrl(u"https://example.test/v1"_s) << u"/api/a b%"_s << none
            << QByteArray("https://example.test/v1/api/a%20b%25");
        QTest::newRow("query items are set after the path")
            << QUrl(u"https://example.test/v1"_s) << u"/api/linkedin/cli/result"_s
            << Http::QueryItems{{u"state"_s, u"a b&c=d"_s}, {u"wait"_s, u"2"_s}}
            << QByteArray(
                   "https://example.test/v1/api/linkedin/cli/result?state=a%20b%26c%3Dd&wait=2");
        QTest::newRow("a plus in a value stays a plus")
            << QUrl(u"https://example.test"_s) << u"/api/consistency/today"_s
            << Http::QueryItems{{u"timezone"_s, u"Etc/GMT+2"_s}}
            << QByteArray("https://example.test/api/consistency/today?timezone=Etc%2FGMT%2B2");
        QTest::newRow("query items replace the base's query")
            << QUrl(u"https://example.test/v1?old=1"_s) << u"/p"_s
            << Http::QueryItems{{u"new"_s, u"2"_s}}
            << QByteArray("https://example.test/v1/p?new=2");
    }
    void joinsPathsAndQueries()
    {
        QFETCH(QUrl, base);
        QFETCH(QString, path);
        QFETCH(Http::QueryItems, query);
        QFETCH(QByteArray, expected);
        QCOMPARE(Http::url(base, path, query).toEncoded(), expected);
    }

    void readsTheErrorEnvelope_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QString>>("message");

        QTest::newRow("error only") << QByteArray(R"({"error":"x"})") << std::optional(u"x"_s);
        QTest::newRow("description wins")
            << QByteArray(R"({"error":"x","errorDescription":"y"})") << std::optional(u"y"_s);
        QTest::newRow("empty description still wins")
            << QByteArray(R"({"error":"x","errorDescription":""})") << std::optional(QString());
        QTest::newRow("null description counts as missing")
            << QByteArray(R"({"error":"x","errorDescription":null})") << std::optional(u"x"_s);
        QTest::newRow("extra keys are ignored")
            << QByteArray(R"({"error":"x","status":500})") << std::optional(u"x"_s);
        QTest::newRow("error missing")
            << QByteArray(R"({"errorDescription":"y"})") << std::optional<QString>();
        QTest::newRow("error not a string")
            << QByteArray(R"({"error":5})") << std::optional<QString>();
        QTest::newRow("description not a string")
            << QByteArray(R"({"error":"x","errorDescription":5})") << std::optional<QString>();
        QTest::newRow("html") << QByteArray("<html><body>Bad gateway</body></html>")
                              << std::optional<QString>();
        QTest::newRow("empty") << QByteArray() << std::optional<QString>();
        QTest::newRow("array") << QByteArray(R"(["x"])") << std::optional<QString>();
    }
    void readsTheErrorEnvelope()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QString>, message);
        QCOMPARE(ErrorEnvelope::message(body), message);
        QCOMPARE(ErrorEnvelope::message(body, u"fallback"_s), message.value_or(u"fallback"_s));
    }

    void sendsTheRequestAsGiven_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("json") << QByteArray("application/json")
                              << QByteArray(R"({"body":"caf\u00e9 \ud835\uddd5"})");
        QTest::newRow("8 MiB of binary")
            << QByteArray("application/octet-stream") << binary(8 * 1024 * 1024);
        QTest::newRow("multipart form") << QByteArray("multipart/form-data; boundary=Boundary-6F1C")
                                        << multipartBody("Boundary-6F1C");
    }
    void sendsTheRequestAsGiven()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);

        TestServer server;
        QVERIFY(server.isListening());
        server.setAnswer("POST", u"/base/api/thing"_s,
                         TestServer::json(201, R"({"ok":true})").withHeader("X-Answer", "yes"));

        auto request = requestTo(
            Http::url(server.url(u"/base"_s), u"/api/thing"_s, {{u"timezone"_s, u"Etc/GMT+2"_s}}),
            "POST");
        request.setHeader(HttpRequest::contentTypeHeader, contentType);
        request.setBearerToken(u"secret-token"_s);
        request.body = body;
        const auto response = run(request);

        QVERIFY(response);
        QCOMPARE(response->status, 201);
        QCOMPARE(response->body, QByteArray(R"({"ok":true})"));
        QCOMPARE(response->header("x-answer"), QByteArray("yes"));

        QCOMPARE(server.requestCount(), 1);
        const auto &received = server.requests().at(0);
        QCOMPARE(received.method, QByteArray("POST"));
        QCOMPARE(received.path, u"/base/api/thing"_s);
        QCOMPARE(received.queryItem(u"timezone"_s), u"Etc/GMT+2"_s);
        QCOMPARE(received.header("Authorization"), QByteArray("Bearer secret-token"));
        QCOMPARE(received.header("Content-Type"), contentType);
        QCOMPARE(received.body.size(), body.size());
        QVERIFY(received.body == body);
    }

    // Qt flags a failing status as a reply error too; it is still an answer.
    void everyStatusIsAnAnswer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("204 without body") << 204 << QByteArray();
        QTest::newRow("299") << 299 << QByteArray("{}");
        QTest::newRow("300") << 300 << QByteArray("<html>choices</html>");
        QTest::newRow("redirect without location") << 302 << QByteArray();
        QTest::newRow("401 without challenge") << 401 << QByteArray(R"({"error":"unauthorized"})");
        QTest::newRow("404") << 404 << QByteArray(R"({"error":"not_found"})");
        QTest::newRow("422") << 422 << QByteArray(R"({"error":"x","errorDescription":"y"})");
        QTest::newRow("500 with html") << 500 << QByteArray("<html>oops</html>");
        QTest::newRow("503 empty") << 503 << QByteArray();
    }
    void everyStatusIsAnAnswer()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);

        TestServer server;
        server.setAnswer("GET", u"/x"_s, TestServer::json(status, body));
        const auto response = run(requestTo(server.url(u"/x"_s)));

        QVERIFY2(response, qPrintable(response ? QString() : response.error().description));
        QCOMPARE(response->status, status);
        QCOMPARE(response->body, body);
    }

    void transportFailuresAreErrors_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<qint64>("maxResponseSize");
        QTest::addColumn<QString>("description"); // empty: whatever the network stack says

        const qint64 standard = HttpRequest::defaultMaxResponseSize;
        QTest::newRow("connection dropped")
            << TestServer::dropConnection() << standard << QString();
        QTest::newRow("body cut off after a 200")
            << TestServer::cutBody(200, R"({"drafts":[{"id":"long enough to cut"}]})") << standard
            << QString();
        QTest::newRow("no answer within the time-out")
            << TestServer::neverAnswer() << standard << QString(Http::timedOutDescription);
        QTest::newRow("body larger than allowed")
            << TestServer::text(200, QByteArray(4096, 'x')) << qint64(1024)
            << u"The response is larger than 1024 bytes."_s;
        // Without a length the body is read until the server closes; the limit still holds.
        QTest::newRow("body without a length larger than allowed")
            << TestServer::text(200, QByteArray(4096, 'x')).withHeader("Content-Length", "")
            << qint64(1024) << u"The response is larger than 1024 bytes."_s;
    }
    void transportFailuresAreErrors()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(qint64, maxResponseSize);
        QFETCH(QString, description);

        TestServer server;
        server.setAnswer("GET", u"/x"_s, answer);
        auto request = requestTo(server.url(u"/x"_s));
        // Short only where the time-out is the point, so a busy machine cannot turn the
        // other rows into time-outs.
        request.timeout = answer.ending == TestServer::Answer::Ending::NeverAnswer ? 300ms : 10s;
        request.maxResponseSize = maxResponseSize;
        const auto response = run(request);

        QVERIFY(!response);
        QCOMPARE(response.error().kind, Error::Kind::Transport);
        QVERIFY(!response.error().description.isEmpty());
        if (!description.isEmpty())
            QCOMPARE(response.error().description, description);
    }

    void refusedConnectionKeepsTheStacksDescription()
    {
        QUrl url;
        {
            TestServer gone;
            url = gone.url(u"/x"_s);
        }
        const auto response = run(requestTo(url));
        QVERIFY(!response);
        QCOMPARE(response.error().kind, Error::Kind::Transport);
        QCOMPARE(response.error().code, int(QNetworkReply::ConnectionRefusedError));
        QCOMPARE(response.error().description, u"Connection refused"_s);
    }

    // The time-out counts silence, not the whole exchange.
    void aSlowButTimelyAnswerArrives()
    {
        TestServer server;
        server.setAnswer("GET", u"/x"_s, TestServer::json(200, "{}").after(150ms));
        auto request = requestTo(server.url(u"/x"_s));
        request.timeout = 5s;
        const auto response = run(request);
        QVERIFY(response);
        QCOMPARE(response->status, 200);
    }

    void aLateAnswerToAGoneClientIsDropped()
    {
        TestServer server;
        server.enqueue("GET", u"/x"_s, TestServer::json(200, "{}").after(200ms));
        server.enqueue("GET", u"/x"_s, TestServer::json(200, R"({"second":true})").after(400ms));
        auto impatient = requestTo(server.url(u"/x"_s));
        impatient.timeout = 50ms;
        QVERIFY(!run(impatient));

        // The second answer is due after the first one was written into the void.
        const auto response = run(requestTo(server.url(u"/x"_s)));
        QVERIFY(response);
        QCOMPARE(response->body, QByteArray(R"({"second":true})"));
    }

    void redirectsKeepCredentialsOnTheirOrigin_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("otherHost");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("followedWith");
        QTest::addColumn<bool>("keepsAuthorization");
        QTest::addColumn<bool>("hasBody");

        QTest::newRow("same origin")
            << 302 << false << QByteArray("GET") << QByteArray("GET") << true << false;
        QTest::newRow("other host")
            << 302 << true << QByteArray("GET") << QByteArray("GET") << false << false;
        QTest::newRow("307 to another host keeps the method")
            << 307 << true << QByteArray("DELETE") << QByteArray("DELETE") << false << false;
        QTest::newRow("303 continues with GET")
            << 303 << false << QByteArray("POST") << QByteArray("GET") << true << true;
        QTest::newRow("302 after a POST drops the body before another host")
            << 302 << true << QByteArray("POST") << QByteArray("GET") << false << true;
        QTest::newRow("307 keeps the body on its origin")
            << 307 << false << QByteArray("PUT") << QByteArray("PUT") << true << true;
    }
    void redirectsKeepCredentialsOnTheirOrigin()
    {
        QFETCH(int, status);
        QFETCH(bool, otherHost);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, followedWith);
        QFETCH(bool, keepsAuthorization);
        QFETCH(bool, hasBody);

        TestServer origin;
        TestServer elsewhere(QHostAddress(u"127.0.0.2"_s));
        QVERIFY(elsewhere.isListening());
        TestServer &target = otherHost ? elsewhere : origin;
        origin.setAnswer(method, u"/start"_s, TestServer::redirect(status, target.url(u"/end"_s)));
        target.setAnswer(followedWith, u"/end"_s, TestServer::json(200, R"({"arrived":true})"));

        auto request = requestTo(origin.url(u"/start"_s), method);
        request.setBearerToken(u"secret-token"_s);
        if (hasBody)
            request.setJsonBody(R"({"a":1})");
        const auto response = run(request);

        QVERIFY(response);
        QCOMPARE(response->status, 200);
        QCOMPARE(response->url, target.url(u"/end"_s));
        const auto arrived = target.requests(followedWith, u"/end"_s);
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(arrived.at(0).hasHeader("Authorization"), keepsAuthorization);
        QCOMPARE(arrived.at(0).body, followedWith == method ? request.body : QByteArray());
        QCOMPARE(arrived.at(0).hasHeader("Content-Type"), followedWith == method && hasBody);
    }

    // A body may carry credentials of its own (the post form holds the access token), so a
    // redirect that would resend it to another origin is the answer, and nothing goes there.
    void aBodyNeverFollowsARedirectToAnotherOrigin_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("method");

        QTest::newRow("307 PUT") << 307 << QByteArray("PUT");
        QTest::newRow("308 POST") << 308 << QByteArray("POST");
        QTest::newRow("307 DELETE with a body") << 307 << QByteArray("DELETE");
    }
    void aBodyNeverFollowsARedirectToAnotherOrigin()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, method);

        TestServer origin;
        TestServer elsewhere(QHostAddress(u"127.0.0.2"_s));
        QVERIFY(elsewhere.isListening());
        origin.setAnswer(method, u"/start"_s,
                         TestServer::redirect(status, elsewhere.url(u"/end"_s)));
        elsewhere.setAnswer(method, u"/end"_s, TestServer::json(200, R"({"arrived":true})"));

        auto request = requestTo(origin.url(u"/start"_s), method);
        request.setJsonBody(R"({"accessToken":"secret-token"})");
        const auto response = run(request);

        QVERIFY(response);
        QCOMPARE(response->status, status);
        QCOMPARE(elsewhere.requestCount(), 0);
    }

    void endlessRedirectsFail()
    {
        TestServer server;
        server.setAnswer("GET", u"/loop"_s, TestServer::redirect(302, server.url(u"/loop"_s)));
        const auto response = run(requestTo(server.url(u"/loop"_s)));
        QVERIFY(!response);
        QCOMPARE(response.error().description, QString(Http::tooManyRedirectsDescription));
        QCOMPARE(server.requestCount(), Http::maxRedirects + 1);
    }

    void cancellationEndsTheRequest_data()
    {
        QTest::addColumn<int>("cancelAfterRequests"); // -1: once the answer is in
        QTest::addColumn<bool>("redirected");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("cancelled");

        QTest::newRow("before sending: nothing is sent") << 0 << false << 0 << true;
        QTest::newRow("while waiting for the answer") << 1 << false << 1 << true;
        QTest::newRow("while waiting at a redirect's target") << 2 << true << 2 << true;
        QTest::newRow("after the answer: no effect") << -1 << false << 1 << false;
    }
    void cancellationEndsTheRequest()
    {
        QFETCH(int, cancelAfterRequests);
        QFETCH(bool, redirected);
        QFETCH(int, requests);
        QFETCH(bool, cancelled);

        TestServer server;
        const auto silent = TestServer::neverAnswer();
        server.setAnswer("GET", u"/x"_s,
                         redirected                ? TestServer::redirect(302, server.url(u"/y"_s))
                         : cancelAfterRequests < 0 ? TestServer::json(200, "{}")
                                                   : silent);
        server.setAnswer("GET", u"/y"_s, silent);
        auto request = requestTo(server.url(u"/x"_s));
        request.cancellation = std::make_shared<HttpCancellation>();
        if (cancelAfterRequests == 0)
            request.cancellation->cancel();
        const auto cancellation = request.cancellation;

        std::optional<Result<HttpResponse>> outcome;
        const auto task = start(request, outcome);
        if (cancelAfterRequests < 0)
            QTRY_VERIFY(outcome);
        else if (cancelAfterRequests > 0)
            QVERIFY(server.waitForRequests(cancelAfterRequests));
        cancellation->cancel();
        QTRY_VERIFY(outcome);

        QCOMPARE(server.requestCount(), requests);
        if (!cancelled) {
            QVERIFY(*outcome);
            QCOMPARE((*outcome)->status, 200);
            return;
        }
        QVERIFY(!*outcome);
        QCOMPARE(outcome->error().kind, Error::Kind::Transport);
        QCOMPARE(outcome->error().code, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(outcome->error().description, QString(Http::cancelledDescription));
        // The connection waiting for the answer is closed, not left to the time-out.
        if (cancelAfterRequests > 0)
            QTRY_VERIFY(!server.isConnectionOpen(server.requestCount() - 1));
    }
};

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
