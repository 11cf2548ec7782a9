#include "LinkedInProfile.h"
#include "LinkedInToken.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

LinkedInToken fullToken()
{
    return {u"fake-access-token"_s,
            u"fake-id-token"_s,
            u"Bearer"_s,
            u"openid profile w_member_social"_s,
            qint64(5183999),
            {u"member-1"_s, u"Ada Example"_s, u"https://media.example.com/ada.jpg"_s,
             u"ada@example.com"_s, u"Engineer"_s, u"Ingenieurin"_s},
            QDateTime::fromSecsSinceEpoch(1796962280, Qt::UTC)};
}

} // namespace

class TestLinkedInModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tokenRoundTripsThroughJson_data()
    {
        QTest::addColumn<LinkedInToken>("token");
        QTest::newRow("every field") << fullToken();
        LinkedInToken minimal{u"fake-access-token"_s,
                              {},
                              {},
                              {},
                              {},
                              {u"member-1"_s, u"Ada"_s, {}, {}, {}, {}},
                              QDateTime::fromSecsSinceEpoch(0, Qt::UTC)};
        QTest::newRow("required fields only") << minimal;
        LinkedInToken empty = minimal;
        empty.accessToken.clear();
        empty.profile.memberID.clear();
        QTest::newRow("empty strings are kept") << empty;
    }
    void tokenRoundTripsThroughJson()
    {
        QFETCH(LinkedInToken, token);
        const auto decoded = LinkedInToken::decode(token.encoded());
        QVERIFY(decoded);
        QVERIFY(*decoded == token);
    }

    void tokenJsonUsesTheWireKeys()
    {
        const QJsonObject json = fullToken().toJson();
        QCOMPARE(json.keys(),
                 (QStringList{u"accessToken"_s, u"connectedAt"_s, u"expiresIn"_s, u"idToken"_s,
                              u"profile"_s, u"scope"_s, u"tokenType"_s}));
        QCOMPARE(json.value(u"connectedAt"_s).toString(), u"2026-12-11T04:11:20Z"_s);
        QCOMPARE(json.value(u"expiresIn"_s).toInteger(), 5183999);
        QCOMPARE(json.value(u"profile"_s).toObject().keys(),
                 (QStringList{u"email"_s, u"headline"_s, u"localizedHeadline"_s, u"memberId"_s,
                              u"name"_s, u"pictureUrl"_s}));

        LinkedInToken minimal = fullToken();
        minimal.idToken.reset();
        minimal.tokenType.reset();
        minimal.scope.reset();
        minimal.expiresIn.reset();
        minimal.profile = {u"member-1"_s, u"Ada"_s, {}, {}, {}, {}};
        const QJsonObject sparse = minimal.toJson();
        QCOMPARE(sparse.keys(), (QStringList{u"accessToken"_s, u"connectedAt"_s, u"profile"_s}));
        QCOMPARE(sparse.value(u"profile"_s).toObject().keys(),
                 (QStringList{u"memberId"_s, u"name"_s}));
    }

    void decodesServerTokens_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error"); // empty: decodes

        const auto profile = R"("profile":{"memberId":"m1","name":"Ada"})"_ba;
        const auto date = R"("connectedAt":"2026-12-11T04:11:20Z")"_ba;
        QTest::newRow("nulls are absent, unknown keys ignored")
            << R"({"accessToken":"t","idToken":null,"expiresIn":null,"extra":1,)"_ba + profile +
                   ',' + date + '}'
            << QString();
        QTest::newRow("profile without memberId")
            << R"({"accessToken":"t","profile":{"name":"Ada"},)"_ba + date + '}'
            << u"missing key \"profile.memberId\""_s;
        QTest::newRow("no access token")
            << "{"_ba + profile + ',' + date + '}' << u"missing key \"accessToken\""_s;
        QTest::newRow("no profile")
            << R"({"accessToken":"t",)"_ba + date + '}' << u"missing key \"profile\""_s;
        QTest::newRow("no date") << R"({"accessToken":"t",)"_ba + profile + '}'
                                 << u"missing key \"connectedAt\""_s;
        QTest::newRow("bad date") << R"({"accessToken":"t",)"_ba + profile +
                                         R"(,"connectedAt":"yesterday"})"
                                  << u"connectedAt"_s;
        QTest::newRow("expiresIn not an integer")
            << R"({"accessToken":"t","expiresIn":1.5,)"_ba + profile + ',' + date + '}'
            << u"expected an integer for key \"expiresIn\""_s;
        QTest::newRow("optional string of the wrong type")
            << R"({"accessToken":"t","scope":7,)"_ba + profile + ',' + date + '}'
            << u"expected a string for key \"scope\""_s;
        QTest::newRow("not JSON") << "{\"accessToken\":"_ba << u"invalid JSON"_s;
        QTest::newRow("an array") << "[]"_ba << u"expected a JSON object"_s;
    }
    void decodesServerTokens()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto token = LinkedInToken::decode(json);
        if (error.isEmpty()) {
            QVERIFY2(token, qPrintable(token ? QString() : token.error().description));
            QVERIFY(!token->idToken);
            QVERIFY(!token->expiresIn);
            QCOMPARE(token->profile.memberID, u"m1"_s);
        } else {
            QVERIFY(!token);
            QCOMPARE(token.error().kind, Error::Kind::Decoding);
            QVERIFY2(token.error().description.contains(error),
                     qPrintable(token.error().description));
        }
    }

    void pictureUrlIsReadOnlyWithItsOwnSpelling_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("pictureURL"); // null: absent

        QTest::newRow("pictureUrl")
            << R"({"memberId":"m","name":"n","pictureUrl":"not a url"})"_ba << u"not a url"_s;
        QTest::newRow("pictureURL is another key")
            << R"({"memberId":"m","name":"n","pictureURL":"https://x.example/p.jpg"})"_ba
            << QString();
    }
    void pictureUrlIsReadOnlyWithItsOwnSpelling()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, pictureURL);
        const auto object = AppJson::decodeObject(json);
        QVERIFY(object);
        const auto profile = LinkedInProfile::fromJson(JsonReader(*object));
        QVERIFY(profile);
        QCOMPARE(profile->pictureURL.has_value(), !pictureURL.isNull());
        QCOMPARE(profile->pictureURL.value_or(QString()), pictureURL);
    }

    void displayHeadline_data()
    {
        QTest::addColumn<QString>("localizedHeadline"); // null: absent
        QTest::addColumn<QString>("headline");          // null: absent
        QTest::addColumn<QString>("expected");          // null: absent

        QTest::newRow("localized wins, trimmed")
            << u"\n Ingenieurin \t"_s << u"Engineer"_s << u"Ingenieurin"_s;
        QTest::newRow("blank localized falls back to the trimmed headline")
            << u"   "_s << u" Engineer "_s << u"Engineer"_s;
        QTest::newRow("absent localized falls back") << QString() << u"Engineer"_s << u"Engineer"_s;
        QTest::newRow("unicode spaces and line breaks count as blank")
            << u"\u00a0\u3000\u2028"_s << u"\r\nEngineer\u00a0"_s << u"Engineer"_s;
        QTest::newRow("both blank") << u" "_s << u"\n"_s << QString();
        QTest::newRow("both absent") << QString() << QString() << QString();
        QTest::newRow("inner spaces stay")
            << QString() << u" Staff  Engineer "_s << u"Staff  Engineer"_s;
    }
    void displayHeadline()
    {
        QFETCH(QString, localizedHeadline);
        QFETCH(QString, headline);
        QFETCH(QString, expected);
        const auto optional = [](const QString &text) {
            return text.isNull() ? std::nullopt : std::optional<QString>(text);
        };
        LinkedInProfile profile{
            u"m"_s, u"n"_s, {}, {}, optional(headline), optional(localizedHeadline)};
        QCOMPARE(profile.displayHeadline(), optional(expected));
    }
};

QTEST_GUILESS_MAIN(TestLinkedInModels)
#include "tst_linkedinmodels.moc"
