// Runs the real quillet-devserver binary on a free loopback port with a temporary data file and
// drives every endpoint over HTTP, as the application's clients do.

#include "AppJson.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QUrlQuery>
#include <QUuid>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr auto callbackScheme = "quillet-test"_L1;
using Fields = QList<std::pair<QString, QString>>;

struct Answer {
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    [[nodiscard]] QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    [[nodiscard]] QByteArray header(QByteArrayView name) const
    {
        for (const auto &[key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

// The body the application's post service sends (every line ends in CRLF).
QByteArray multipartBody(const QByteArray &boundary, const Fields &fields)
{
    QByteArray body;
    for (const auto &[name, value] : fields) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name.toUtf8() +
                "\"\r\n\r\n" + value.toUtf8() + "\r\n";
    }
    return body + "--" + boundary + "--\r\n";
}

// An "application/x-www-form-urlencoded" body, as a browser submits the sign-in form.
QByteArray formBody(const Fields &fields)
{
    QByteArrayList pairs;
    for (const auto &[name, value] : fields)
        pairs.append(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
    return pairs.join('&');
}

QByteArray draftJson(const QString &id, const QString &body, const QString &updatedAt)
{
    return AppJson::encode(QJsonObject{{u"id"_s, id},
                                       {u"body"_s, body},
                                       {u"createdAt"_s, u"2025-03-01T08:00:00Z"_s},
                                       {u"updatedAt"_s, updatedAt}});
}

} // namespace

class TstDevServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void refusesToStart_data();
    void refusesToStart();
    void connectsThroughTheSignInPage();
    void answersHeldResultWhenSignInCompletes();
    void answersPendingAfterTheWait();
    void forgetsHeldClientThatLeft();
    void reportsDeclinedSignIn();
    void refusesBadSignInForm_data();
    void refusesBadSignInForm();
    void refusesUnknownFlows_data();
    void refusesUnknownFlows();
    void refusesUnknownTokens_data();
    void refusesUnknownTokens();
    void keepsDraftsPerMember();
    void keepsTheNewerDraft();
    void refusesMalformedDrafts_data();
    void refusesMalformedDrafts();
    void publishesPosts_data();
    void publishesPosts();
    void answersTodaysReminder();
    void refusesReminderWithoutTimeZone_data();
    void refusesReminderWithoutTimeZone();
    void receivesFeedback();
    void refusesBadFeedback_data();
    void refusesBadFeedback();
    void disconnectKeepsDrafts();
    void deleteAccountRemovesDrafts();
    void refusesAccountRequestsWithoutMember();
    void refusesForeignHostsAndUnknownPaths();
    void keepsDataAcrossRestarts();
    void logsRequestsWithoutSecrets();

private:
    [[nodiscard]] bool startServer(const QStringList &extraArguments = {});
    void stopServer();
    [[nodiscard]] QUrl url(const QString &pathAndQuery) const;
    [[nodiscard]] QNetworkReply *begin(const QByteArray &verb, const QString &pathAndQuery,
                                       const QByteArray &body = {},
                                       const QList<QNetworkReply::RawHeaderPair> &headers = {});
    [[nodiscard]] Answer finish(QNetworkReply *reply);
    [[nodiscard]] Answer call(const QByteArray &verb, const QString &pathAndQuery,
                              const QByteArray &body = {},
                              const QList<QNetworkReply::RawHeaderPair> &headers = {});
    [[nodiscard]] Answer withToken(const QByteArray &verb, const QString &pathAndQuery,
                                   const QString &token, const QByteArray &body = {});
    [[nodiscard]] Answer submitSignIn(const Fields &fields);
    [[nodiscard]] QJsonObject startFlow();
    // Signs in through the stand-in page; returns the LinkedInToken JSON of the result.
    [[nodiscard]] QJsonObject connectMember(const QString &name, const QString &email);
    [[nodiscard]] Answer publish(const Fields &fields);
    [[nodiscard]] QJsonObject dataFile() const;

    QTemporaryDir m_dir;
    QString m_dataPath;
    std::unique_ptr<QProcess> m_server;
    QByteArray m_log;
    quint16 m_port = 0;
    QNetworkAccessManager m_network;
    QStringList m_issuedTokens;
};

bool TstDevServer::startServer(const QStringList &extraArguments)
{
    m_server = std::make_unique<QProcess>();
    connect(m_server.get(), &QProcess::readyReadStandardError, this,
            [this] { m_log += m_server->readAllStandardError(); });
    m_server->start(QStringLiteral(QUILLET_DEVSERVER_PATH),
                    QStringList{u"--port"_s, u"0"_s, u"--data"_s, m_dataPath,
                                u"--callback-scheme"_s, callbackScheme} +
                        extraArguments);
    static const QRegularExpression ready(u"^listening on http://127\\.0\\.0\\.1:(\\d+)\\n$"_s);
    QByteArray line;
    while (!line.endsWith('\n') && m_server->waitForReadyRead(10000))
        line += m_server->readLine();
    const auto match = ready.match(QString::fromUtf8(line));
    if (!match.hasMatch())
        return false;
    m_port = match.captured(1).toUShort();
    return true;
}

void TstDevServer::stopServer()
{
    if (!m_server)
        return;
    m_server->terminate();
    m_server->waitForFinished(10000);
    m_log += m_server->readAllStandardError();
    m_server.reset();
}

void TstDevServer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_dataPath = m_dir.filePath(u"devserver/data.json"_s);
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QVERIFY(startServer());
}

void TstDevServer::cleanupTestCase()
{
    stopServer();
}

QUrl TstDevServer::url(const QString &pathAndQuery) const
{
    return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(pathAndQuery));
}

