#include "LinkedInAuthError.h"
#include "LinkedInAuthService.h"
#include "TestServer.h"

#include <QQueue>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A sign-in sheet that ends at once with the next scripted outcome, and records how it was
// started.
class ScriptedSheet final : public WebAuthenticationSession {
public:
    struct Start {
        QUrl url;
        QString callbackScheme;
        bool ephemeral = false;
    };

    QQueue<Result<QUrl>> outcomes;
    QList<Start> starts;

    QCoro::Task<Result<QUrl>> start(QUrl url, QString callbackScheme, bool ephemeral) override
    {
        starts.append({url, callbackScheme, ephemeral});
        co_return outcomes.isEmpty() ? Result<QUrl>(QUrl()) : outcomes.dequeue();
    }
};

class RecordingTokenStore final : public LinkedInTokenStore {
public:
    QList<LinkedInToken> saved;
    std::optional<LinkedInToken> load() override
    {
        return saved.isEmpty() ? std::nullopt : std::optional(saved.last());
    }
    void save(const LinkedInToken &token) override { saved.append(token); }
    void clear() override {}
    void clearAccountDeletionData() override {}
};

const auto scheme = u"quillet-test"_s;
const auto flowState = u"flow state+1"_s;
const QByteArray tokenJson =
    R"({"accessToken":"fake-access-token","tokenType":"Bearer","expiresIn":3600,)"
    R"("profile":{"memberId":"member-1","name":"Ada Example"},)"
    R"("connectedAt":"2026-12-11T04:11:20Z"})";
const QByteArray pending = R"({"status":"pending"})";
const QByteArray done = R"({"status":"done","httpStatus":200,"token":)" + tokenJson + "}";

QByteArray startBody(const QUrl &authURL, const QByteArray &omit = {})
{
    QJsonObject json{{u"authUrl"_s, authURL.toString()},
                     {u"state"_s, flowState},
                     {u"redirectUri"_s, u"https://api.example.com/api/linkedin/callback"_s},
                     {u"pollUrl"_s, u"https://api.example.com/api/linkedin/cli/result"_s}};
    json.remove(QString::fromLatin1(omit));
    return AppJson::encode(json);
}

// The description of a failed result, for messages of checks that want a success.
template<typename T> QString failureText(const Result<T> &result)
{
    return result ? QString() : result.error().description;
}

} // namespace

class TestLinkedInAuthService : public QObject {
    Q_OBJECT

private:
    std::optional<TestServer> m_server;
    ScriptedSheet m_sheet;
    RecordingTokenStore m_tokenStore;
    std::optional<LinkedInAuthService> m_service;

    [[nodiscard]] QUrl authURL() const { return m_server->url(u"/oauth/authorize"_s); }

    Result<LinkedInToken> signIn() { return QCoro::waitFor(m_service->signIn()); }

    [[nodiscard]] QList<TestServer::Request> resultRequests() const
    {
        return m_server->requests("GET", u"/api/linkedin/cli/result"_s);
    }

    void verifyNoAuthorizationHeader() const
    {
        for (const auto &request : m_server->requests())
            QVERIFY2(!request.hasHeader("Authorization"), qPrintable(request.path));
    }

private Q_SLOTS:
    void init()
    {
        m_server.emplace();
        QVERIFY(m_server->isListening());
        m_sheet.outcomes.clear();
        m_sheet.starts.clear();
        m_tokenStore.saved.clear();
        // A base path, so that every address is seen to keep it.
        m_service.emplace(m_server->url(u"/base"_s), scheme, m_tokenStore, m_sheet);
    }

    void signInOpensTheSheetPollsAndSavesTheToken()
    {
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::json(200, startBody(authURL())));
        m_server->enqueue("GET", u"/base/api/linkedin/cli/result"_s,
                          TestServer::json(200, pending));
        m_server->enqueue("GET", u"/base/api/linkedin/cli/result"_s, TestServer::json(200, done));

        const auto token = signIn();
        QVERIFY2(token, qPrintable(failureText(token)));
        QCOMPARE(token->accessToken, u"fake-access-token"_s);
        QCOMPARE(token->profile.memberID, u"member-1"_s);
        QCOMPARE(m_tokenStore.saved, QList{*token});

        QCOMPARE(m_sheet.starts.size(), 1);
        QCOMPARE(m_sheet.starts[0].url, authURL());
        QCOMPARE(m_sheet.starts[0].callbackScheme, scheme);
        QCOMPARE(m_sheet.starts[0].ephemeral, false);

