#include "FeedbackError.h"
#include "FeedbackService.h"
#include "TestServer.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

using Identity = std::optional<FeedbackSenderIdentity>;

namespace {

constexpr auto feedbackPath = "/api/feedback"_L1;

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

std::optional<Error> sendOutcome(FeedbackService &service, const QString &message)
{
    const auto result = QCoro::waitFor(service.send(u"title"_s, message, std::nullopt, {}));
    return result ? std::nullopt : std::optional(result.error());
}

} // namespace

class TestFeedbackService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendsTheFeedbackAsJson_data()
    {
        QTest::addColumn<QString>("basePath");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Identity>("identity");
        QTest::addColumn<QList<FeedbackImageAttachment>>("attachments");
        QTest::addColumn<QJsonObject>("body");

        const FeedbackImageAttachment first{QUuid::createUuid(), u"feedback-1.jpg"_s, u"AAEC"_s};
        const FeedbackImageAttachment second{QUuid::createUuid(), u"feedback-2.jpg"_s, u"/w=="_s};

        QTest::newRow("no account, no attachments")
            << QString() << u"  Bug \n"_s << u"\n It crashed.\n\n Twice. \t\n"_s << Identity()
            << QList<FeedbackImageAttachment>()
            << QJsonObject{{u"name"_s, u""_s},
                           {u"linkedInId"_s, u""_s},
                           {u"email"_s, u""_s},
                           {u"title"_s, u"Bug"_s},
                           {u"message"_s, u"It crashed.\n\n Twice."_s},
                           {u"attachments"_s, QJsonArray()}};
        QTest::newRow("account without e-mail, blank title, base with a path")
            << u"/v2"_s << u" \n"_s << u"Nice app"_s
            << Identity(FeedbackSenderIdentity{u"Ada L."_s, u"m-42"_s, std::nullopt})
            << QList<FeedbackImageAttachment>{second, first}
            << QJsonObject{{u"name"_s, u"Ada L."_s},
                           {u"linkedInId"_s, u"m-42"_s},
                           {u"email"_s, u""_s},
                           {u"title"_s, u""_s},
                           {u"message"_s, u"Nice app"_s},
                           {u"attachments"_s, QJsonArray{
                                                  QJsonObject{{u"filename"_s, u"feedback-2.jpg"_s},
                                                              {u"content"_s, u"/w=="_s}},
                                                  QJsonObject{{u"filename"_s, u"feedback-1.jpg"_s},
                                                              {u"content"_s, u"AAEC"_s}},
                                              }}};
        QTest::newRow("account with e-mail")
            << QString() << u"Idea"_s << u"Dark mode \U0001F319"_s
            << Identity(FeedbackSenderIdentity{u"Ada"_s, u"m-1"_s, u"ada@example.com"_s})
            << QList<FeedbackImageAttachment>{first}
            << QJsonObject{
                   {u"name"_s, u"Ada"_s},
                   {u"linkedInId"_s, u"m-1"_s},
                   {u"email"_s, u"ada@example.com"_s},
                   {u"title"_s, u"Idea"_s},
                   {u"message"_s, u"Dark mode \U0001F319"_s},
                   {u"attachments"_s, QJsonArray{QJsonObject{{u"filename"_s, u"feedback-1.jpg"_s},
                                                             {u"content"_s, u"AAEC"_s}}}}};
    }
    void sendsTheFeedbackAsJson()
    {
        QFETCH(QString, basePath);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(Identity, identity);
        QFETCH(QList<FeedbackImageAttachment>, attachments);
        QFETCH(QJsonObject, body);

        TestServer server;
        server.setAnswer("POST", basePath + feedbackPath, TestServer::json(200, R"({"ok":true})"));
        FeedbackService service(server.url(basePath));
        const auto result = QCoro::waitFor(service.send(title, message, identity, attachments));
        QVERIFY2(result, qPrintable(result ? QString() : result.error().description));

        QCOMPARE(server.requestCount(), 1);
        const auto &request = server.requests().at(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, basePath + feedbackPath);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(clientHeaders(request), QSet<QByteArray>{"content-type"});
        QCOMPARE(request.json(), body);
    }

    void blankMessageSendsNothing()
    {
        TestServer server;
        FeedbackService service(server.url());
        const auto error = sendOutcome(service, u" \n\t\u3000\n "_s);
        QVERIFY(error);
        QVERIFY(error->is(FeedbackError::emptyMessage));
        QCOMPARE(error->description, u"Feedback message is empty."_s);
        QCOMPARE(server.requestCount(), 0);
    }

    void answersDecideTheOutcome_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<std::optional<QString>>("message"); // nothing: success

        const std::optional<QString> success;
        QTest::newRow("204") << TestServer::status(204) << success;
        QTest::newRow("299, body ignored") << TestServer::text(299, "<html>") << success;
        QTest::newRow("422 with description")
            << TestServer::json(422, R"({"error":"invalid","errorDescription":"Too large"})")
            << std::optional(u"Too large"_s);
        QTest::newRow("422 without description")
            << TestServer::json(422, R"({"error":"invalid"})") << std::optional(u"invalid"_s);
        QTest::newRow("empty description")
            << TestServer::json(422, R"({"error":"invalid","errorDescription":""})")
            << std::optional(QString());
        QTest::newRow("500 with HTML")
            << TestServer::text(500, "<html><body>Oops</body></html>", "text/html")
            << std::optional(u"Feedback send failed."_s);
        QTest::newRow("413 without body")
            << TestServer::status(413) << std::optional(u"Feedback send failed."_s);
        QTest::newRow("300 is no success")
            << TestServer::json(300, R"({"error":"choices"})") << std::optional(u"choices"_s);
    }
    void answersDecideTheOutcome()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(std::optional<QString>, message);

        TestServer server;
        server.setAnswer("POST", feedbackPath, answer);
        FeedbackService service(server.url());
        const auto error = sendOutcome(service, u"hello"_s);
        QCOMPARE(server.requestCount(), 1);
        if (!message) {
            QVERIFY2(!error, qPrintable(error ? error->description : QString()));
            return;
        }
        QVERIFY(error);
        QVERIFY(error->is(FeedbackError::server));
        QCOMPARE(error->description, *message);
    }

    void transportFailurePassesThrough()
    {
        TestServer server;
        server.setAnswer("POST", feedbackPath, TestServer::dropConnection());
        FeedbackService service(server.url());
        const auto error = sendOutcome(service, u"hello"_s);
        QVERIFY(error);
        QCOMPARE(error->kind, Error::Kind::Transport);
    }

    // Screenshots are several megabytes; they travel whole and byte for byte.
    void sendsLargeAttachmentsWhole()
    {
        QByteArray image(3 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(7);
        generator.fillRange(reinterpret_cast<quint32 *>(image.data()), image.size() / 4);
        const QString first = QString::fromLatin1(image.toBase64());
        const QString second = QString::fromLatin1(image.left(image.size() / 2).toBase64());

        TestServer server;
        server.setAnswer("POST", feedbackPath, TestServer::status(201));
        FeedbackService service(server.url());
        const auto result =
            QCoro::waitFor(service.send(u"Screens"_s, u"See attached"_s, std::nullopt,
                                        {{QUuid::createUuid(), u"feedback-1.jpg"_s, first},
                                         {QUuid::createUuid(), u"feedback-2.jpg"_s, second}}));
        QVERIFY2(result, qPrintable(result ? QString() : result.error().description));

        QCOMPARE(server.requestCount(), 1);
        const auto sent = server.requests().at(0).json().value(u"attachments"_s).toArray();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).toObject().value(u"content"_s).toString(), first);
        QCOMPARE(sent.at(1).toObject().value(u"content"_s).toString(), second);
        QCOMPARE(QByteArray::fromBase64(sent.at(0)[u"content"_s].toString().toLatin1()), image);
    }
};

QTEST_GUILESS_MAIN(TestFeedbackService)
#include "tst_feedbackservice.moc"