QNetworkReply *TstDevServer::begin(const QByteArray &verb, const QString &pathAndQuery,
                                   const QByteArray &body,
                                   const QList<QNetworkReply::RawHeaderPair> &headers)
{
    QNetworkRequest request(url(pathAndQuery));
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    return m_network.sendCustomRequest(request, verb, body);
}

Answer TstDevServer::finish(QNetworkReply *reply)
{
    std::unique_ptr<QNetworkReply> owner(reply);
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(15000);
    }
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->rawHeaderPairs()};
}

Answer TstDevServer::call(const QByteArray &verb, const QString &pathAndQuery,
                          const QByteArray &body,
                          const QList<QNetworkReply::RawHeaderPair> &headers)
{
    return finish(begin(verb, pathAndQuery, body, headers));
}

Answer TstDevServer::withToken(const QByteArray &verb, const QString &pathAndQuery,
                               const QString &token, const QByteArray &body)
{
    return call(
        verb, pathAndQuery, body,
        {{"Authorization", "Bearer " + token.toUtf8()}, {"Content-Type", "application/json"}});
}

Answer TstDevServer::submitSignIn(const Fields &fields)
{
    return call("POST", u"/dev/linkedin/authorize"_s, formBody(fields),
                {{"Content-Type", "application/x-www-form-urlencoded"}});
}

QJsonObject TstDevServer::startFlow()
{
    const Answer start = call("GET", u"/api/linkedin/cli/start"_s);
    return start.status == 200 ? start.json() : QJsonObject();
}

QJsonObject TstDevServer::connectMember(const QString &name, const QString &email)
{
    const QString state = startFlow().value(u"state"_s).toString();
    const Answer submitted = submitSignIn(
        {{u"state"_s, state}, {u"decision"_s, u"allow"_s}, {u"name"_s, name}, {u"email"_s, email}});
    if (submitted.status != 302)
        return {};
    const QJsonObject result =
        call("GET", u"/api/linkedin/cli/result?state=%1&wait=2"_s.arg(state)).json();
    const QJsonObject token = result.value(u"token"_s).toObject();
    m_issuedTokens.append(token.value(u"accessToken"_s).toString());
    return token;
}

Answer TstDevServer::publish(const Fields &fields)
{
    const QByteArray boundary = "Boundary-" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    return call("POST", u"/api/linkedin/post"_s, multipartBody(boundary, fields),
                {{"Content-Type", "multipart/form-data; boundary=" + boundary}});
}

QJsonObject TstDevServer::dataFile() const
{
    QFile file(m_dataPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void TstDevServer::refusesToStart_data()
{
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("data file that is not JSON")
        << "{\"format\": 1, \"drafts\": "_ba << QStringList() << 1 << u"invalid JSON"_s;
    QTest::newRow("draft with a fractional-second date")
        << R"({"format": 1, "drafts": {"m": [{"id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
              "body": "x", "createdAt": "2025-01-01T00:00:00.5Z",
              "updatedAt": "2025-01-01T00:00:00Z"}]}})"_ba
        << QStringList() << 1 << u"drafts.m[0].createdAt"_s;
    QTest::newRow("port out of range")
        << QByteArray() << QStringList{u"--port"_s, u"70000"_s} << 2 << u"--port"_s;
    QTest::newRow("scheme with a colon")
        << QByteArray() << QStringList{u"--callback-scheme"_s, u"quillet:x"_s} << 2
        << u"--callback-scheme"_s;
}

void TstDevServer::refusesToStart()
{
    QFETCH(QByteArray, dataFile);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString path = m_dir.filePath(u"refused.json"_s);
    QFile::remove(path);
    if (!dataFile.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(dataFile);
    }
    QProcess process;
    process.start(QStringLiteral(QUILLET_DEVSERVER_PATH),
                  QStringList{u"--port"_s, u"0"_s, u"--data"_s, path} + arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY2(process.readAllStandardError().contains(message.toUtf8()), qPrintable(message));
    // The unreadable file is left as it was, not replaced by an empty store.
    if (!dataFile.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), dataFile);
    }
}

