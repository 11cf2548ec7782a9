#include "DraftStore.h"
#include "SyncedDraftsService.h"
#include "TestServer.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The draft store through the real repository, settings file and drafts client, against a
// loopback server.
class TestDraftStoreEndToEnd : public QObject {
    Q_OBJECT

    static LinkedInToken token()
    {
        LinkedInToken t;
        t.accessToken = u"end-to-end-access"_s;
        t.profile.memberID = u"member-1"_s;
        t.profile.name = u"Test Member"_s;
        t.connectedAt = QDateTime::currentDateTimeUtc();
        return t;
    }

private Q_SLOTS:
    void aSaveReachesTheServerAndAKilledRunIsResentAfterARestart()
    {
        TestServer server;
        QVERIFY(server.isListening());
        QTemporaryDir home;
        const QString settingsFile = home.filePath(u"Quillet.conf"_s);

        // First launch: a server that takes connections and never answers, so the requests
        // are still in flight when the program goes away; the save must be queued on disk.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket *> connections;
        connect(&silent, &QTcpServer::newConnection, this,
                [&] { connections.append(silent.nextPendingConnection()); });
        QUuid savedID;
        {
            UserDefaults defaults(settingsFile);
            UserDefaultsDraftRepository repository(u"e2e.drafts"_s, defaults);
            SyncedDraftsService service(QUrl(u"http://127.0.0.1:%1"_s.arg(silent.serverPort())));
            DraftStore store(repository, &service, {});
            store.setSession(token());
            store.setEditorText(u"Written before the crash"_s);
            store.saveCurrentDraft();
            QCOMPARE(store.drafts().size(), 1);
            savedID = store.drafts().first().id;
            // The fetch and the upload are both waiting on the silent server.
            QTRY_COMPARE_WITH_TIMEOUT(connections.size(), 2, 10000);
            QCOMPARE(repository.loadSyncMutations(u"member-1"_s).size(), 1);
        }

        // Second launch: the server answers; the queued upsert is sent and confirmed.
        const QString putPath = u"/api/drafts/"_s + AppJson::encodeUuid(savedID);
        server.setAnswer("GET", u"/api/drafts"_s, TestServer::json(200, R"({"drafts":[]})"));
        const Draft stored{savedID, u"Written before the crash"_s,
                           QDateTime::fromSecsSinceEpoch(1'767'225'600, Qt::UTC),
                           QDateTime::fromSecsSinceEpoch(1'767'225'600, Qt::UTC)};
        server.setAnswer("PUT", putPath, TestServer::json(200, AppJson::encode(stored.toJson())));
        UserDefaults defaults(settingsFile);
        UserDefaultsDraftRepository repository(u"e2e.drafts"_s, defaults);
        SyncedDraftsService service(server.url());
        DraftStore store(repository, &service, {});
        store.setSession(token());
        QCOMPARE(store.drafts().size(), 1);
        // The fetch after the session switch queues the merged draft again, so it may go twice.
        QTRY_VERIFY_WITH_TIMEOUT(!server.requests("PUT", putPath).isEmpty(), 10000);
        const auto put = server.requests("PUT", putPath).first();
        QVERIFY(put.header("Authorization") == "Bearer end-to-end-access");
        QCOMPARE(put.json().value(u"body"_s).toString(), u"Written before the crash"_s);
        QTRY_COMPARE_WITH_TIMEOUT(store.syncStatus(), DraftSyncStatus::synced, 10000);
        QVERIFY(repository.loadSyncMutations(u"member-1"_s).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDraftStoreEndToEnd)
#include "tst_draftstoreendtoend.moc"
