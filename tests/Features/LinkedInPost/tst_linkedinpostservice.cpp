#include "LinkedInPostError.h"
#include "LinkedInPostService.h"
#include "TestServer.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

using Fields = QMap<QString, QString>;
using Credential = std::optional<LinkedInPostCredential>;

namespace {

constexpr auto postPath = "/api/linkedin/post"_L1;
const LinkedInPostCredential credential{u"token-1"_s, u"member-7"_s};

// The boundary from a "multipart/form-data; boundary=..." header, or an empty array.
QByteArray boundaryOf(const QByteArray &contentType)
{
    constexpr QByteArrayView prefix("multipart/form-data; boundary=");
    return contentType.startsWith(prefix) ? contentType.mid(prefix.size()) : QByteArray();
}

// The text fields of a multipart/form-data body, read from the format's grammar; nothing
// when the body is malformed.
std::optional<Fields> formFields(const QByteArray &body, const QByteArray &boundary)
{
    const QByteArray delimiter = "--" + boundary;
    const QByteArray closing = delimiter + "--\r\n";
    const QByteArray opening = delimiter + "\r\n";
    const QByteArray nextDelimiter = "\r\n" + delimiter;
    if (!body.endsWith(closing) || !body.startsWith(opening))
        return std::nullopt;
    constexpr QByteArrayView dispositionPrefix("Content-Disposition: form-data; name=\"");
    constexpr QByteArrayView headersEnd("\"\r\n\r\n");
    Fields fields;
    qsizetype at = delimiter.size() + 2;
    const qsizetype end = body.size() - closing.size();
    while (at < end) {
        if (body.mid(at, dispositionPrefix.size()) != dispositionPrefix)
            return std::nullopt;
        at += dispositionPrefix.size();
        const qsizetype nameEnd = body.indexOf(headersEnd, at);
        const qsizetype valueEnd = body.indexOf(nextDelimiter, at);
        if (nameEnd < 0 || valueEnd < 0 || nameEnd > valueEnd)
            return std::nullopt;
        const QString name = QString::fromUtf8(body.mid(at, nameEnd - at));
        const qsizetype valueStart = nameEnd + headersEnd.size();
        fields.insert(name, QString::fromUtf8(body.mid(valueStart, valueEnd - valueStart)));
        at = valueEnd + 2 + delimiter.size();
        if (body.mid(at, 2) == "\r\n")
            at += 2;
    }
    return fields;
}

} // namespace