void TstDevServer::connectsThroughTheSignInPage()
{
    const QJsonObject start = startFlow();
    const QString state = start.value(u"state"_s).toString();
    QCOMPARE(state.size(), 32);
    QCOMPARE(start.value(u"redirectUri"_s).toString(), url(u"/api/linkedin/callback"_s).toString());
    QCOMPARE(start.value(u"pollUrl"_s).toString(),
             url(u"/api/linkedin/cli/result?state="_s + state).toString());

    // The authorization page is the server's own form for that flow.
    const QUrl authUrl(start.value(u"authUrl"_s).toString());
    QCOMPARE(authUrl.port(), int(m_port));
    const Answer page = call("GET", authUrl.path() + u'?' + authUrl.query());
    QCOMPARE(page.status, 200);
    QVERIFY(page.header("Content-Type").startsWith("text/html"));
    for (const QByteArray &part :
         {"<form method=\"post\""_ba, "name=\"name\""_ba, "name=\"headline\""_ba,
          "name=\"email\""_ba, "name=\"pictureUrl\""_ba, state.toUtf8()})
        QVERIFY2(page.body.contains(part), part.constData());

    QCOMPARE(call("GET", u"/api/linkedin/cli/result?state=%1&wait=0"_s.arg(state)).json(),
             QJsonObject({{u"status"_s, u"pending"_s}}));

    const Answer submitted = submitSignIn({{u"state"_s, state},
                                           {u"decision"_s, u"allow"_s},
                                           {u"name"_s, u"Ada Example"_s},
                                           {u"headline"_s, u"Builds C++ tools & more"_s},
                                           {u"email"_s, u"ada@example.com"_s},
                                           {u"pictureUrl"_s, u"https://example.com/ada.png"_s}});
    QCOMPARE(submitted.status, 302);
    // The sheet ends on the application's scheme, at an address that is not the server's own
    // callback, so the application goes straight to polling.
    const QUrl location(QString::fromUtf8(submitted.header("Location")));
    QCOMPARE(location.scheme(), callbackScheme);
    QVERIFY(location.host() != u"127.0.0.1"_s);
    QCOMPARE(QUrlQuery(location).queryItemValue(u"state"_s), state);

    const QJsonObject result =
        call("GET", u"/api/linkedin/cli/result?state=%1&wait=2"_s.arg(state)).json();
    QCOMPARE(result.value(u"status"_s).toString(), u"done"_s);
    const QJsonObject token = result.value(u"token"_s).toObject();
    QVERIFY(!token.value(u"accessToken"_s).toString().isEmpty());
    QVERIFY(AppJson::decodeDate(token.value(u"connectedAt"_s).toString()).has_value());
    const QJsonObject profile = token.value(u"profile"_s).toObject();
    QVERIFY(!profile.value(u"memberId"_s).toString().isEmpty());
    QCOMPARE(profile.value(u"name"_s).toString(), u"Ada Example"_s);
    QCOMPARE(profile.value(u"headline"_s).toString(), u"Builds C++ tools & more"_s);
    QCOMPARE(profile.value(u"email"_s).toString(), u"ada@example.com"_s);
    QCOMPARE(profile.value(u"pictureUrl"_s).toString(), u"https://example.com/ada.png"_s);
    m_issuedTokens.append(token.value(u"accessToken"_s).toString());

    // A forwarded callback for the flow is acknowledged; the page cannot be used twice.
    QCOMPARE(call("GET", u"/api/linkedin/callback?state="_s + state).status, 200);
    QCOMPARE(submitSignIn({{u"state"_s, state}, {u"name"_s, u"Again"_s}}).status, 409);

    // The same test identity is the same member on every sign-in, with a new token.
    const QJsonObject again = connectMember(u"Ada Example"_s, u"ADA@example.com"_s);
    QCOMPARE(again.value(u"profile"_s).toObject().value(u"memberId"_s),
             profile.value(u"memberId"_s));
    QVERIFY(again.value(u"accessToken"_s) != token.value(u"accessToken"_s));
}

void TstDevServer::answersHeldResultWhenSignInCompletes()
{
    const QString state = startFlow().value(u"state"_s).toString();
    QNetworkReply *held = begin("GET", u"/api/linkedin/cli/result?state=%1&wait=2"_s.arg(state));
    const Answer submitted = submitSignIn(
        {{u"state"_s, state}, {u"decision"_s, u"allow"_s}, {u"name"_s, u"Held Member"_s}});
    QCOMPARE(submitted.status, 302);
    const Answer result = finish(held);
    QCOMPARE(result.status, 200);
    QCOMPARE(result.json().value(u"status"_s).toString(), u"done"_s);
}

void TstDevServer::answersPendingAfterTheWait()
{
    const QString state = startFlow().value(u"state"_s).toString();
    QElapsedTimer clock;
    clock.start();
    const Answer result = call("GET", u"/api/linkedin/cli/result?state=%1&wait=2"_s.arg(state));
    QCOMPARE(result.json(), QJsonObject({{u"status"_s, u"pending"_s}}));
    QVERIFY2(clock.elapsed() >= 1000, "a pending result is held when asked to wait");
}

void TstDevServer::forgetsHeldClientThatLeft()
{
    const QString state = startFlow().value(u"state"_s).toString();
    QTcpSocket client;
    client.connectToHost(u"127.0.0.1"_s, m_port);
    QVERIFY(client.waitForConnected(5000));
    client.write(u"GET /api/linkedin/cli/result?state=%1&wait=2 HTTP/1.1\r\n"
                 "Host: 127.0.0.1\r\n\r\n"_s.arg(state)
                     .toUtf8());
    QVERIFY(client.waitForBytesWritten(5000));
    QCOMPARE(call("GET", u"/api/linkedin/cli/start"_s).status, 200);
    client.disconnectFromHost();

    QTRY_VERIFY_WITH_TIMEOUT(m_log.contains("GET /api/linkedin/cli/result - (client gone)"), 5000);
    // The server is still there after the hold ran out.
    QCOMPARE(call("GET", u"/api/linkedin/cli/start"_s).status, 200);
}

void TstDevServer::reportsDeclinedSignIn()
{
    const QString state = startFlow().value(u"state"_s).toString();
    const Answer declined = submitSignIn({{u"state"_s, state}, {u"decision"_s, u"deny"_s}});
    QCOMPARE(declined.status, 302);
    const QUrl location(QString::fromUtf8(declined.header("Location")));
    QCOMPARE(location.scheme(), callbackScheme);
    QCOMPARE(QUrlQuery(location).queryItemValue(u"error"_s), u"user_cancelled_authorize"_s);

    const QJsonObject result =
        call("GET", u"/api/linkedin/cli/result?state=%1&wait=2"_s.arg(state)).json();
    QCOMPARE(result.value(u"status"_s).toString(), u"error"_s);
    QCOMPARE(result.value(u"error"_s).toString(), u"user_cancelled_authorize"_s);
    QVERIFY(!result.value(u"errorDescription"_s).toString().isEmpty());
}

