#include "NaturalizeError.h"
#include "NaturalizeService.h"
#include "TestServer.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr auto completionsPath = "/v1beta/openai/chat/completions"_L1;

const QString instruction =
    u"You receive a LinkedIn post draft from the user. Draft a LinkedIn post, fix grammar, "
    "naturalize English, preserve the author's style, and do not modify meaning. Make it hooked "
    "in the first 2-3 sentences. Carefully compress the draft: eliminate unnecessary words and "
    "replace longer words with shorter ones, ensuring the post retains its original meaning, "
    "information, and tone. At the end, give 5 relevant and most crowded hashtags for the post "
    "on LinkedIn. Do not explain your edits or wrap the answer in quotes. Return only the "
    "edited post and hashtags."_s;

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

QByteArray answerWith(const QByteArray &choices)
{
    return R"({"id":"c-1","object":"chat.completion","choices":)" + choices +
           R"(,"usage":{"total_tokens":12}})";
}

QByteArray choice(const QByteArray &content)
{
    return R"({"index":0,"finish_reason":"stop","message":{"role":"assistant","content":)" +
           content + "}}";
}

} // namespace

class TestNaturalizeService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsToTheProvidersEndpoint()
    {
        const NaturalizeService service;
        QCOMPARE(service.chatCompletionURL().scheme(), u"https"_s);
        QCOMPARE(service.chatCompletionURL().path(), QString(completionsPath));
    }

    void sendsTheDraftWithTheInstruction()
    {
        TestServer server;
        server.setAnswer("POST", completionsPath,
                         TestServer::json(200, answerWith("[" + choice(R"("Done")") + "]")));
        NaturalizeService service(server.url(completionsPath));
        const QString draft = u"\n\n  i has \U0001D5EF\U0001D5FC\U0001D5F9\U0001D5F1 idea \n\n"_s;
        const auto result =
            QCoro::waitFor(service.naturalize(draft, AISettings{u" \n sk-key-1\t\n"_s}));
        QCOMPARE(result, Result<QString>(u"Done"_s));

        QCOMPARE(server.requestCount(), 1);
        const auto &request = server.requests().at(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QString(completionsPath));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer sk-key-1"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(clientHeaders(request), (QSet<QByteArray>{"authorization", "content-type"}));
        const QJsonObject expected{
            {u"model"_s, u"gemini-3.8-flash"_s},
            {u"temperature"_s, 0.2},
            {u"messages"_s,
             QJsonArray{
                 QJsonObject{{u"role"_s, u"system"_s}, {u"content"_s, instruction}},
                 // The draft as given, its blank lines included.
                 QJsonObject{{u"role"_s, u"user"_s},
                             {u"content"_s, QString(u"Edit this LinkedIn draft:\n\n"_s + draft)}},
             }},
        };
        QCOMPARE(request.json(), expected);
    }

    void refusesBlankDraftOrKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("apiKey");
        QTest::addColumn<NaturalizeError>("error");
        QTest::addColumn<QString>("description");

        QTest::newRow("blank draft, key present")
            << u" \n\u3000\n"_s << u"sk-1"_s << NaturalizeError::emptyText << u"Post is empty."_s;
        QTest::newRow("blank draft before a blank key")
            << u"\n"_s << QString() << NaturalizeError::emptyText << u"Post is empty."_s;
        QTest::newRow("blank key") << u"draft"_s << u" \n "_s << NaturalizeError::missingAPIKey
                                   << u"Add your AI API key in Settings first."_s;
    }
    void refusesBlankDraftOrKey()
    {
        QFETCH(QString, text);
        QFETCH(QString, apiKey);
        QFETCH(NaturalizeError, error);
        QFETCH(QString, description);

        TestServer server;
        NaturalizeService service(server.url(completionsPath));
        const auto result = QCoro::waitFor(service.naturalize(text, AISettings{apiKey}));
        QVERIFY(!result);
        QVERIFY(result.error().is(error));
        QCOMPARE(result.error().description, description);
        QCOMPARE(server.requestCount(), 0);
    }

    void readsTheAnswer_data()
    {
        QTest::addColumn<TestServer::Answer>("answer");
        QTest::addColumn<Result<QString>>("result");

        const auto server = [](const QString &message) {
            return Result<QString>(fail(Error::service(NaturalizeError::server, message)));
        };
        const auto decoding = Result<QString>(fail(Error::decoding({})));

        QTest::newRow("blank lines around the rewrite are trimmed")
            << TestServer::json(
                   200, answerWith("[" + choice("\"\\n\\nBetter post\\n\\n#a #b\\n\"") + "]"))
            << Result<QString>(u"Better post\n\n#a #b"_s);
        QTest::newRow("quotes stay")
            << TestServer::json(200, answerWith("[" + choice("\"\\\"Quoted\\\"\"") + "]"))
            << Result<QString>(u"\"Quoted\""_s);
        QTest::newRow("the first of two choices")
            << TestServer::json(
                   201, answerWith("[" + choice(R"("one")") + "," + choice(R"("two")") + "]"))
            << Result<QString>(u"one"_s);
        QTest::newRow("no choices")
            << TestServer::json(200, answerWith("[]")) << server(u"AI edit failed."_s);
        QTest::newRow("blank content")
            << TestServer::json(200, answerWith("[" + choice("\" \\n \"") + "]"))
            << server(u"AI edit failed."_s);
        QTest::newRow("2xx, not JSON") << TestServer::text(200, "<html>ok</html>") << decoding;
        QTest::newRow("2xx, no choices key")
            << TestServer::json(200, R"({"id":"c-1"})") << decoding;
        QTest::newRow("2xx, a choice without content")
            << TestServer::json(200, R"({"choices":[{"message":{"role":"assistant"}}]})")
            << decoding;
        QTest::newRow("400 with the provider's message, untrimmed")
            << TestServer::json(400, R"({"error":{"code":400,"message":" API key not valid. "}})")
            << server(u" API key not valid. "_s);
        QTest::newRow("500 with HTML") << TestServer::text(500, "<html>oops</html>", "text/html")
                                       << server(u"AI edit failed."_s);
        QTest::newRow("error as a string")
            << TestServer::json(401, R"({"error":"denied"})") << server(u"AI edit failed."_s);
        QTest::newRow("error without message")
            << TestServer::json(429, R"({"error":{"code":429}})") << server(u"AI edit failed."_s);
    }
    void readsTheAnswer()
    {
        QFETCH(TestServer::Answer, answer);
        QFETCH(Result<QString>, result);

        TestServer server;
        server.setAnswer("POST", completionsPath, answer);
        NaturalizeService service(server.url(completionsPath));
        const auto actual = QCoro::waitFor(service.naturalize(u"draft"_s, AISettings{u"k"_s}));
        if (result) {
            QCOMPARE(actual, result);
        } else if (result.error().kind == Error::Kind::Decoding) {
            QVERIFY(!actual);
            QCOMPARE(actual.error().kind, Error::Kind::Decoding);
            QVERIFY(!actual.error().description.isEmpty());
        } else {
            QCOMPARE(actual, result);
        }
    }

    void transportFailurePassesThrough()
    {
        TestServer server;
        server.setAnswer("POST", completionsPath, TestServer::dropConnection());
        NaturalizeService service(server.url(completionsPath));
        const auto result = QCoro::waitFor(service.naturalize(u"draft"_s, AISettings{u"k"_s}));
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Error::Kind::Transport);
    }
};

QTEST_GUILESS_MAIN(TestNaturalizeService)
#include "tst_naturalizeservice.moc"
