// The draft store's synchronisation with the server, against a scripted service whose
// answers each test releases one at a time.

#include "DraftStoreHarness.h"
#include "DraftSyncPolicy.h"
#include "SyncedDraftsError.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace Fixtures;

namespace {

using Kind = ScriptedDraftSyncing::Kind;
const auto owner = u"abc"_s;
const Error serverError = Error::service(SyncedDraftsError::server, u"Nope"_s);

// Signs in as `owner` with an empty queue and answers the fetch with `remote`.
void signIn(DraftStoreHarness &h, QList<Draft> remote = {}, const QString &accessToken = u"t1"_s)
{
    h.store->setSession(DraftStoreHarness::token(owner, accessToken));
    QCOMPARE(h.service.pendingCount(), 1);
    QCOMPARE(h.service.pending().at(0).kind, Kind::list);
    h.service.succeedList(std::move(remote));
}

} // namespace

class DraftStoreSyncTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveReachesServer()
    {
        DraftStoreHarness h;
        signIn(h);
        h.events.clear();

        h.save(u"hello"_s);
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::pending);
        QCOMPARE(h.queue(owner).size(), 1);
        QCOMPARE(h.queueLengths(), QList<qsizetype>{1});
        QVERIFY(h.store->isDrainingSyncQueue());
        const auto call = h.service.pending().at(0);
        QCOMPARE(call.kind, Kind::upsert);
        QCOMPARE(call.accessToken, u"t1"_s);
        QCOMPARE(call.draft->body, u"hello"_s);

        // The server's copy is newer: it replaces the local one.
        Draft serverCopy = *call.draft;
        serverCopy.body = u"hello from the server"_s;
        serverCopy.updatedAt = h.now.addSecs(5);
        h.now = h.now.addSecs(10);
        h.service.succeed(0, serverCopy);

        QCOMPARE(h.store->drafts(), QList{serverCopy});
        QCOMPARE(h.repository.loadSnapshot(owner).drafts, QList{serverCopy});
        QVERIFY(h.queue(owner).isEmpty());
        QVERIFY(h.repository.queues.contains(owner)); // stored as an empty queue
        QCOMPARE(h.tracked(AppTelemetryEvent::syncAttemptSucceeded),
                 (QList<QMap<QString, QString>>{{{u"operation"_s, u"upsert"_s}}}));
        QCOMPARE(h.queueLengths(), (QList<qsizetype>{1, 0}));
        QCOMPARE(h.store->lastSuccessfulSyncAt(), std::optional(h.now));
        QCOMPARE(h.repository.loadSnapshot(owner).lastSuccessfulSyncAt, std::optional(h.now));
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::synced);
        QVERIFY(!h.store->isDrainingSyncQueue());
        QCOMPARE(h.service.pendingCount(), 0); // no fetch after a local change
    }

    void savesDuringRequestAreSentAfterIt()
    {
        DraftStoreHarness h;
        signIn(h);
        h.save(u"version 1"_s);
        h.save(u"version 2"_s);  // the same draft again, while version 1 is in flight
        h.store->startNewPost(); // and a second draft
        h.save(u"other"_s);

        QCOMPARE(h.service.pendingCount(), 1);
        QCOMPARE(h.queue(owner).size(), 2); // version 2 replaced version 1

        h.service.succeed();
        // Version 1's success removed nothing; the run started over with what is due.
        QCOMPARE(h.queue(owner).size(), 2);
        QCOMPARE(h.service.pendingCount(), 1);
        QCOMPARE(h.service.pending().at(0).draft->body, u"version 2"_s);
        QCOMPARE(h.store->drafts().at(1).body, u"version 2"_s); // the stale answer was not merged

        h.service.succeed();
        QCOMPARE(h.service.pending().at(0).draft->body, u"other"_s);
        h.service.succeed();
        QVERIFY(h.queue(owner).isEmpty());
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::synced);
        QCOMPARE(h.service.calls().size(), 4); // list + three upserts, nothing sent twice
    }

    void failureSchedulesRetry()
    {
        DraftStoreHarness h;
        signIn(h);
        h.jitter = 7;
        h.save(u"hello"_s);
        h.service.fail(serverError);

        const auto entry = h.queue(owner).at(0);
        QCOMPARE(entry.lastError, std::optional(u"Nope"_s));
        QCOMPARE(entry.attemptCount, 1);
        QCOMPARE(entry.nextAttemptAt, std::optional(h.now.addSecs(37)));
        QCOMPARE(h.tracked(AppTelemetryEvent::syncAttemptFailed),
                 (QList<QMap<QString, QString>>{{{u"operation"_s, u"upsert"_s}}}));
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::failed);
        QCOMPARE(h.store->syncStatusMessage(), u"Sync failed, will retry"_s);
        QCOMPARE(h.service.pendingCount(), 0);

        // A later trigger before the backoff time sends only what is due.
        h.store->startNewPost();
        h.save(u"second"_s);
        QCOMPARE(h.service.pendingCount(), 1);
        QCOMPARE(h.service.pending().at(0).draft->body, u"second"_s);
        h.service.succeed();
        QCOMPARE(h.service.pendingCount(), 0);
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::failed);

        // After it, the failed entry goes again.
        h.now = h.now.addSecs(40);
        h.store->startNewPost();
        h.save(u"third"_s);
        QCOMPARE(h.service.pending().at(0).draft->body, u"hello"_s);
        h.service.succeed();
        QCOMPARE(h.service.pending().at(0).draft->body, u"third"_s);
        h.service.succeed();
        QVERIFY(h.queue(owner).isEmpty());
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::synced);
    }

    void fiveFailuresParkUntilSessionSwitch()
    {
        DraftStoreHarness h;
        signIn(h);
        h.save(u"stubborn"_s);
        for (int attempt = 1; attempt <= DraftSyncPolicy::maxFailedAttempts; ++attempt) {
            QCOMPARE(h.service.pendingCount(), 1);
            h.service.fail(serverError);
            h.now = h.now.addSecs(3600);                  // past any backoff
            h.store->deleteDraft(draft(90 + attempt, 0)); // a trigger
            while (h.service.pendingCount() > 0 && h.service.pending().at(0).kind == Kind::remove)
                h.service.succeed();
        }
        QVERIFY(DraftSyncPolicy::isParked(h.queue(owner).at(0)));
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::failed);
        QCOMPARE(h.service.pendingCount(), 0);

        // A restart with the same account re-arms it too; here a new token does.
        h.store->setSession(DraftStoreHarness::token(owner, u"t2"_s));
        QCOMPARE(h.service.pendingCount(), 1);
        const auto call = h.service.pending().at(0);
        QCOMPARE(call.kind, Kind::upsert);
        QCOMPARE(call.accessToken, u"t2"_s);
        QCOMPARE(h.queue(owner).at(0).lastError, std::optional(u"Nope"_s));
        h.service.succeed();
        QVERIFY(h.queue(owner).isEmpty());
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::synced);
        QCOMPARE(h.service.pending().at(0).kind, Kind::list); // the fetch after the switch
    }

    void oneFailureDoesNotStopTheRun()
    {
        DraftStoreHarness h(false);
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        h.save(u"first"_s);
        h.store->startNewPost();
        h.save(u"second"_s);

        h.makeStore(); // a restart, now with the server reachable: both entries are due
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        QCOMPARE(h.service.pending().at(0).draft->body, u"first"_s);
        h.service.fail(serverError);
        QVERIFY(h.store->isDrainingSyncQueue()); // still the same run
        QCOMPARE(h.service.pending().at(0).draft->body, u"second"_s);
        h.service.succeed();

        QVERIFY(!h.store->isDrainingSyncQueue());
        QCOMPARE(h.queue(owner).size(), 1);
        QCOMPARE(h.queue(owner).at(0).draft->body, u"first"_s);
        QCOMPARE(h.queue(owner).at(0).attemptCount, 1);
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::failed);
        QCOMPARE(h.service.pendingCount(), 0); // no fetch while changes wait
    }

    // Every entry confirmed in one run leaves the queue, the earlier ones included.
    void runRemovesEveryConfirmedEntry()
    {
        DraftStoreHarness h(false);
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        h.save(u"first"_s);
        h.store->startNewPost();
        h.save(u"second"_s);
        h.store->deleteDraft(draft(7, 0));
        QCOMPARE(h.queue(owner).size(), 3);

        h.makeStore(); // a restart, now with the server reachable
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        h.service.succeed();
        h.service.succeed();
        QCOMPARE(h.service.pending().at(0).kind, Kind::remove);
        QCOMPARE(h.service.pending().at(0).draftID, uuid(7));
        h.service.succeed();

        QVERIFY(h.queue(owner).isEmpty());
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::synced);
        QCOMPARE(h.service.pending().at(0).kind, Kind::list);
        QCOMPARE(h.service.calls().size(), 4);
    }

    void deletingUnsentDraftQueuesOnlyDelete()
    {
        DraftStoreHarness h(false);
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        h.save(u"never sent"_s);
        const Draft saved = h.store->drafts().at(0);
        h.store->deleteDraft(saved);

        const auto queue = h.queue(owner);
        QCOMPARE(queue.size(), 1);
        QCOMPARE(queue.at(0).operation, DraftSyncOperation::remove);
        QCOMPARE(queue.at(0).draftID, saved.id);
    }

    // A deletion made while the draft's upload is in flight is not undone by its answer.
    void deletionDuringUploadSticks()
    {
        DraftStoreHarness h;
        signIn(h);
        h.save(u"short-lived"_s);
        const Draft saved = h.store->drafts().at(0);
        h.store->deleteDraft(saved);

        h.service.succeed();
        QVERIFY(h.store->drafts().isEmpty());
        QVERIFY(h.repository.loadSnapshot(owner).drafts.isEmpty());
        QCOMPARE(h.service.pending().at(0).kind, Kind::remove);
        h.service.succeed();
        QVERIFY(h.queue(owner).isEmpty());
        QVERIFY(h.store->drafts().isEmpty());
    }

    void sessionSwitchDuringRequest()
    {
        DraftStoreHarness h;
        h.repository.snapshots.insert(u"xyz"_s, {{draft(5, 10)}, u"xyz"_s, at(0), {}, 1});
        signIn(h);
        h.save(u"first"_s);
        h.store->startNewPost();
        h.save(u"second"_s);
        const auto storedQueue = h.queue(owner);
        QCOMPARE(storedQueue.size(), 2);

        h.store->setSession(DraftStoreHarness::token(u"xyz"_s, u"t9"_s));
        QCOMPARE(h.store->drafts(), QList{draft(5, 10)});
        QCOMPARE(h.service.pendingCount(), 1); // the new account waits for the old run

        Draft serverCopy = *h.service.pending().at(0).draft;
        serverCopy.updatedAt = h.now.addSecs(100);
        h.service.succeed(0, serverCopy);

        // The old run stops: no further request for the old account, nothing applied.
        QCOMPARE(h.store->drafts(), QList{draft(5, 10)});
        QCOMPARE(h.queue(owner), storedQueue);
        QVERIFY(!h.repository.snapshots.value(u"xyz"_s).drafts.contains(serverCopy));
        for (const auto &call : h.service.calls().mid(2))
            QCOMPARE(call.accessToken, u"t9"_s);
        // The new account's refused run follows at once: its queue is empty, so it fetches.
        QCOMPARE(h.service.pendingCount(), 1);
        QCOMPARE(h.service.pending().at(0).kind, Kind::list);
        QCOMPARE(h.service.pending().at(0).accessToken, u"t9"_s);
    }

    void fetchLosesRaceToSave()
    {
        DraftStoreHarness h;
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        QCOMPARE(h.service.pending().at(0).kind, Kind::list);
        h.store->setEditorText(u"mine"_s);
        h.store->saveCurrentDraft(); // its upload waits behind the fetch
        const auto mine = h.store->drafts();

        h.service.succeedList({draft(1, 10), draft(2, 20)});

        QCOMPARE(h.store->drafts(), mine);
        QCOMPARE(h.queue(owner).size(), 1); // only the save's upload
        QCOMPARE(h.store->lastSuccessfulSyncAt(), std::nullopt);
    }

    void fetchMergesAndQueuesEveryDraft()
    {
        DraftStoreHarness h;
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));
        h.events.clear();
        h.service.succeedList({draft(1, 10), draft(2, 30), draft(3, 20)});

        QCOMPARE(h.store->drafts(), (QList{draft(2, 30), draft(3, 20), draft(1, 10)}));
        QCOMPARE(h.repository.loadSnapshot(owner).drafts, h.store->drafts());
        QVERIFY(h.store->lastSuccessfulSyncAt().has_value());
        QCOMPARE(h.queueLengths(), (QList<qsizetype>{1, 2, 3}));
        QCOMPARE(h.queue(owner).size(), 3);
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::pending);
        QCOMPARE(h.service.pendingCount(), 1);
    }

    void switchWithOnlyWaitingEntriesDoesNotFetch()
    {
        DraftStoreHarness h;
        signIn(h);
        h.save(u"hello"_s);
        h.service.fail(serverError);

        h.store->setSession(std::nullopt);
        h.store->setSession(DraftStoreHarness::token(owner, u"t1"_s));

        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::pending);
        QCOMPARE(h.service.pendingCount(), 0);
    }

    void storeGoneBeforeAnswer()
    {
        DraftStoreHarness h;
        signIn(h);
        h.save(u"hello"_s);
        h.store.reset();
        h.service.succeed(); // must not touch the destroyed store
        QCOMPARE(h.queue(owner).size(), 1);
    }
};

QTEST_GUILESS_MAIN(DraftStoreSyncTest)
#include "tst_draftstoresync.moc"
