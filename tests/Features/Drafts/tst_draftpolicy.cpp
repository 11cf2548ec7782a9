#include "DraftPolicy.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QDateTime at(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(1'800'000'000 + seconds, Qt::UTC);
}

QUuid uuid(int n)
{
    return QUuid(u"00000000-0000-4000-8000-%1"_s.arg(n, 12, 10, QChar(u'0')));
}

QList<Draft> drafts(int count)
{
    QList<Draft> list;
    for (int i = 0; i < count; ++i)
        list.append({uuid(i + 1), u"body %1"_s.arg(i + 1), at(i), at(i)});
    return list;
}

} // namespace

class TestDraftPolicy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void title_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("title");

        QTest::newRow("leading blank lines and padding")
            << u"\n\n  Hello world  \nsecond line"_s << u"Hello world"_s;
        QTest::newRow("empty") << QString() << u"Untitled draft"_s;
        QTest::newRow("only line feeds") << u"\n\n\n"_s << u"Untitled draft"_s;
        QTest::newRow("first line only spaces") << u"   \nnext"_s << QString();
        QTest::newRow("CR LF is no separator") << u"one\r\ntwo\nthree"_s << u"one\r\ntwo"_s;
        QTest::newRow("100 characters keep 72") << QString(100, u'a') << QString(72, u'a');
        // A family emoji (four people joined by zero-width joiners) is one character.
        const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466"_s;
        QTest::newRow("emoji count once") << family.repeated(80) << family.repeated(72);
        QTest::newRow("styled letters count once")
            << u"\U0001D5D5"_s.repeated(73) << u"\U0001D5D5"_s.repeated(72);
        QTest::newRow("trailing CR trimmed") << u"line\r"_s << u"line"_s;
    }
    void title()
    {
        QFETCH(QString, body);
        QFETCH(QString, title);
        QCOMPARE((Draft{uuid(1), body, at(0), at(0)}.title()), title);
    }

    void savingUnchangedTextChangesNothing()
    {
        const auto list = drafts(3);
        // The same text in another normalisation form is the same text.
        auto composed = list;
        composed[1].body = u"caf\u00e9"_s;
        const auto result = DraftPolicy::save(composed, uuid(2), u"cafe\u0301"_s, at(100));
        QCOMPARE(result, (DraftPolicy::SaveResult{composed, uuid(2), std::nullopt}));
    }

    void savingChangedTextUpdatesInPlace()
    {
        const auto list = drafts(5);
        const auto result = DraftPolicy::save(list, uuid(3), u"new text"_s, at(100));
        QCOMPARE(result.drafts.size(), 5);
        const Draft expected{uuid(3), u"new text"_s, at(2), at(100)};
        QCOMPARE(result.drafts.at(2), expected);
        QCOMPARE(result.changedDraft, expected);
        QCOMPARE(result.editingDraftID, uuid(3));
        QCOMPARE(result.drafts.at(0), list.at(0));
    }

    void savingWithAStaleIdCreatesANewDraftOnTop()
    {
        const auto list = drafts(2);
        const auto result = DraftPolicy::save(list, uuid(99), u"fresh"_s, at(100), uuid(50));
        const Draft created{uuid(50), u"fresh"_s, at(100), at(100)};
        QCOMPARE(result, (DraftPolicy::SaveResult{{created, list[0], list[1]}, uuid(50), created}));
        QCOMPARE(DraftPolicy::save(list, std::nullopt, u"x"_s, at(1)).drafts.size(), 3);
        QVERIFY(DraftPolicy::save(list, std::nullopt, u"x"_s, at(1)).editingDraftID != uuid(50));
    }

    void aNewDraftInAFullListDropsTheLast()
    {
        const auto list = drafts(15);
        const auto result =
            DraftPolicy::save(list, std::nullopt, u"sixteenth"_s, at(100), uuid(50));
        QCOMPARE(result.drafts.size(), 15);
        QCOMPARE(result.drafts.first().id, uuid(50));
        QCOMPARE(result.drafts.last(), list.at(13));
        QCOMPARE(DraftPolicy::prune(drafts(20)), drafts(15));
        QCOMPARE(DraftPolicy::prune(drafts(4)), drafts(4));
    }

    void removing()
    {
        const auto list = drafts(3);
        QCOMPARE(DraftPolicy::remove(list, uuid(99)), list);
        QCOMPARE(DraftPolicy::remove(list, uuid(2)), (QList<Draft>{list[0], list[2]}));
    }

    void trimmedBody()
    {
        QCOMPARE(DraftPolicy::trimmedBody(u" \n\t a \n b\u00a0\u2028\r\n"_s), u"a \n b"_s);
        QCOMPARE(DraftPolicy::trimmedBody(u" \n "_s), QString());
    }

    void storedFormRoundTrips()
    {
        const Draft whole{uuid(7), u"text \U0001D5D5"_s, at(0), at(60)};
        const auto json = whole.toJson();
        QCOMPARE(json.value(u"id"_s).toString(),
                 u"00000000-0000-4000-8000-000000000007"_s.toUpper());
        QCOMPARE(Draft::fromJson(JsonReader(json)), whole);

        Draft fractional = whole;
        fractional.updatedAt = fractional.updatedAt.addMSecs(500);
        const auto readBack = Draft::fromJson(JsonReader(fractional.toJson()));
        QVERIFY(readBack);
        QVERIFY(*readBack != fractional);
        QCOMPARE(*readBack, whole);

        auto lower = json;
        lower[u"id"_s] = lower[u"id"_s].toString().toLower();
        QCOMPARE(Draft::fromJson(JsonReader(lower)), whole);
        lower.remove(u"body"_s);
        QCOMPARE(Draft::fromJson(JsonReader(lower)).error().description, u"missing key \"body\""_s);
    }
};

QTEST_GUILESS_MAIN(TestDraftPolicy)
#include "tst_draftpolicy.moc"