void TstDevServer::refusesBadSignInForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pictureUrl");
    QTest::addColumn<QByteArray>("problem");

    QTest::newRow("blank name") << u"  "_s << QString() << "Enter the member"_ba;
    QTest::newRow("picture not over http")
        << u"Ada"_s << u"javascript:alert(1)"_s << "http or https"_ba;
    QTest::newRow("picture without host") << u"Ada"_s << u"https://"_s << "http or https"_ba;
}

void TstDevServer::refusesBadSignInForm()
{
    QFETCH(QString, name);
    QFETCH(QString, pictureUrl);
    QFETCH(QByteArray, problem);

    const QString state = startFlow().value(u"state"_s).toString();
    const Answer page = submitSignIn({{u"state"_s, state},
                                      {u"decision"_s, u"allow"_s},
                                      {u"name"_s, name},
                                      {u"pictureUrl"_s, pictureUrl}});
    QCOMPARE(page.status, 400);
    QVERIFY(page.body.contains(problem));
    // The form comes back with what was typed, escaped, and the flow is still open.
    QVERIFY(!page.body.contains("<script"));
    QCOMPARE(call("GET", u"/api/linkedin/cli/result?state="_s + state).json(),
             QJsonObject({{u"status"_s, u"pending"_s}}));
}

void TstDevServer::refusesUnknownFlows_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");

    QTest::newRow("result") << "GET"_ba << u"/api/linkedin/cli/result?state=0000&wait=2"_s
                            << QByteArray() << 404;
    QTest::newRow("result without state")
        << "GET"_ba << u"/api/linkedin/cli/result"_s << QByteArray() << 400;
    QTest::newRow("callback") << "GET"_ba << u"/api/linkedin/callback?state=0000&code=x"_s
                              << QByteArray() << 400;
    QTest::newRow("sign-in page") << "GET"_ba << u"/dev/linkedin/authorize?state=0000"_s
                                  << QByteArray() << 400;
    QTest::newRow("sign-in form") << "POST"_ba << u"/dev/linkedin/authorize"_s
                                  << formBody({{u"state"_s, u"0000"_s}, {u"name"_s, u"Ada"_s}})
                                  << 400;
}

void TstDevServer::refusesUnknownFlows()
{
    QFETCH(QByteArray, verb);
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(int, status);

    const Answer answer =
        call(verb, path, body, {{"Content-Type", "application/x-www-form-urlencoded"}});
    QCOMPARE(answer.status, status);
    // The API answers with the error envelope, the pages with a page that says so.
    if (answer.header("Content-Type").startsWith("application/json")) {
        QVERIFY(!answer.json().value(u"error"_s).toString().isEmpty());
        QVERIFY(!answer.json().value(u"errorDescription"_s).toString().isEmpty());
    } else {
        QVERIFY(answer.body.contains("unknown or has expired"));
    }
}

void TstDevServer::refusesUnknownTokens_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("authorization");

    const QString draftPath = u"/api/drafts/E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s;
    const QString todayPath = u"/api/consistency/today?timezone=Europe/Paris"_s;
    QTest::newRow("list, no header") << "GET"_ba << u"/api/drafts"_s << QByteArray();
    QTest::newRow("list, unknown token") << "GET"_ba << u"/api/drafts"_s << "Bearer nope"_ba;
    QTest::newRow("list, empty bearer") << "GET"_ba << u"/api/drafts"_s << "Bearer "_ba;
    QTest::newRow("upsert, unknown token") << "PUT"_ba << draftPath << "Bearer nope"_ba;
    QTest::newRow("delete, basic scheme") << "DELETE"_ba << draftPath << "Basic bm9wZQ=="_ba;
    QTest::newRow("reminder, unknown token") << "GET"_ba << todayPath << "Bearer nope"_ba;
}

void TstDevServer::refusesUnknownTokens()
{
    QFETCH(QByteArray, verb);
    QFETCH(QString, path);
    QFETCH(QByteArray, authorization);

    QList<QNetworkReply::RawHeaderPair> headers{{"Content-Type", "application/json"}};
    if (!authorization.isEmpty())
        headers.append({"Authorization", authorization});
    const Answer answer = call(
        verb, path,
        draftJson(u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s, u"x"_s, u"2025-03-01T08:00:00Z"_s),
        headers);
    QCOMPARE(answer.status, 401);
    QCOMPARE(answer.json().value(u"error"_s).toString(), u"invalid_token"_s);
    QVERIFY(!answer.json().value(u"errorDescription"_s).toString().isEmpty());
}

