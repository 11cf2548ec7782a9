#include "DraftFixtures.h"
#include "DraftSyncPolicy.h"

#include <QJsonDocument>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace Fixtures;

namespace {

using Queue = QList<DraftSyncMutation>;
using Drafts = QList<Draft>;

constexpr auto upsertOperation = DraftSyncOperation::upsert;
constexpr auto deleteOperation = DraftSyncOperation::remove;

// Queue entry `id` for draft `draftN` of owner "abc", queued at at(0).
DraftSyncMutation entry(int id, int draftN, DraftSyncOperation operation = upsertOperation,
                        int attempts = 0, std::optional<QDateTime> next = {},
                        const QString &owner = u"abc"_s)
{
    auto m = operation == upsertOperation
                 ? DraftSyncMutation::upsert(owner, draft(draftN, 0), at(0), uuid(id))
                 : DraftSyncMutation::remove(owner, uuid(draftN), at(0), uuid(id));
    m.attemptCount = attempts;
    m.nextAttemptAt = next;
    if (attempts > 0)
        m.lastError = u"Server unavailable"_s;
    return m;
}

DraftSyncMutation parked(int id, int draftN)
{
    return entry(id, draftN, upsertOperation, 5, DraftSyncMutation::parkedMarker());
}

} // namespace

