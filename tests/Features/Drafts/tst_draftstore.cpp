// The draft store's local operations: the editor, saving, deleting, sessions and account
// deletion, without a server (the scripted service is never answered here).

#include "DraftStoreHarness.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Fixtures;

class DraftStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshStoreShowsSignedOutDrafts()
    {
        DraftStoreHarness h;
        h.repository.snapshots.insert(u"signed-out"_s,
                                      {{draft(1, 10), draft(2, 5)}, std::nullopt, at(0), at(7), 1});
        h.makeStore();

        QCOMPARE(h.store->editorText(), u"Write a LinkedIn post..."_s);
        QCOMPARE(h.store->drafts(), (QList{draft(1, 10), draft(2, 5)}));
        QCOMPARE(h.store->lastSuccessfulSyncAt(), std::optional(at(7)));
        QVERIFY(!h.store->hasStatusMessage());
        QVERIFY(!h.store->isEditingDraft());
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::localOnly);
        QCOMPARE(h.store->syncStatusMessage(), u"Saved locally"_s);
        QVERIFY(h.service.calls().isEmpty());
    }

    void saveStoresTrimmedText_data()
    {
        QTest::addColumn<QString>("editorText");
        QTest::addColumn<QString>("savedBody");
        QTest::addColumn<QString>("title");

        QTest::newRow("untouched new-post text")
            << u"Write a LinkedIn post..."_s << u"Write a LinkedIn post..."_s
            << u"Write a LinkedIn post..."_s;
        QTest::newRow("leading blank lines")
            << u"\n\n  Hello world  \nsecond\n"_s << u"Hello world  \nsecond"_s << u"Hello world"_s;
    }

    void saveStoresTrimmedText()
    {
        QFETCH(QString, editorText);
        QFETCH(QString, savedBody);
        QFETCH(QString, title);
        DraftStoreHarness h;
        h.repository.snapshots.insert(u"signed-out"_s,
                                      {{draft(1, 10)}, std::nullopt, at(0), std::nullopt, 1});
        h.makeStore();
        QSignalSpy draftsChanged(h.store.get(), &DraftStore::draftsChanged);

        h.save(editorText);

        const auto &drafts = h.store->drafts();
        QCOMPARE(drafts.size(), 2);
        QCOMPARE(drafts.at(0).body, savedBody);
        QCOMPARE(drafts.at(0).title(), title);
        QCOMPARE(drafts.at(0).createdAt, h.now);
        QCOMPARE(drafts.at(1), draft(1, 10));
        QCOMPARE(h.store->editingDraftID(), std::optional(drafts.at(0).id));
        QCOMPARE(h.store->editorText(), editorText); // the editor keeps what was typed
        QCOMPARE(h.store->statusMessage(), u"Draft saved"_s);
        QCOMPARE(h.repository.loadSnapshot(std::nullopt).drafts, drafts);
        QCOMPARE(h.tracked(AppTelemetryEvent::draftSaved).size(), 1);
        QCOMPARE(h.store->localRevision(), 1u);
        QVERIFY(draftsChanged.count() >= 1);
        // Signed out: nothing is queued.
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::localOnly);
        QVERIFY(h.repository.queues.isEmpty());
        QVERIFY(h.service.calls().isEmpty());

        // The same text again: reported, but nothing written or counted.
        const int writes = h.repository.snapshotWrites;
        h.store->clearStatusMessage();
        h.store->saveCurrentDraft();
        QCOMPARE(h.store->statusMessage(), u"Draft saved"_s);
        QCOMPARE(h.store->drafts(), drafts);
        QCOMPARE(h.repository.snapshotWrites, writes);
        QCOMPARE(h.tracked(AppTelemetryEvent::draftSaved).size(), 1);
        QCOMPARE(h.store->localRevision(), 1u);
    }

    void saveUpdatesOpenDraftInPlace()
    {
        DraftStoreHarness h;
        h.repository.snapshots.insert(
            u"signed-out"_s, {{draft(1, 10), draft(2, 5)}, std::nullopt, at(0), std::nullopt, 1});
        h.makeStore();

        h.store->openDraft(draft(2, 5));
        QCOMPARE(h.store->editorText(), u"body 2"_s);
        QCOMPARE(h.store->editingDraftIDText(), AppJson::encodeUuid(uuid(2)));
        h.save(u"changed"_s);

        QCOMPARE(h.store->drafts().size(), 2);
        QCOMPARE(h.store->drafts().at(1).id, uuid(2));
        QCOMPARE(h.store->drafts().at(1).body, u"changed"_s);
        QCOMPARE(h.store->drafts().at(1).updatedAt, h.now);
    }

    void emptyTextIsRejected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("spaces") << u"    "_s;
        QTest::newRow("line breaks and tabs") << u"\n\t \r\n"_s;
        QTest::newRow("nothing") << QString();
    }

    void emptyTextIsRejected()
    {
        QFETCH(QString, text);
        DraftStoreHarness h;
        h.store->setSession(DraftStoreHarness::token(u"abc"_s, u"t1"_s));
        h.service.succeedList({});
        h.store->openDraft(draft(1, 10)); // not in the list; the editor points at it anyway
        const auto revision = h.store->localRevision();
        const int writes = h.repository.snapshotWrites;

        h.save(text);

        QCOMPARE(h.store->statusMessage(), u"Draft is empty"_s);
        QVERIFY(h.store->drafts().isEmpty());
        QCOMPARE(h.store->editingDraftID(), std::optional(uuid(1)));
        QCOMPARE(h.repository.snapshotWrites, writes);
        QCOMPARE(h.store->localRevision(), revision);
        QVERIFY(h.queue(u"abc"_s).isEmpty());
        QVERIFY(h.tracked(AppTelemetryEvent::draftSaved).isEmpty());
    }

    void setSessionSwitchesAccounts()
    {
        DraftStoreHarness h;
        h.repository.snapshots.insert(u"signed-out"_s,
                                      {{draft(1, 10)}, std::nullopt, at(0), std::nullopt, 1});
        h.repository.snapshots.insert(u"abc"_s, {{draft(2, 10)}, u"abc"_s, at(0), at(3), 1});
        h.makeStore();
        h.store->setEditorText(u"typed"_s);

        // No token on a signed-out store: nothing happens.
        h.store->setSession(std::nullopt);
        QCOMPARE(h.store->editorText(), u"typed"_s);
        QCOMPARE(h.store->localRevision(), 0u);

        const auto token = DraftStoreHarness::token(u"abc"_s, u"t1"_s);
        h.store->setSession(token);
        QCOMPARE(h.store->ownerID(), std::optional(u"abc"_s));
        QCOMPARE(h.store->drafts(), QList{draft(2, 10)});
        QCOMPARE(h.store->lastSuccessfulSyncAt(), std::optional(at(3)));
        QCOMPARE(h.store->editorText(), u"Write a LinkedIn post..."_s);
        QCOMPARE(h.store->localRevision(), 1u);
        QCOMPARE(h.service.pendingCount(), 1); // the fetch of an empty queue

        // The same token again: ignored.
        h.store->setEditorText(u"typed"_s);
        h.store->setSession(token);
        QCOMPARE(h.store->editorText(), u"typed"_s);
        QCOMPARE(h.store->localRevision(), 1u);
        QCOMPARE(h.service.calls().size(), 1);

        // A new access token for the same member reloads and resets.
        h.store->setSession(DraftStoreHarness::token(u"abc"_s, u"t2"_s));
        QCOMPARE(h.store->editorText(), u"Write a LinkedIn post..."_s);
        QCOMPARE(h.store->localRevision(), 2u);

        // Signing out brings back the signed-out drafts.
        h.store->setSession(std::nullopt);
        QCOMPARE(h.store->ownerID(), std::nullopt);
        QCOMPARE(h.store->drafts(), QList{draft(1, 10)});
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::localOnly);
    }

    void deletingOpenDraftDetachesEditor()
    {
        DraftStoreHarness h;
        h.save(u"first"_s);
        const Draft saved = h.store->drafts().at(0);

        h.store->deleteDraft(saved);

        QVERIFY(h.store->drafts().isEmpty());
        QVERIFY(!h.store->isEditingDraft());
        QCOMPARE(h.store->editorText(), u"first"_s);
        QVERIFY(h.repository.loadSnapshot(std::nullopt).drafts.isEmpty());
        QCOMPARE(h.store->localRevision(), 2u);

        h.store->saveCurrentDraft();
        QCOMPARE(h.store->drafts().size(), 1);
        QVERIFY(h.store->drafts().at(0).id != saved.id);
    }

    void deletePostedDraftIfSaved()
    {
        DraftStoreHarness h;
        h.store->deletePostedDraftIfSaved(); // no open draft: nothing
        QCOMPARE(h.store->localRevision(), 0u);

        h.save(u"posted"_s);
        h.save(u"posted, edited"_s);
        QCOMPARE(h.store->drafts().size(), 1);
        h.store->openDraft(draft(9, 0)); // not in the list: only detaches
        h.store->deletePostedDraftIfSaved();
        QVERIFY(!h.store->isEditingDraft());
        QCOMPARE(h.store->drafts().size(), 1);
        QCOMPARE(h.store->localRevision(), 2u);

        h.store->openDraft(h.store->drafts().at(0));
        h.store->deletePostedDraftIfSaved();
        QVERIFY(h.store->drafts().isEmpty());
        QVERIFY(!h.store->isEditingDraft());
        QVERIFY(h.repository.loadSnapshot(std::nullopt).drafts.isEmpty());
        QCOMPARE(h.store->localRevision(), 3u);
    }

    void saveOpenedDraftAndClearEditor()
    {
        DraftStoreHarness h;
        // No open draft: nothing is saved, the editor ends empty.
        h.store->saveOpenedDraftAndClearEditor();
        QVERIFY(h.store->drafts().isEmpty());
        QCOMPARE(h.store->editorText(), QString());
        QVERIFY(!h.store->hasStatusMessage());

        h.save(u"one"_s);
        h.store->setEditorText(u"one, more"_s);
        h.store->saveOpenedDraftAndClearEditor();
        QCOMPARE(h.store->drafts().size(), 1);
        QCOMPARE(h.store->drafts().at(0).body, u"one, more"_s);
        QCOMPARE(h.store->editorText(), QString());
        QVERIFY(!h.store->isEditingDraft());
        QVERIFY(!h.store->hasStatusMessage());
    }

    void deleteAccountDataWipesStorage()
    {
        DraftStoreHarness h;
        h.repository.snapshots.insert(u"signed-out"_s,
                                      {{draft(1, 10)}, std::nullopt, at(0), std::nullopt, 1});
        h.repository.snapshots.insert(u"other"_s, {{draft(3, 1)}, u"other"_s, at(0), {}, 1});
        h.makeStore();
        h.store->setSession(DraftStoreHarness::token(u"abc"_s, u"t1"_s));
        h.service.succeedList({});
        h.save(u"mine"_s); // queued, its request pending
        QVERIFY(h.repository.snapshots.contains(u"abc"_s));
        QCOMPARE(h.queue(u"abc"_s).size(), 1);

        h.store->deleteAccountData(u"abc"_s);

        QVERIFY(h.store->drafts().isEmpty());
        QCOMPARE(h.store->ownerID(), std::nullopt);
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::localOnly);
        QCOMPARE(h.store->editorText(), u"Write a LinkedIn post..."_s);
        QVERIFY(!h.repository.snapshots.contains(u"abc"_s));
        QVERIFY(!h.repository.snapshots.contains(u"signed-out"_s));
        QVERIFY(!h.repository.queues.contains(u"abc"_s));
        QVERIFY(h.repository.snapshots.contains(u"other"_s));

        // The upload in flight comes back: it changes nothing for the signed-out store.
        h.service.succeed();
        QVERIFY(h.store->drafts().isEmpty());
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::localOnly);
        QVERIFY(!h.repository.queues.contains(u"abc"_s));
        QVERIFY(!h.repository.snapshots.contains(u"abc"_s));
        QVERIFY(!h.store->isDrainingSyncQueue());
    }

    void signedInWithoutServiceKeepsChangesQueued()
    {
        DraftStoreHarness h(false);
        h.store->setSession(DraftStoreHarness::token(u"abc"_s, u"t1"_s));
        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::pending);

        h.save(u"waits"_s);
        h.store->deleteDraft(draft(4, 0));

        QCOMPARE(h.store->syncStatus(), DraftSyncStatus::pending);
        const auto queue = h.queue(u"abc"_s);
        QCOMPARE(queue.size(), 2);
        QCOMPARE(queue.at(0).operation, DraftSyncOperation::upsert);
        QCOMPARE(queue.at(1).operation, DraftSyncOperation::remove);
        QCOMPARE(queue.at(1).draftID, uuid(4));
        QCOMPARE(h.queueLengths(), (QList<qsizetype>{1, 2}));
    }
};

QTEST_GUILESS_MAIN(DraftStoreTest)
#include "tst_draftstore.moc"