void TstDevServer::keepsDraftsPerMember()
{
    const QString token = connectMember(u"Drafting Member"_s, u"drafts@example.com"_s)
                              .value(u"accessToken"_s)
                              .toString();
    const QString other =
        connectMember(u"Other Member"_s, u"other@example.com"_s).value(u"accessToken"_s).toString();
    QCOMPARE(withToken("GET", u"/api/drafts"_s, token).json(),
             QJsonObject({{u"drafts"_s, QJsonArray()}}));

    // The id may come in lower case; the stored copy comes back in upper case.
    const Answer first =
        withToken("PUT", u"/api/drafts/e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_s, token,
                  draftJson(u"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_s, u"First\n\ndraft 𝗯𝗼𝗹𝗱"_s,
                            u"2025-03-01T09:00:00Z"_s));
    QCOMPARE(first.status, 200);
    QCOMPARE(first.json().value(u"id"_s).toString(), u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s);
    QCOMPARE(first.json().value(u"body"_s).toString(), u"First\n\ndraft 𝗯𝗼𝗹𝗱"_s);
    QCOMPARE(first.json().value(u"updatedAt"_s).toString(), u"2025-03-01T09:00:00Z"_s);
    const Answer second =
        withToken("PUT", u"/api/drafts/0B7E5A9C-3D1F-4E2A-9C8B-7A6F5E4D3C2B"_s, token,
                  draftJson(u"0B7E5A9C-3D1F-4E2A-9C8B-7A6F5E4D3C2B"_s, u"Second"_s,
                            u"2025-03-02T09:00:00Z"_s));
    QCOMPARE(second.status, 200);

    // Newest first, and only the owner's.
    const QJsonArray drafts =
        withToken("GET", u"/api/drafts"_s, token).json()[u"drafts"_s].toArray();
    QCOMPARE(drafts.size(), 2);
    QCOMPARE(drafts.at(0).toObject(), second.json());
    QCOMPARE(drafts.at(1).toObject(), first.json());
    QCOMPARE(withToken("GET", u"/api/drafts"_s, other).json()[u"drafts"_s].toArray().size(), 0);
    // Another member cannot delete it either: the delete only reaches the caller's drafts.
    QCOMPARE(
        withToken("DELETE", u"/api/drafts/0B7E5A9C-3D1F-4E2A-9C8B-7A6F5E4D3C2B"_s, other).status,
        204);

    // A delete succeeds once and again: a retried delete must not fail.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Answer removed =
            withToken("DELETE", u"/api/drafts/0B7E5A9C-3D1F-4E2A-9C8B-7A6F5E4D3C2B"_s, token);
        QCOMPARE(removed.status, 204);
        QVERIFY(removed.body.isEmpty());
    }
    const QJsonArray left = withToken("GET", u"/api/drafts"_s, token).json()[u"drafts"_s].toArray();
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.at(0).toObject(), first.json());
}

void TstDevServer::keepsTheNewerDraft()
{
    const QString token =
        connectMember(u"Newer Member"_s, u"newer@example.com"_s).value(u"accessToken"_s).toString();
    const QString path = u"/api/drafts/5F0C2D1E-8A7B-4C3D-9E8F-1A2B3C4D5E6F"_s;
    const QString id = u"5F0C2D1E-8A7B-4C3D-9E8F-1A2B3C4D5E6F"_s;
    QCOMPARE(
        withToken("PUT", path, token, draftJson(id, u"newer"_s, u"2025-03-05T10:00:00Z"_s)).status,
        200);

    // An older copy does not replace the newer one; the answer is the copy the server keeps.
    const Answer stale =
        withToken("PUT", path, token, draftJson(id, u"older"_s, u"2025-03-04T10:00:00Z"_s));
    QCOMPARE(stale.status, 200);
    QCOMPARE(stale.json().value(u"body"_s).toString(), u"newer"_s);
    const Answer later =
        withToken("PUT", path, token, draftJson(id, u"latest"_s, u"2025-03-06T10:00:00Z"_s));
    QCOMPARE(later.json().value(u"body"_s).toString(), u"latest"_s);
    QCOMPARE(withToken("GET", u"/api/drafts"_s, token).json()[u"drafts"_s][0][u"body"_s].toString(),
             u"latest"_s);
}

void TstDevServer::refusesMalformedDrafts_data()
{
    QTest::addColumn<QString>("pathId");
    QTest::addColumn<QByteArray>("body");

    const QString id = u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s;
    QTest::newRow("path id not a UUID")
        << u"draft-1"_s << draftJson(u"draft-1"_s, u"x"_s, u"2025-03-01T08:00:00Z"_s);
    QTest::newRow("body id differs")
        << id
        << draftJson(u"0B7E5A9C-3D1F-4E2A-9C8B-7A6F5E4D3C2B"_s, u"x"_s, u"2025-03-01T08:00:00Z"_s);
    QTest::newRow("fractional seconds")
        << id << draftJson(id, u"x"_s, u"2025-03-01T08:00:00.250Z"_s);
    QTest::newRow("body missing") << id
                                  << QByteArray(
                                         R"({"id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F"})");
    QTest::newRow("not JSON") << id << "<html>"_ba;
}

void TstDevServer::refusesMalformedDrafts()
{
    QFETCH(QString, pathId);
    QFETCH(QByteArray, body);

    const QString token = connectMember(u"Careful Member"_s, u"careful@example.com"_s)
                              .value(u"accessToken"_s)
                              .toString();
    const Answer answer = withToken("PUT", u"/api/drafts/"_s + pathId, token, body);
    QCOMPARE(answer.status, 400);
    QCOMPARE(answer.json().value(u"error"_s).toString(), u"invalid_request"_s);
    QVERIFY(!answer.json().value(u"errorDescription"_s).toString().isEmpty());
    QCOMPARE(withToken("GET", u"/api/drafts"_s, token).json()[u"drafts"_s].toArray().size(), 0);
}