class TestDraftSyncPolicy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enqueue_data()
    {
        QTest::addColumn<Queue>("queue");
        QTest::addColumn<DraftSyncMutation>("added");
        QTest::addColumn<Queue>("expected");

        QTest::newRow("into an empty queue") << Queue{} << entry(1, 1) << Queue{entry(1, 1)};
        QTest::newRow("newer upsert replaces a failed one and goes last")
            << Queue{entry(1, 4, upsertOperation, 3, at(60)), entry(2, 5, deleteOperation)}
            << entry(3, 4) << Queue{entry(2, 5, deleteOperation), entry(3, 4)};
        QTest::newRow("delete replaces a pending upsert")
            << Queue{entry(1, 4)} << entry(2, 4, deleteOperation)
            << Queue{entry(2, 4, deleteOperation)};
        QTest::newRow("upsert replaces a parked delete")
            << Queue{entry(1, 4, deleteOperation, 5, DraftSyncMutation::parkedMarker())}
            << entry(2, 4) << Queue{entry(2, 4)};
        QTest::newRow("other drafts keep their order")
            << Queue{entry(1, 1), entry(2, 2)} << entry(3, 3)
            << Queue{entry(1, 1), entry(2, 2), entry(3, 3)};
        QTest::newRow("same draft of another owner stays")
            << Queue{entry(1, 4, upsertOperation, 0, {}, u"xyz"_s)} << entry(2, 4)
            << Queue{entry(1, 4, upsertOperation, 0, {}, u"xyz"_s), entry(2, 4)};
    }
    void enqueue()
    {
        QFETCH(Queue, queue);
        QFETCH(DraftSyncMutation, added);
        QFETCH(Queue, expected);
        QCOMPARE(DraftSyncPolicy::enqueue(added, queue), expected);
    }

    void dueMutations()
    {
        const auto now = at(1000);
        const Queue queue{
            entry(1, 1, upsertOperation, 1, now.addSecs(1)), // one second too early
            entry(2, 2),                                     // no time: at once
            parked(3, 3),                                    // never
            entry(4, 4, deleteOperation, 1, now),            // exactly now counts as due
            entry(5, 5, upsertOperation, 2, now.addSecs(-60)),
        };
        QCOMPARE(DraftSyncPolicy::dueMutations(queue, now),
                 (Queue{queue.at(1), queue.at(3), queue.at(4)}));
        // A parked entry stays out even once the clock has passed the marker date.
        QCOMPARE(DraftSyncPolicy::dueMutations({parked(3, 3)},
                                               DraftSyncMutation::parkedMarker().addYears(1)),
                 Queue{});
    }

    void parking()
    {
        QVERIFY(DraftSyncPolicy::isParked(parked(1, 1)));
        QVERIFY(!DraftSyncPolicy::isParked(entry(1, 1)));
        QVERIFY(!DraftSyncPolicy::isParked(
            entry(1, 1, upsertOperation, 5, DraftSyncMutation::parkedMarker().addSecs(-1))));
        QCOMPARE(DraftSyncMutation::parkedMarker(),
                 QDateTime(QDate(4001, 1, 1), QTime(0, 0), Qt::UTC));
    }

    void resetParked()
    {
        const Queue queue{entry(1, 1, upsertOperation, 2, at(60)), parked(2, 2), entry(3, 3)};
        auto rearmed = parked(2, 2);
        rearmed.attemptCount = 0;
        rearmed.nextAttemptAt.reset();
        QCOMPARE(rearmed.lastError, u"Server unavailable"_s);
        QCOMPARE(DraftSyncPolicy::resetParked(queue), (Queue{queue.at(0), rearmed, queue.at(2)}));
    }

    void markFailed_data()
    {
        QTest::addColumn<int>("previousAttempts");
        QTest::addColumn<double>("jitter");
        QTest::addColumn<qint64>("expectedDelayMSecs"); // -1: parked

        QTest::newRow("1st, jitter 0") << 0 << 0.0 << 30'000LL;
        QTest::newRow("1st, jitter 15") << 0 << 15.0 << 45'000LL;
        QTest::newRow("1st, jitter 20 counts as 15") << 0 << 20.0 << 45'000LL;
        QTest::newRow("1st, jitter -3 counts as 0") << 0 << -3.0 << 30'000LL;
        QTest::newRow("1st, jitter NaN counts as 0")
            << 0 << std::numeric_limits<double>::quiet_NaN() << 30'000LL;
        QTest::newRow("1st, fractional jitter") << 0 << 7.25 << 37'250LL;
        QTest::newRow("2nd, jitter 0") << 1 << 0.0 << 60'000LL;
        QTest::newRow("2nd, jitter 15") << 1 << 15.0 << 75'000LL;
        QTest::newRow("3rd, jitter 0") << 2 << 0.0 << 120'000LL;
        QTest::newRow("3rd, jitter 15") << 2 << 15.0 << 135'000LL;
        QTest::newRow("4th, jitter 0") << 3 << 0.0 << 240'000LL;
        QTest::newRow("4th, jitter 15") << 3 << 15.0 << 255'000LL;
        QTest::newRow("5th parks") << 4 << 0.0 << -1LL;
        QTest::newRow("6th stays parked") << 5 << 15.0 << -1LL;
        QTest::newRow("count below zero still waits the base") << -2 << 0.0 << 30'000LL;
    }
    void markFailed()
    {
        QFETCH(int, previousAttempts);
        QFETCH(double, jitter);
        QFETCH(qint64, expectedDelayMSecs);

        const auto now = at(500);
        const auto before = entry(1, 1, upsertOperation, previousAttempts, now.addSecs(-10));
        const auto after = DraftSyncPolicy::markFailed(
            before, Error::transport(u"The Internet connection appears to be offline."_s), now,
            jitter);

        auto expected = before;
        expected.attemptCount = previousAttempts + 1;
        expected.lastError = u"The Internet connection appears to be offline."_s;
        expected.nextAttemptAt = expectedDelayMSecs < 0 ? DraftSyncMutation::parkedMarker()
                                                        : now.addMSecs(expectedDelayMSecs);
        QCOMPARE(after, expected);
        QCOMPARE(DraftSyncPolicy::isParked(after), expectedDelayMSecs < 0);
    }

    void parkedEntryStoresTheMarkerDate()
    {
        auto m = DraftSyncPolicy::markFailed(entry(1, 1, upsertOperation, 4),
                                             Error::transport(u"x"_s), at(0), 3);
        QCOMPARE(m.attemptCount, 5);
        const auto json = m.toJson();
        QCOMPARE(json.value(u"nextAttemptAt"_s).toString(), u"4001-01-01T00:00:00Z"_s);
        const auto back = DraftSyncMutation::fromJson(JsonReader(json));
        QVERIFY(back);
        QVERIFY(DraftSyncPolicy::isParked(*back));
    }

    void mutationStoredForm()
    {
        auto full = entry(1, 2, upsertOperation, 2, at(90));
        const QJsonObject expected{
            {u"id"_s, u"00000000-0000-4000-8000-000000000001"_s},
            {u"ownerID"_s, u"abc"_s},
            {u"operation"_s, u"upsert"_s},
            {u"draftID"_s, u"00000000-0000-4000-8000-000000000002"_s},
            {u"draft"_s, full.draft->toJson()},
            {u"queuedAt"_s, u"2027-01-15T08:00:00Z"_s},
            {u"attemptCount"_s, 2},
            {u"lastError"_s, u"Server unavailable"_s},
            {u"nextAttemptAt"_s, u"2027-01-15T08:01:30Z"_s},
        };
        QCOMPARE(full.toJson(), expected);
        QCOMPARE(DraftSyncMutation::fromJson(JsonReader(expected)), full);

        // A fresh delete has none of the optional keys.
        const auto fresh = entry(3, 4, deleteOperation);
        const auto json = fresh.toJson();
        QCOMPARE(json.value(u"operation"_s).toString(), u"delete"_s);
        for (const auto &key : {u"draft"_s, u"lastError"_s, u"nextAttemptAt"_s})
            QVERIFY2(!json.contains(key), qPrintable(key));
        QCOMPARE(DraftSyncMutation::fromJson(JsonReader(json)), fresh);
    }

    void unreadableMutations_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed

        QTest::newRow("unknown operation") << u"operation"_s << QJsonValue(u"update"_s);
        QTest::newRow("operation in upper case") << u"operation"_s << QJsonValue(u"UPSERT"_s);
        QTest::newRow("missing id") << u"id"_s << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("missing attempt count")
            << u"attemptCount"_s << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("fractional attempt count") << u"attemptCount"_s << QJsonValue(1.5);
        QTest::newRow("attempt count beyond int") << u"attemptCount"_s << QJsonValue(1e12);
        QTest::newRow("fractional seconds")
            << u"queuedAt"_s << QJsonValue(u"2027-01-15T08:00:00.5Z"_s);
        QTest::newRow("draft without body")
            << u"draft"_s
            << QJsonValue(QJsonObject{{u"id"_s, u"00000000-0000-4000-8000-000000000002"_s},
                                      {u"createdAt"_s, u"2027-01-15T08:00:00Z"_s},
                                      {u"updatedAt"_s, u"2027-01-15T08:00:00Z"_s}});
    }
    void unreadableMutations()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        auto json = entry(1, 2).toJson();
        if (value.isUndefined())
            json.remove(key);
        else
            json.insert(key, value);
        QVERIFY(!DraftSyncMutation::fromJson(JsonReader(json)));
    }

    void merge_data()
    {
        QTest::addColumn<Drafts>("local");
        QTest::addColumn<Drafts>("remote");
        QTest::addColumn<int>("maxDrafts");
        QTest::addColumn<Drafts>("expected");

        const auto local = draft(1, 36'000, u"local"_s);
        QTest::newRow("older server copy loses")
            << Drafts{local} << Drafts{draft(1, 32'400, u"server"_s)} << 15 << Drafts{local};
        QTest::newRow("tie keeps the local copy")
            << Drafts{local} << Drafts{draft(1, 36'000, u"server"_s)} << 15 << Drafts{local};
        QTest::newRow("newer server copy wins")
            << Drafts{local} << Drafts{draft(1, 36'060, u"server"_s)} << 15
            << Drafts{draft(1, 36'060, u"server"_s)};
        QTest::newRow("local-only stays, server-only is added, newest first")
            << Drafts{draft(1, 10), draft(2, 30)} << Drafts{draft(3, 20), draft(4, 40)} << 15
            << Drafts{draft(4, 40), draft(2, 30), draft(3, 20), draft(1, 10)};
        QTest::newRow("newest of several server copies wins")
            << Drafts{} << Drafts{draft(1, 10, u"a"_s), draft(1, 30, u"b"_s), draft(1, 20, u"c"_s)}
            << 15 << Drafts{draft(1, 30, u"b"_s)};
        QTest::newRow("first of tied server copies wins")
            << Drafts{} << Drafts{draft(1, 10, u"a"_s), draft(1, 10, u"b"_s)} << 15
            << Drafts{draft(1, 10, u"a"_s)};
        QTest::newRow("duplicate local ids collapse to the newest")
            << Drafts{draft(1, 10, u"a"_s), draft(1, 20, u"b"_s)} << Drafts{} << 15
            << Drafts{draft(1, 20, u"b"_s)};

        Drafts ten, tenRemote, newestFifteen;
        for (int i = 0; i < 10; ++i) {
            ten.append(draft(i, 2 * i));                 // even times 0…18
            tenRemote.append(draft(100 + i, 2 * i + 1)); // odd times 1…19
        }
        for (int t = 19; t >= 5; --t)
            newestFifteen.append(t % 2 ? draft(100 + t / 2, t) : draft(t / 2, t));
        QTest::newRow("ten and ten keep the fifteen newest")
            << ten << tenRemote << 15 << newestFifteen;

        Drafts unsorted;
        for (int i = 0; i < 17; ++i)
            unsorted.append(draft(i, (i * 7) % 17)); // every time 0…16 once, shuffled
        Drafts expectedSorted;
        for (int t = 16; t >= 2; --t)
            expectedSorted.append(*std::ranges::find(unsorted, at(t), &Draft::updatedAt));
        QTest::newRow("empty server list sorts and cuts the local one")
            << unsorted << Drafts{} << 15 << expectedSorted;
        QTest::newRow("limit zero") << Drafts{draft(1, 1)} << Drafts{draft(2, 2)} << 0 << Drafts{};
        QTest::newRow("negative limit") << Drafts{draft(1, 1)} << Drafts{} << -1 << Drafts{};
    }
    void merge()
    {
        QFETCH(Drafts, local);
        QFETCH(Drafts, remote);
        QFETCH(int, maxDrafts);
        QFETCH(Drafts, expected);
        QCOMPARE(DraftSyncPolicy::merge(local, remote, maxDrafts), expected);
    }
};

QTEST_GUILESS_MAIN(TestDraftSyncPolicy)
#include "tst_draftsyncpolicy.moc"