class TestLinkedInPostService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendsTheFormWithTheTrimmedText_data()
    {
        QTest::addColumn<QString>("basePath");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("commentary");

        QTest::newRow("blank lines around, inner blank lines kept")
            << QString() << u"\n\n  First line\n\nsecond  line \n\n"_s
            << u"First line\n\nsecond  line"_s;
        QTest::newRow("styled letters and emoji, base with a path")
            << u"/v1"_s << u"\U0001D5DB\U0001D5F2\U0001D5F9\U0001D5F9\U0001D5FC \U0001F680"_s
            << u"\U0001D5DB\U0001D5F2\U0001D5F9\U0001D5F9\U0001D5FC \U0001F680"_s;
        QTest::newRow("unicode spaces and separators at the ends")
            << QString() << u"\u3000\u00A0\u2028post\u2029\t\r\n"_s << u"post"_s;
    }
    void sendsTheFormWithTheTrimmedText()
    {
        QFETCH(QString, basePath);
        QFETCH(QString, text);
        QFETCH(QString, commentary);

        TestServer server;
        server.setAnswer("POST", basePath + postPath, TestServer::json(200, "{}"));
        LinkedInPostService service(server.url(basePath));
        const auto result = QCoro::waitFor(service.publish(text, credential));
        QVERIFY2(result, qPrintable(result ? QString() : result.error().description));

        QCOMPARE(server.requestCount(), 1);
        const auto &request = server.requests().at(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, basePath + postPath);
        QVERIFY(request.query.isEmpty());
        QVERIFY(!request.hasHeader("Authorization"));
        const QByteArray boundary = boundaryOf(request.header("Content-Type"));
        QVERIFY2(QRegularExpression(u"^Boundary-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s)
                     .match(QString::fromLatin1(boundary))
                     .hasMatch(),
                 boundary.constData());

        const auto fields = formFields(request.body, boundary);
        QVERIFY(fields);
        const QString timezone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
        QVERIFY(!timezone.isEmpty());
        QCOMPARE(*fields, (Fields{{u"accessToken"_s, u"token-1"_s},
                                  {u"memberId"_s, u"member-7"_s},
                                  {u"commentary"_s, commentary},
                                  {u"timezone"_s, timezone}}));
    }

    // Checked in this order, before any request.
    void refusesWithoutTextOrCredential_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Credential>("credential");
        QTest::addColumn<LinkedInPostError>("error");
        QTest::addColumn<QString>("description");

        QTest::newRow("blank text with a credential")
            << u" \n\t\n "_s << Credential(credential) << LinkedInPostError::emptyPost
            << u"Post is empty."_s;
        QTest::newRow("blank text comes before a missing credential")
            << u"\n\n"_s << Credential() << LinkedInPostError::emptyPost << u"Post is empty."_s;
        QTest::newRow("no credential")
            << u"hello"_s << Credential() << LinkedInPostError::missingAuth
            << u"Connect LinkedIn first."_s;
        QTest::newRow("empty token")
            << u"hello"_s << Credential(LinkedInPostCredential{QString(), u"member-7"_s})
            << LinkedInPostError::missingAuth << u"Connect LinkedIn first."_s;
        QTest::newRow("empty member id")
            << u"hello"_s << Credential(LinkedInPostCredential{u"token-1"_s, QString()})
            << LinkedInPostError::missingAuth << u"Connect LinkedIn first."_s;
    }
    void refusesWithoutTextOrCredential()
    {
        QFETCH(QString, text);
        QFETCH(Credential, credential);
        QFETCH(LinkedInPostError, error);
        QFETCH(QString, description);

        TestServer server;
        server.setAnswer("POST", postPath, TestServer::json(200, "{}"));
        LinkedInPostService service(server.url());
        const auto result = QCoro::waitFor(service.publish(text, credential));
        QVERIFY(!result);
        QVERIFY(result.error().is(error));
        QCOMPARE(result.error().description, description);
        QCOMPARE(server.requestCount(), 0);
    }

    void answersDecideTheOutcome_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<std::optional<QString>>("message"); // nothing: success

        const std::optional<QString> success;
        QTest::newRow("200") << TestServer::json(200, "{}") << success;
        QTest::newRow("201, body not read") << TestServer::text(201, "<html>") << success;
        QTest::newRow("300 is no success")
            << TestServer::json(300, R"({"error":"choices"})") << std::optional(u"choices"_s);
        QTest::newRow("401 with error only")
            << TestServer::json(401, R"({"error":"X"})") << std::optional(u"X"_s);
        QTest::newRow("description wins")
            << TestServer::json(400, R"({"error":"X","errorDescription":"Token expired"})")
            << std::optional(u"Token expired"_s);
        QTest::newRow("empty description still wins")
            << TestServer::json(400, R"({"error":"X","errorDescription":""})")
            << std::optional(QString());
        QTest::newRow("null description falls back to error")
            << TestServer::json(400, R"({"error":"X","errorDescription":null})")
            << std::optional(u"X"_s);
        QTest::newRow("not JSON") << TestServer::text(502, "<html>Bad gateway</html>", "text/html")
                                  << std::optional(u"LinkedIn post failed."_s);
        QTest::newRow("empty body")
            << TestServer::status(500) << std::optional(u"LinkedIn post failed."_s);
        QTest::newRow("envelope without error")
            << TestServer::json(500, R"({"errorDescription":"y"})")
            << std::optional(u"LinkedIn post failed."_s);
    }
    void answersDecideTheOutcome()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(std::optional<QString>, message);

        TestServer server;
        server.setAnswer("POST", postPath, answer);
        LinkedInPostService service(server.url());
        const auto result = QCoro::waitFor(service.publish(u"hello"_s, credential));
        QCOMPARE(server.requestCount(), 1);
        if (!message) {
            QVERIFY2(result, qPrintable(result ? QString() : result.error().description));
            return;
        }
        QVERIFY(!result);
        QVERIFY(result.error().is(LinkedInPostError::server));
        QCOMPARE(result.error().description, *message);
    }

    void transportFailurePassesThrough()
    {
        TestServer server;
        server.setAnswer("POST", postPath, TestServer::dropConnection());
        LinkedInPostService service(server.url());
        const auto result = QCoro::waitFor(service.publish(u"hello"_s, credential));
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Error::Kind::Transport);
        QVERIFY(!result.error().description.isEmpty());
    }

    void everyRequestHasItsOwnBoundary()
    {
        TestServer server;
        server.setAnswer("POST", postPath, TestServer::status(204));
        LinkedInPostService service(server.url());
        QVERIFY(QCoro::waitFor(service.publish(u"one"_s, credential)));
        QVERIFY(QCoro::waitFor(service.publish(u"two"_s, credential)));
        QCOMPARE(server.requestCount(), 2);
        const auto first = boundaryOf(server.requests().at(0).header("Content-Type"));
        const auto second = boundaryOf(server.requests().at(1).header("Content-Type"));
        QVERIFY(!first.isEmpty());
        QVERIFY(first != second);
        QCOMPARE(formFields(server.requests().at(1).body, second)->value(u"commentary"_s),
                 u"two"_s);
    }
};

QTEST_GUILESS_MAIN(TestLinkedInPostService)
#include "tst_linkedinpostservice.moc"