void TstDevServer::publishesPosts_data()
{
    QTest::addColumn<QString>("commentary");
    QTest::addColumn<bool>("ownToken");
    QTest::addColumn<bool>("ownMember");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    // 3,000 styled letters take 6,000 UTF-16 units and are still within the limit.
    QString styled;
    for (int i = 0; i < 3000; ++i)
        styled += u"𝗯"_s;
    QTest::newRow("accepted") << u"Hello\nLinkedIn 👋"_s << true << true << 201 << QString();
    QTest::newRow("3,000 styled letters") << styled << true << true << 201 << QString();
    QTest::newRow("3,001 characters")
        << QString(3001, u'a') << true << true << 422 << u"post_too_long"_s;
    QTest::newRow("blank") << u" \n "_s << true << true << 400 << u"empty_post"_s;
    QTest::newRow("unknown token") << u"Hello"_s << false << true << 401 << u"invalid_token"_s;
    QTest::newRow("another member's id")
        << u"Hello"_s << true << false << 403 << u"member_mismatch"_s;
}

void TstDevServer::publishesPosts()
{
    QFETCH(QString, commentary);
    QFETCH(bool, ownToken);
    QFETCH(bool, ownMember);
    QFETCH(int, status);
    QFETCH(QString, error);

    const QJsonObject token = connectMember(u"Posting Member"_s, u"posts@example.com"_s);
    const QString memberId = token[u"profile"_s][u"memberId"_s].toString();
    const qsizetype postsBefore = dataFile().value(u"posts"_s).toArray().size();
    const Answer answer =
        publish({{u"timezone"_s, u"Europe/Paris"_s},
                 {u"commentary"_s, commentary},
                 {u"memberId"_s, ownMember ? memberId : u"someone-else"_s},
                 {u"accessToken"_s, ownToken ? token[u"accessToken"_s].toString() : u"nope"_s}});
    QCOMPARE(answer.status, status);
    const QJsonArray posts = dataFile().value(u"posts"_s).toArray();
    if (status != 201) {
        QCOMPARE(answer.json().value(u"error"_s).toString(), error);
        QVERIFY(!answer.json().value(u"errorDescription"_s).toString().isEmpty());
        QCOMPARE(posts.size(), postsBefore);
        return;
    }
    QCOMPARE(posts.size(), postsBefore + 1);
    const QJsonObject post = posts.last().toObject();
    QCOMPARE(post.value(u"memberId"_s).toString(), memberId);
    QCOMPARE(post.value(u"commentary"_s).toString(), commentary);
    QCOMPARE(post.value(u"timezone"_s).toString(), u"Europe/Paris"_s);
    QCOMPARE(post.value(u"id"_s), answer.json().value(u"id"_s));
}

void TstDevServer::answersTodaysReminder()
{
    const QString token = connectMember(u"Reminded Member"_s, u"remind@example.com"_s)
                              .value(u"accessToken"_s)
                              .toString();
    // Fourteen hours ahead of UTC and eleven behind: never the same local date.
    QList<QJsonObject> answers;
    for (const QByteArray &zoneId : {"Pacific/Kiritimati"_ba, "Pacific/Pago_Pago"_ba}) {
        const QTimeZone zone(zoneId);
        const QDate before = QDateTime::currentDateTimeUtc().toTimeZone(zone).date();
        const Answer answer = withToken(
            "GET", u"/api/consistency/today?timezone="_s + QString::fromLatin1(zoneId), token);
        const QDate after = QDateTime::currentDateTimeUtc().toTimeZone(zone).date();
        QCOMPARE(answer.status, 200);
        const QJsonObject today = answer.json();
        const QDate localDate = QDate::fromString(today[u"localDate"_s].toString(), Qt::ISODate);
        QVERIFY2(localDate == before || localDate == after, zoneId.constData());
        QVERIFY(!today[u"action"_s].toString().isEmpty());
        QVERIFY(!today[u"reminder"_s][u"title"_s].toString().isEmpty());
        QVERIFY(!today[u"reminder"_s][u"body"_s].toString().isEmpty());
        QVERIFY(today[u"reminder"_s][u"deeplink"_s].toString().startsWith(callbackScheme + u':'));
        answers.append(today);
    }
    QVERIFY(answers.at(0)[u"localDate"_s] != answers.at(1)[u"localDate"_s]);
    QVERIFY(answers.at(0)[u"reminder"_s][u"body"_s] != answers.at(1)[u"reminder"_s][u"body"_s]);
}

void TstDevServer::refusesReminderWithoutTimeZone_data()
{
    QTest::addColumn<QString>("query");
    QTest::newRow("missing") << QString();
    QTest::newRow("not a zone") << u"?timezone=Mars/Olympus"_s;
}

void TstDevServer::refusesReminderWithoutTimeZone()
{
    QFETCH(QString, query);
    const QString token = connectMember(u"Reminded Member"_s, u"remind@example.com"_s)
                              .value(u"accessToken"_s)
                              .toString();
    const Answer answer = withToken("GET", u"/api/consistency/today"_s + query, token);
    QCOMPARE(answer.status, 400);
    QCOMPARE(answer.json().value(u"error"_s).toString(), u"invalid_timezone"_s);
}