        const auto results = m_server->requests("GET", u"/base/api/linkedin/cli/result"_s);
        QCOMPARE(results.size(), 2);
        for (const auto &request : results) {
            QCOMPARE(
                request.query.queryItems(QUrl::FullyDecoded),
                (QList<std::pair<QString, QString>>{{u"state"_s, flowState}, {u"wait"_s, u"2"_s}}));
        }
        QCOMPARE(m_server->requestCount(), 3);
        verifyNoAuthorizationHeader();
    }

    void startFailures_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("message");

        const QByteArray json = "application/json";
        QTest::newRow("no pollUrl") << QByteArray("200") << QByteArray("omit:pollUrl") << json
                                    << u"missing key \"pollUrl\""_s;
        QTest::newRow("no state") << QByteArray("200") << QByteArray("omit:state") << json
                                  << u"missing key \"state\""_s;
        QTest::newRow("authUrl no address")
            << QByteArray("200")
            << QByteArray("{\"authUrl\":\"\",\"state\":\"s\",\"redirectUri\":\"https://a.example/"
                          "cb\",\"pollUrl\":\"p\"}")
            << json << u"invalid URL \"\" for key \"authUrl\""_s;
        QTest::newRow("authUrl not a web page")
            << QByteArray("200")
            << QByteArray(
                   "{\"authUrl\":\"file:///etc/passwd\",\"state\":\"s\",\"redirectUri\":\"https://"
                   "a.example/cb\",\"pollUrl\":\"p\"}")
            << json
            << u"invalid URL \"file:///etc/passwd\" for key \"authUrl\": expected http or https"_s;
        QTest::newRow("redirectUri invalid")
            << QByteArray("200")
            << QByteArray("{\"authUrl\":\"https://a.example/"
                          "auth\",\"state\":\"s\",\"redirectUri\":\"http://exa "
                          "mple.com/cb\",\"pollUrl\":\"p\"}")
            << json << u"invalid URL \"http://exa mple.com/cb\" for key \"redirectUri\""_s;
        QTest::newRow("envelope with description")
            << QByteArray("503")
            << QByteArray(R"({"error":"unavailable","errorDescription":"Try later."})") << json
            << u"Try later."_s;
        QTest::newRow("html error page")
            << QByteArray("502") << QByteArray("<html>Bad gateway</html>")
            << QByteArray("text/html") << u"Request failed with status 502."_s;
    }
    void startFailures()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, message);

        if (body.startsWith("omit:"))
            body = startBody(authURL(), body.mid(5));
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::text(status.toInt(), body, contentType));

        const auto token = signIn();
        QVERIFY(!token);
        QCOMPARE(token.error().description, message);
        QVERIFY(m_sheet.starts.isEmpty());
        QCOMPARE(m_server->requestCount(), 1);
        QVERIFY(m_tokenStore.saved.isEmpty());
    }

    // Which callbacks that end the sheet are handed on to the server before polling.
    void callbackForwarding_data()
    {
        QTest::addColumn<QString>("callback");    // "<origin>" stands for the test server's origin
        QTest::addColumn<QString>("forwardedTo"); // empty: nothing forwarded

        QTest::newRow("no callback URL") << QString() << QString();
        QTest::newRow("the server's callback")
            << u"<origin>/api/linkedin/callback?code=c%2B1&state=s"_s
            << u"<origin>/api/linkedin/callback?code=c%2B1&state=s"_s;
        QTest::newRow("the server's callback under the app's scheme")
            << u"quillet-test://127.0.0.1/api/linkedin/callback?code=c1&state=s"_s
            << u"<origin>/api/linkedin/callback?code=c1&state=s"_s;
        QTest::newRow("trailing slash")
            << u"<origin>/api/linkedin/callback/?code=c1"_s << QString();
        QTest::newRow("another path") << u"quillet-test://linkedin/callback?state=s"_s << QString();
        QTest::newRow("another host")
            << u"http://127.0.0.2:1/api/linkedin/callback?code=c1"_s << QString();
    }
    void callbackForwarding()
    {
        QFETCH(QString, callback);
        QFETCH(QString, forwardedTo);

        const QString origin = m_server->url().toString();
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::json(200, startBody(authURL())));
        m_server->setAnswer("GET", u"/api/linkedin/callback"_s,
                            TestServer::text(200, "<p>ok</p>", "text/html"));
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/result"_s, TestServer::json(200, done));
        m_sheet.outcomes.enqueue(QUrl(callback.replace(u"<origin>"_s, origin)));

        const auto token = signIn();
        QVERIFY2(token, qPrintable(failureText(token)));

        const auto &requests = m_server->requests();
        QStringList paths;
        for (const auto &request : requests)
            paths.append(request.path);
        if (forwardedTo.isEmpty()) {
            QCOMPARE(paths, (QStringList{u"/base/api/linkedin/cli/start"_s,
                                         u"/base/api/linkedin/cli/result"_s}));
        } else {
            QCOMPARE(paths,
                     (QStringList{u"/base/api/linkedin/cli/start"_s, u"/api/linkedin/callback"_s,
                                  u"/base/api/linkedin/cli/result"_s}));
            QCOMPARE(requests[1].url.toString(QUrl::FullyEncoded),
                     forwardedTo.replace(u"<origin>"_s, origin));
        }
        verifyNoAuthorizationHeader();
    }

    void aFailedForwardEndsTheSignIn()
    {
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::json(200, startBody(authURL())));
        m_server->setAnswer("GET", u"/api/linkedin/callback"_s,
                            TestServer::json(400, R"({"error":"invalid_state"})"));
        m_sheet.outcomes.enqueue(m_server->url(u"/api/linkedin/callback"_s));

        const auto token = signIn();
        QVERIFY(!token);
        QVERIFY(token.error().is(LinkedInAuthError::server));
        QCOMPARE(token.error().description, u"invalid_state"_s);
        QCOMPARE(m_server->requestCount(), 2);
    }

    void pollingOutcomes_data()
    {
        QTest::addColumn<int>("pendings");
        QTest::addColumn<QByteArray>("last"); // empty: pending answers only
        QTest::addColumn<QString>("error");   // empty: success

        QTest::newRow("done on the 45th request") << 44 << done << QString();
        QTest::newRow("45 pendings time out")
            << 45 << QByteArray() << u"LinkedIn authorization timed out."_s;
        QTest::newRow("done without a token")
            << 0 << QByteArray(R"({"status":"done"})") << u"LinkedIn token is missing."_s;
        QTest::newRow("Done with a capital letter")
            << 1 << QByteArray(R"({"status":"Done","token":)" + tokenJson + "}")
            << u"Unexpected LinkedIn authorization status."_s;
        QTest::newRow("error without texts")
            << 0 << QByteArray(R"({"status":"error"})") << u"LinkedIn authorization failed."_s;
        QTest::newRow("error with a code")
            << 0 << QByteArray(R"({"status":"error","error":"access_denied","upstreamBody":"x"})")
            << u"access_denied"_s;
        QTest::newRow("error with an empty description")
            << 0
            << QByteArray(R"({"status":"error","error":"access_denied","errorDescription":""})")
            << QString();
        QTest::newRow("failing status with an envelope")
            << 2
            << QByteArray("500:"
                          R"({"error":"server_error"})")
            << u"server_error"_s;
        QTest::newRow("undecodable answer")
            << 0 << QByteArray(R"({"state":"done"})") << u"missing key \"status\""_s;
    }
    void pollingOutcomes()
    {
        QFETCH(int, pendings);
        QFETCH(QByteArray, last);
        QFETCH(QString, error);

        const auto path = u"/base/api/linkedin/cli/result"_s;
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::json(200, startBody(authURL())));
        for (int i = 0; i < pendings; ++i)
            m_server->enqueue("GET", path, TestServer::json(200, pending));
        int status = 200;
        if (last.startsWith("500:")) {
            status = 500;
            last = last.mid(4);
        }
        // Anything after the script is another pending answer, so that extra requests show.
        if (!last.isEmpty())
            m_server->enqueue("GET", path, TestServer::json(status, last));
        m_server->setAnswer("GET", path, TestServer::json(200, pending));

        const auto token = signIn();
        const int expectedRequests = pendings + (last.isEmpty() ? 0 : 1);
        QCOMPARE(m_server->requests("GET", path).size(), expectedRequests);
        const bool emptyDescription =
            QByteArray(QTest::currentDataTag()).contains("empty description");
        if (error.isEmpty() && !emptyDescription) {
            QVERIFY2(token, qPrintable(failureText(token)));
            QCOMPARE(m_tokenStore.saved.size(), 1);
            return;
        }
        QVERIFY(!token);
        QCOMPARE(token.error().description, error);
        QVERIFY(m_tokenStore.saved.isEmpty());
    }

    void sheetFailures_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("isAuthError");

        QTest::newRow("closed by the user") << int(WebAuthenticationSession::Failure::cancelled)
                                            << u"LinkedIn authorization was cancelled."_s << true;
        QTest::newRow("cannot be shown") << int(WebAuthenticationSession::Failure::missingWindow)
                                         << u"Cannot open LinkedIn authorization."_s << true;
        QTest::newRow("page not loaded") << int(WebAuthenticationSession::Failure::failedToLoad)
                                         << u"Connection refused"_s << false;
    }
    void sheetFailures()
    {
        QFETCH(int, failure);
        QFETCH(QString, message);
        QFETCH(bool, isAuthError);

        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::json(200, startBody(authURL())));
        m_sheet.outcomes.enqueue(fail(Error::service(
            static_cast<WebAuthenticationSession::Failure>(failure), u"Connection refused"_s)));

        const auto token = signIn();
        QVERIFY(!token);
        QCOMPARE(token.error().description, message);
        if (isAuthError)
            QCOMPARE(token.error().kind, Error::Kind::Service);
        QCOMPARE(m_server->requestCount(), 1);
        QVERIFY(m_tokenStore.saved.isEmpty());
    }

    void ephemeralSignInHappensExactlyOnce()
    {
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/start"_s,
                            TestServer::json(200, startBody(authURL())));
        m_server->setAnswer("GET", u"/base/api/linkedin/cli/result"_s, TestServer::json(200, done));

        QVERIFY(signIn());
        m_service->requireEphemeralSignInOnce();
        QVERIFY(m_service->requiresEphemeralSignIn());
        QVERIFY(signIn());
        QVERIFY(signIn());
        // Used up also by a sheet that fails to open.
        m_service->requireEphemeralSignInOnce();
        m_sheet.outcomes.enqueue(
            fail(Error::service(WebAuthenticationSession::Failure::missingWindow, u"no"_s)));
        QVERIFY(!signIn());
        QVERIFY(signIn());

        QList<bool> ephemeral;
        for (const auto &start : m_sheet.starts)
            ephemeral.append(start.ephemeral);
        QCOMPARE(ephemeral, (QList<bool>{false, true, false, true, false}));
    }

    void accountRequests_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error"); // empty: success

        for (const auto &path : {u"/api/linkedin/disconnect"_s, u"/api/account/delete"_s}) {
            const QByteArray tag = path.toLatin1();
            QTest::addRow("%s 200", tag.constData())
                << path << 200 << QByteArray("{}") << QString();
            QTest::addRow("%s 204 empty", tag.constData())
                << path << 204 << QByteArray() << QString();
            QTest::addRow("%s 500 code only", tag.constData())
                << path << 500 << QByteArray(R"({"error":"disconnect_failed"})")
                << u"disconnect_failed"_s;
            QTest::addRow("%s 502 html", tag.constData())
                << path << 502 << QByteArray("<html><body>Bad gateway</body></html>")
                << u"Request failed with status 502."_s;
        }
    }
    void accountRequests()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);

        m_server->setAnswer("POST", u"/base"_s + path,
                            body.startsWith('<') ? TestServer::text(status, body, "text/html")
                            : body.isEmpty()     ? TestServer::status(status)
                                                 : TestServer::json(status, body));
        const auto result =
            QCoro::waitFor(path.contains(u"delete"_s) ? m_service->deleteAccount(u"member-1"_s)
                                                      : m_service->disconnect(u"member-1"_s));
        if (error.isEmpty()) {
            QVERIFY2(result, qPrintable(failureText(result)));
        } else {
            QVERIFY(!result);
            QVERIFY(result.error().is(LinkedInAuthError::server));
            QCOMPARE(result.error().description, error);
        }
        QCOMPARE(m_server->requestCount(), 1);
        const auto &request = m_server->requests().at(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, u"/base"_s + path);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.body, QByteArray(R"({"linkedInId":"member-1"})"));
        verifyNoAuthorizationHeader();
    }

    void noAnswerAtAllIsTheTransportError()
    {
        m_service.emplace(QUrl(u"http://127.0.0.1:1"_s), scheme, m_tokenStore, m_sheet);
        const auto result = QCoro::waitFor(m_service->disconnect(u"member-1"_s));
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Error::Kind::Transport);
    }
};

QTEST_GUILESS_MAIN(TestLinkedInAuthService)
#include "tst_linkedinauthservice.moc"
