#include "AppJson.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAppJson : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("epoch"); // -1: rejected

        QTest::newRow("zulu") << u"2026-12-11T04:11:20Z"_s << qint64(1796962280);
        QTest::newRow("offset is converted to UTC")
            << u"2026-12-11T06:11:20+02:00"_s << qint64(1796962280);
        QTest::newRow("negative offset") << u"2026-12-10T23:11:20-05:00"_s << qint64(1796962280);
        QTest::newRow("far future parking marker")
            << u"4001-01-01T00:00:00Z"_s << qint64(64092211200);
        QTest::newRow("milliseconds are rejected") << u"2026-12-11T04:11:20.123Z"_s << qint64(-1);
        QTest::newRow("no zone") << u"2026-12-11T04:11:20"_s << qint64(-1);
        QTest::newRow("date only") << u"2026-12-11"_s << qint64(-1);
        QTest::newRow("impossible day") << u"2026-02-30T00:00:00Z"_s << qint64(-1);
        QTest::newRow("empty") << QString() << qint64(-1);
        QTest::newRow("lower-case separators") << u"2026-12-11t04:11:20z"_s << qint64(1796962280);
        QTest::newRow("letter in a field") << u"2026-1a-11T04:11:20Z"_s << qint64(-1);
        QTest::newRow("sign in a field") << u"2026-12-11T04:+1:20Z"_s << qint64(-1);
        QTest::newRow("non-ASCII digit") << u"2026-12-11T04:11:2\u0663Z"_s << qint64(-1);
        QTest::newRow("wrong separator") << u"2026/12/11T04:11:20Z"_s << qint64(-1);
        QTest::newRow("offset without sign") << u"2026-12-11T04:11:20 02:00"_s << qint64(-1);
        QTest::newRow("offset hours out of range") << u"2026-12-11T04:11:20+24:00"_s << qint64(-1);
        QTest::newRow("offset minutes out of range")
            << u"2026-12-11T04:11:20+02:60"_s << qint64(-1);
        QTest::newRow("trailing text") << u"2026-12-11T04:11:20Zx"_s << qint64(-1);
    }
    void decodesDates()
    {
        QFETCH(QString, text);
        QFETCH(qint64, epoch);
        const auto date = AppJson::decodeDate(text);
        if (epoch < 0) {
            QVERIFY(!date);
        } else {
            QVERIFY(date);
            QCOMPARE(date->toSecsSinceEpoch(), epoch);
        }
    }

    void encodedDateReadsBackTruncatedToTheSecond()
    {
        const auto instant = QDateTime::fromMSecsSinceEpoch(1796962280789, Qt::UTC);
        const QString text = AppJson::encodeDate(instant.toOffsetFromUtc(3600));
        QCOMPARE(text, u"2026-12-11T04:11:20Z"_s);
        QCOMPARE(AppJson::decodeDate(text), QDateTime::fromSecsSinceEpoch(1796962280, Qt::UTC));
    }

    void uuidsAreWrittenUpperCaseAndReadInEitherCase()
    {
        const auto id = QUuid::fromString(u"3f2504e0-4f89-11d3-9a0c-0305e82c3301"_s);
        QCOMPARE(AppJson::encodeUuid(id), u"3F2504E0-4F89-11D3-9A0C-0305E82C3301"_s);
        QCOMPARE(AppJson::decodeUuid(u"3F2504E0-4F89-11D3-9A0C-0305E82C3301"_s), id);
        QCOMPARE(AppJson::decodeUuid(u"3f2504e0-4f89-11d3-9a0c-0305e82c3301"_s), id);
        QVERIFY(!AppJson::decodeUuid(u"{3f2504e0-4f89-11d3-9a0c-0305e82c3301}"_s));
        QVERIFY(!AppJson::decodeUuid(u"3f2504e04f8911d39a0c0305e82c3301"_s));
        QVERIFY(!AppJson::decodeUuid(u"not-a-uuid"_s));
    }

    void readerNamesTheFailingMember_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");

        QTest::newRow("missing") << R"({"outer":{}})"_ba << u"missing key \"outer.name\""_s;
        QTest::newRow("null counts as missing")
            << R"({"outer":{"name":null}})"_ba << u"missing key \"outer.name\""_s;
        QTest::newRow("wrong type")
            << R"({"outer":{"name":5}})"_ba << u"expected a string for key \"outer.name\""_s;
        QTest::newRow("outer wrong type")
            << R"({"outer":[]})"_ba << u"expected an object for key \"outer\""_s;
        QTest::newRow("fine, extra members ignored")
            << R"({"outer":{"name":"x","extra":1},"more":true})"_ba << QString();
    }
    void readerNamesTheFailingMember()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto object = AppJson::decodeObject(json);
        QVERIFY(object);
        const auto outer = JsonReader(*object).object(u"outer"_s);
        const auto name = outer ? outer->string(u"name"_s) : Result<QString>(fail(outer.error()));
        if (error.isEmpty()) {
            QCOMPARE(name.value(), u"x"_s);
        } else {
            QVERIFY(!name);
            QCOMPARE(name.error().kind, Error::Kind::Decoding);
            QCOMPARE(name.error().description, error);
        }
    }

    void optionalMembersMayBeAbsentOrNull()
    {
        const JsonReader reader(*AppJson::decodeObject(R"({"a":null,"d":"bad"})"_ba));
        QCOMPARE(reader.optionalString(u"a"_s).value(), std::nullopt);
        QCOMPARE(reader.optionalString(u"b"_s).value(), std::nullopt);
        QVERIFY(!reader.optionalDate(u"d"_s));
        QVERIFY(reader.optionalDate(u"d"_s).error().description.contains(u"\"d\""_s));
    }

    void rejectsBrokenDocuments()
    {
        QVERIFY(!AppJson::decodeObject("{\"a\":"));
        QVERIFY(!AppJson::decodeObject("[]"));
        QVERIFY(!AppJson::decodeArray("{}"));
        QCOMPARE(AppJson::encode(QJsonObject{{u"a"_s, 1}}), R"({"a":1})"_ba);
    }
};

QTEST_GUILESS_MAIN(TestAppJson)
#include "tst_appjson.moc"