void TstDevServer::receivesFeedback()
{
    const QByteArray image("\xff\xd8\xff\xe0 not really a JPEG");
    const QJsonObject request{
        {u"name"_s, u"Ada Example"_s},
        {u"linkedInId"_s, u"dev-123"_s},
        {u"email"_s, u""_s},
        {u"title"_s, u"  Idea \n"_s},
        {u"message"_s, u"\nPlease add\n\nmore cards. "_s},
        {u"attachments"_s,
         QJsonArray{QJsonObject{{u"filename"_s, u"feedback-1.jpg"_s},
                                {u"content"_s, QString::fromLatin1(image.toBase64())}}}},
    };
    const Answer answer = call("POST", u"/api/feedback"_s, AppJson::encode(request),
                               {{"Content-Type", "application/json"}});
    QCOMPARE(answer.status, 201);

    const QJsonObject stored = dataFile().value(u"feedback"_s).toArray().last().toObject();
    QCOMPARE(stored.value(u"id"_s), answer.json().value(u"id"_s));
    QCOMPARE(stored.value(u"linkedInId"_s).toString(), u"dev-123"_s);
    QCOMPARE(stored.value(u"title"_s).toString(), u"Idea"_s);
    QCOMPARE(stored.value(u"message"_s).toString(), u"Please add\n\nmore cards."_s);
    const QJsonObject attachment = stored[u"attachments"_s][0].toObject();
    QCOMPARE(attachment.value(u"filename"_s).toString(), u"feedback-1.jpg"_s);
    QCOMPARE(attachment.value(u"size"_s).toInt(), image.size());
    QCOMPARE(QByteArray::fromBase64(attachment.value(u"content"_s).toString().toLatin1()), image);
}

void TstDevServer::refusesBadFeedback_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    const auto feedback = [](const QString &message, const QJsonArray &attachments) {
        return AppJson::encode(QJsonObject{{u"name"_s, u""_s},
                                           {u"linkedInId"_s, u""_s},
                                           {u"email"_s, u""_s},
                                           {u"title"_s, u""_s},
                                           {u"message"_s, message},
                                           {u"attachments"_s, attachments}});
    };
    QTest::newRow("blank message") << feedback(u" \n "_s, {}) << 422 << u"empty_message"_s;
    QTest::newRow("attachment not base64")
        << feedback(u"Hi"_s, {QJsonObject{{u"filename"_s, u"a.jpg"_s}, {u"content"_s, u"%%%"_s}}})
        << 400 << u"invalid_request"_s;
    QTest::newRow("attachment without content")
        << feedback(u"Hi"_s, {QJsonObject{{u"filename"_s, u"a.jpg"_s}}}) << 400
        << u"invalid_request"_s;
    QTest::newRow("not JSON") << "message=Hi"_ba << 400 << u"invalid_request"_s;
}

void TstDevServer::refusesBadFeedback()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, error);

    const qsizetype before = dataFile().value(u"feedback"_s).toArray().size();
    const Answer answer =
        call("POST", u"/api/feedback"_s, body, {{"Content-Type", "application/json"}});
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.json().value(u"error"_s).toString(), error);
    QCOMPARE(dataFile().value(u"feedback"_s).toArray().size(), before);
}

void TstDevServer::disconnectKeepsDrafts()
{
    const QJsonObject token = connectMember(u"Leaving Member"_s, u"leaving@example.com"_s);
    const QString accessToken = token[u"accessToken"_s].toString();
    const QString memberId = token[u"profile"_s][u"memberId"_s].toString();
    const QString id = u"7D4C3B2A-1F0E-4D9C-8B7A-6F5E4D3C2B1A"_s;
    QCOMPARE(withToken("PUT", u"/api/drafts/"_s + id, accessToken,
                       draftJson(id, u"kept"_s, u"2025-03-01T09:00:00Z"_s))
                 .status,
             200);

    const Answer disconnected = call("POST", u"/api/linkedin/disconnect"_s,
                                     AppJson::encode(QJsonObject{{u"linkedInId"_s, memberId}}),
                                     {{"Content-Type", "application/json"}});
    QCOMPARE(disconnected.status, 200);
    QCOMPARE(withToken("GET", u"/api/drafts"_s, accessToken).status, 401);

    const QString fresh = connectMember(u"Leaving Member"_s, u"leaving@example.com"_s)
                              .value(u"accessToken"_s)
                              .toString();
    const QJsonArray drafts =
        withToken("GET", u"/api/drafts"_s, fresh).json()[u"drafts"_s].toArray();
    QCOMPARE(drafts.size(), 1);
    QCOMPARE(drafts.at(0)[u"body"_s].toString(), u"kept"_s);
}

void TstDevServer::deleteAccountRemovesDrafts()
{
    const QJsonObject token = connectMember(u"Deleted Member"_s, u"deleted@example.com"_s);
    const QString accessToken = token[u"accessToken"_s].toString();
    const QString memberId = token[u"profile"_s][u"memberId"_s].toString();
    const QString id = u"9A8B7C6D-5E4F-4A3B-8C2D-1E0F9A8B7C6D"_s;
    QCOMPARE(withToken("PUT", u"/api/drafts/"_s + id, accessToken,
                       draftJson(id, u"gone"_s, u"2025-03-01T09:00:00Z"_s))
                 .status,
             200);
    const QJsonObject other = connectMember(u"Staying Member"_s, u"staying@example.com"_s);
    const QString otherId = u"1B2C3D4E-5F6A-4B7C-8D9E-0F1A2B3C4D5E"_s;
    QCOMPARE(withToken("PUT", u"/api/drafts/"_s + otherId, other[u"accessToken"_s].toString(),
                       draftJson(otherId, u"stays"_s, u"2025-03-01T09:00:00Z"_s))
                 .status,
             200);

    const Answer deleted = call("POST", u"/api/account/delete"_s,
                                AppJson::encode(QJsonObject{{u"linkedInId"_s, memberId}}),
                                {{"Content-Type", "application/json"}});
    QCOMPARE(deleted.status, 200);
    QCOMPARE(withToken("GET", u"/api/drafts"_s, accessToken).status, 401);
    QVERIFY(!dataFile()[u"members"_s].toObject().contains(memberId));
    QVERIFY(!dataFile()[u"drafts"_s].toObject().contains(memberId));

    const QString fresh = connectMember(u"Deleted Member"_s, u"deleted@example.com"_s)
                              .value(u"accessToken"_s)
                              .toString();
    QCOMPARE(withToken("GET", u"/api/drafts"_s, fresh).json()[u"drafts"_s].toArray().size(), 0);
    QCOMPARE(withToken("GET", u"/api/drafts"_s, other[u"accessToken"_s].toString())
                 .json()[u"drafts"_s]
                 .toArray()
                 .size(),
             1);
}

