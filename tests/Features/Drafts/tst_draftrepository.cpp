#include "DraftFixtures.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace Fixtures;

namespace {

using Owner = std::optional<QString>;
using Queue = QList<DraftSyncMutation>;

const auto baseKey = u"quillet.drafts"_s;
// What the repository's clock reads in every test.
const auto clockTime = at(5000);

QByteArray json(const QJsonValue &value)
{
    return value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                           : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

QJsonObject storedSnapshot(int schemaVersion)
{
    return {
        {u"drafts"_s, QJsonArray{draft(1, 10).toJson()}},
        {u"ownerID"_s, u"abc"_s},
        {u"loadedAt"_s, u"2027-01-15T08:00:00Z"_s},
        {u"schemaVersion"_s, schemaVersion},
    };
}

} // namespace

class TestDraftRepository : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<UserDefaultsDraftRepository> m_repository;

    UserDefaults &defaults() { return *m_defaults; }
    UserDefaultsDraftRepository &repository() { return *m_repository; }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_defaults = std::make_unique<UserDefaults>(m_dir->filePath(u"defaults.conf"_s));
        m_repository = std::make_unique<UserDefaultsDraftRepository>(baseKey, *m_defaults,
                                                                     [] { return clockTime; });
    }

    void recordsLiveUnderScopedKeys()
    {
        auto snapshot = DraftSnapshot::empty(u"abc"_s, at(0));
        snapshot.drafts = {draft(1, 10)};
        repository().saveSnapshot(snapshot, u"abc"_s);
        repository().saveSnapshot(DraftSnapshot::empty(std::nullopt, at(0)), std::nullopt);
        repository().saveSyncMutations({DraftSyncMutation::remove(u"abc"_s, uuid(1), at(0))},
                                       u"abc"_s);

        QVERIFY(defaults().contains(u"quillet.drafts.abc"_s));
        QVERIFY(defaults().contains(u"quillet.drafts.signed-out"_s));
        QVERIFY(defaults().contains(u"quillet.drafts.syncQueue.abc"_s));
        QVERIFY(!defaults().contains(baseKey));

        // Deleting a snapshot leaves the queue and the other owners alone.
        repository().deleteDrafts(u"abc"_s);
        QVERIFY(!defaults().contains(u"quillet.drafts.abc"_s));
        QVERIFY(defaults().contains(u"quillet.drafts.signed-out"_s));
        QVERIFY(defaults().contains(u"quillet.drafts.syncQueue.abc"_s));
        repository().deleteDrafts(std::nullopt);
        QVERIFY(!defaults().contains(u"quillet.drafts.signed-out"_s));
        repository().deleteSyncMutations(u"abc"_s);
        QVERIFY(!defaults().contains(u"quillet.drafts.syncQueue.abc"_s));
    }

    void snapshotRoundTrip_data()
    {
        QTest::addColumn<DraftSnapshot>("snapshot");
        QTest::addColumn<Owner>("owner");
        QTest::addColumn<QJsonObject>("stored");

        const auto d = draft(1, 10);
        QTest::newRow("signed out, never synced")
            << DraftSnapshot{{d}, std::nullopt, at(20), std::nullopt, 1} << Owner()
            << QJsonObject{{u"drafts"_s, QJsonArray{d.toJson()}},
                           {u"loadedAt"_s, u"2027-01-15T08:00:20Z"_s},
                           {u"schemaVersion"_s, 1}};
        QTest::newRow("an account, synced")
            << DraftSnapshot{{}, u"abc"_s, at(20), at(15), 1} << Owner(u"abc"_s)
            << QJsonObject{{u"drafts"_s, QJsonArray{}},
                           {u"ownerID"_s, u"abc"_s},
                           {u"loadedAt"_s, u"2027-01-15T08:00:20Z"_s},
                           {u"lastSuccessfulSyncAt"_s, u"2027-01-15T08:00:15Z"_s},
                           {u"schemaVersion"_s, 1}};
        // The argument picks the key; the snapshot reads back exactly as it was stored.
        QTest::newRow("owner field differs from the key")
            << DraftSnapshot{{d}, u"xyz"_s, at(20), std::nullopt, 1} << Owner(u"abc"_s)
            << QJsonObject{{u"drafts"_s, QJsonArray{d.toJson()}},
                           {u"ownerID"_s, u"xyz"_s},
                           {u"loadedAt"_s, u"2027-01-15T08:00:20Z"_s},
                           {u"schemaVersion"_s, 1}};
    }
    void snapshotRoundTrip()
    {
        QFETCH(DraftSnapshot, snapshot);
        QFETCH(Owner, owner);
        QFETCH(QJsonObject, stored);

        repository().saveSnapshot(snapshot, owner);
        const QString key = baseKey + u'.' + owner.value_or(u"signed-out"_s);
        const auto bytes = defaults().data(key);
        QVERIFY(bytes);
        QCOMPARE(QJsonDocument::fromJson(*bytes).object(), stored);

        // A new store and repository over the same file read the same snapshot.
        UserDefaults reopened(m_dir->filePath(u"defaults.conf"_s));
        QCOMPARE(UserDefaultsDraftRepository(baseKey, reopened).loadSnapshot(owner), snapshot);
    }

    void loadFallbacks_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("stored");
        QTest::addColumn<QList<Draft>>("drafts"); // of the fallback snapshot

        QTest::newRow("nothing stored") << std::optional<QByteArray>() << QList<Draft>{};
        QTest::newRow("legacy array")
            << std::optional(json(QJsonArray{draft(1, 10).toJson(), draft(2, 5).toJson()}))
            << QList<Draft>{draft(1, 10), draft(2, 5)};
        QTest::newRow("empty legacy array") << std::optional(json(QJsonArray{})) << QList<Draft>{};
        QTest::newRow("schema version 2")
            << std::optional(json(storedSnapshot(2))) << QList<Draft>{};
        QTest::newRow("snapshot missing loadedAt") << std::optional(json([] {
            auto o = storedSnapshot(1);
            o.remove(u"loadedAt"_s);
            return o;
        }())) << QList<Draft>{};
        QTest::newRow("legacy array with one bad draft")
            << std::optional(json(QJsonArray{draft(1, 10).toJson(), QJsonObject{{u"id"_s, 1}}}))
            << QList<Draft>{};
        QTest::newRow("not JSON") << std::optional("\x89PNG garbage"_ba) << QList<Draft>{};
        QTest::newRow("empty bytes") << std::optional(QByteArray("")) << QList<Draft>{};
        QTest::newRow("JSON number") << std::optional("42"_ba) << QList<Draft>{};
    }
    void loadFallbacks()
    {
        QFETCH(std::optional<QByteArray>, stored);
        QFETCH(QList<Draft>, drafts);
        const auto key = u"quillet.drafts.abc"_s;
        if (stored)
            defaults().setData(key, *stored);

        const DraftSnapshot expected{drafts, u"abc"_s, clockTime, std::nullopt, 1};
        QCOMPARE(repository().loadSnapshot(u"abc"_s), expected);
        // Loading never rewrites what is stored.
        QCOMPARE(defaults().data(key), stored);

        // The next save replaces it with a readable version-1 snapshot.
        auto saved = expected;
        saved.drafts.append(draft(9, 99));
        repository().saveSnapshot(saved, u"abc"_s);
        QCOMPARE(repository().loadSnapshot(u"abc"_s), saved);
    }

    void olderSchemaVersionLoadsAsStored()
    {
        defaults().setData(u"quillet.drafts.signed-out"_s, json(storedSnapshot(0)));
        QCOMPARE(repository().loadSnapshot(std::nullopt),
                 (DraftSnapshot{{draft(1, 10)},
                                u"abc"_s,
                                QDateTime(QDate(2027, 1, 15), QTime(8, 0), Qt::UTC),
                                std::nullopt,
                                0}));
    }

    void syncQueue()
    {
        const auto key = u"quillet.drafts.syncQueue.abc"_s;
        QCOMPARE(repository().loadSyncMutations(u"abc"_s), Queue{});

        auto failed = DraftSyncMutation::upsert(u"abc"_s, draft(1, 10), at(30), uuid(11));
        failed.attemptCount = 5;
        failed.lastError = u"Draft not found"_s;
        failed.nextAttemptAt = DraftSyncMutation::parkedMarker();
        const Queue queue{failed, DraftSyncMutation::remove(u"abc"_s, uuid(2), at(40), uuid(12))};
        repository().saveSyncMutations(queue, u"abc"_s);
        QCOMPARE(repository().loadSyncMutations(u"abc"_s), queue);
        QCOMPARE(repository().loadSyncMutations(u"xyz"_s), Queue{});

        repository().saveSyncMutations({}, u"abc"_s);
        QCOMPARE(defaults().data(key), "[]"_ba);
        repository().deleteSyncMutations(u"abc"_s);
        QCOMPARE(defaults().data(key), std::nullopt);
    }

    void unreadableQueueLoadsEmpty_data()
    {
        QTest::addColumn<QByteArray>("stored");
        auto good = DraftSyncMutation::remove(u"abc"_s, uuid(2), at(40), uuid(12)).toJson();
        auto bad = good;
        bad.insert(u"operation"_s, u"archive"_s);
        QTest::newRow("one element with an unknown operation") << json(QJsonArray{good, bad});
        QTest::newRow("an element that is no object") << json(QJsonArray{good, 3});
        QTest::newRow("an object, not an array") << json(good);
        QTest::newRow("not JSON") << "[{"_ba;
    }
    void unreadableQueueLoadsEmpty()
    {
        QFETCH(QByteArray, stored);
        const auto key = u"quillet.drafts.syncQueue.abc"_s;
        defaults().setData(key, stored);
        QCOMPARE(repository().loadSyncMutations(u"abc"_s), Queue{});
        QCOMPARE(defaults().data(key), stored);
    }

    void unencodableRecordsAreNotWritten()
    {
        // A date the JSON form cannot hold would be written as something that loads as empty.
        const QDateTime farFuture(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC);
        auto snapshot = DraftSnapshot::empty(u"abc"_s, at(0));
        snapshot.drafts = {draft(1, 10)};
        repository().saveSnapshot(snapshot, u"abc"_s);
        auto broken = snapshot;
        broken.drafts.append({uuid(2), u"x"_s, at(0), farFuture});
        repository().saveSnapshot(broken, u"abc"_s);
        QCOMPARE(repository().loadSnapshot(u"abc"_s), snapshot);

        const Queue queue{DraftSyncMutation::remove(u"abc"_s, uuid(2), at(40), uuid(12))};
        repository().saveSyncMutations(queue, u"abc"_s);
        repository().saveSyncMutations(
            {DraftSyncMutation::remove(u"abc"_s, uuid(3), farFuture, uuid(13))}, u"abc"_s);
        QCOMPARE(repository().loadSyncMutations(u"abc"_s), queue);
    }
};

QTEST_GUILESS_MAIN(TestDraftRepository)
#include "tst_draftrepository.moc"