void TstDevServer::refusesAccountRequestsWithoutMember()
{
    for (const QString &path : {u"/api/linkedin/disconnect"_s, u"/api/account/delete"_s}) {
        for (const QByteArray &body : {"{}"_ba, R"({"linkedInId": ""})"_ba, "linkedInId=x"_ba}) {
            const Answer answer = call("POST", path, body, {{"Content-Type", "application/json"}});
            QCOMPARE(answer.status, 400);
            QCOMPARE(answer.json().value(u"error"_s).toString(), u"invalid_request"_s);
        }
    }
}

void TstDevServer::refusesForeignHostsAndUnknownPaths()
{
    // A page on another site that points its own host name at 127.0.0.1 gets nothing.
    const Answer foreign =
        call("GET", u"/api/linkedin/cli/start"_s, {}, {{"Host", "evil.example:8787"}});
    QCOMPARE(foreign.status, 421);
    QCOMPARE(call("GET", u"/api/linkedin/cli/start"_s, {}, {{"Host", "localhost:8787"}}).status,
             200);

    const Answer missing = call("GET", u"/api/nothing"_s);
    QCOMPARE(missing.status, 404);
    QCOMPARE(missing.json().value(u"error"_s).toString(), u"not_found"_s);
    const Answer wrongMethod = call("POST", u"/api/drafts"_s);
    QCOMPARE(wrongMethod.status, 405);
    QCOMPARE(wrongMethod.header("Allow"), "GET"_ba);
}

void TstDevServer::keepsDataAcrossRestarts()
{
    const QJsonObject token = connectMember(u"Lasting Member"_s, u"lasting@example.com"_s);
    const QString accessToken = token[u"accessToken"_s].toString();
    const QString id = u"2C3D4E5F-6A7B-4C8D-9E0F-1A2B3C4D5E6F"_s;
    const Answer saved = withToken("PUT", u"/api/drafts/"_s + id, accessToken,
                                   draftJson(id, u"survives"_s, u"2025-03-01T09:00:00Z"_s));
    QCOMPARE(saved.status, 200);

    stopServer();
    QVERIFY(startServer());
    const QJsonArray drafts =
        withToken("GET", u"/api/drafts"_s, accessToken).json()[u"drafts"_s].toArray();
    QCOMPARE(drafts.size(), 1);
    QCOMPARE(drafts.at(0).toObject(), saved.json());
    QVERIFY(dataFile().value(u"posts"_s).toArray().size() > 0);
    QVERIFY(dataFile().value(u"feedback"_s).toArray().size() > 0);

    // The file keeps digests of the tokens, never a usable token.
    QFile file(m_dataPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    for (const QString &issued : std::as_const(m_issuedTokens))
        QVERIFY2(!issued.isEmpty() && !content.contains(issued.toUtf8()), qPrintable(issued));
    QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

void TstDevServer::logsRequestsWithoutSecrets()
{
    const QJsonObject token = connectMember(u"Logged Member"_s, u"logged@example.com"_s);
    QCOMPARE(publish({{u"timezone"_s, u"Europe/Paris"_s},
                      {u"commentary"_s, u"A very private post text"_s},
                      {u"memberId"_s, token[u"profile"_s][u"memberId"_s].toString()},
                      {u"accessToken"_s, token[u"accessToken"_s].toString()}})
                 .status,
             201);
    QTRY_VERIFY(m_log.contains("POST /api/linkedin/post 201 "));

    const QList<QByteArray> lines = m_log.trimmed().split('\n');
    static const QRegularExpression shape(
        u"^(GET|PUT|POST|DELETE) /\\S* (\\d{3}|- \\(client gone\\)) \\d+ms$"_s);
    for (const QByteArray &line : lines)
        QVERIFY2(shape.match(QString::fromUtf8(line)).hasMatch(), line.constData());
    QVERIFY(m_log.contains("GET /api/drafts 401 "));
    QVERIFY(m_log.contains("PUT /api/drafts/e621e1f8-c36c-495a-93fc-0c247a3e6e5f 200 "));
    QVERIFY(!m_log.contains("A very private post text"));
    QVERIFY(!m_log.contains("state="));
    for (const QString &issued : std::as_const(m_issuedTokens))
        QVERIFY2(!m_log.contains(issued.toUtf8()), qPrintable(issued));
}

QTEST_GUILESS_MAIN(TstDevServer)
#include "tst_devserver.moc"
