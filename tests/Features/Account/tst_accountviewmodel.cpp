// The account view model's three actions against real stores and a scripted server: what
// each does while the server is asked, after it answers, and what a new run finds.

#include "AccountHarness.h"
#include "LinkedInAuthError.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace AccountFixtures;

using Events = QList<AppTelemetryEvent>;
using Kind = ScriptedAccountAuth::Kind;

namespace {

Error serverError(const QString &message)
{
    return linkedInAuthError(LinkedInAuthError::server, message);
}

} // namespace

class TestAccountViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void connectEndsWithTheOutcome_data()
    {
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<Error>("error");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Events>("events");

        QTest::newRow("connected") << true << Error() << QString()
                                   << Events{AppTelemetryEvent::linkedInConnectStarted,
                                             AppTelemetryEvent::linkedInConnected};
        QTest::newRow("cancelled in the sheet")
            << false << linkedInAuthError(LinkedInAuthError::cancelled)
            << u"LinkedIn authorization was cancelled."_s
            << Events{AppTelemetryEvent::linkedInConnectStarted};
        QTest::newRow("network error")
            << false << Error::transport(u"Connection refused"_s) << u"Connection refused"_s
            << Events{AppTelemetryEvent::linkedInConnectStarted};
    }
    void connectEndsWithTheOutcome()
    {
        QFETCH(bool, succeeds);
        QFETCH(Error, error);
        QFETCH(QString, message);
        QFETCH(Events, events);
        AccountHarness h;
        auto &vm = h.viewModel();
        h.run->session.setStatusMessage(u"An earlier error"_s);
        QSignalSpy flag(&vm, &AccountViewModel::isConnectingChanged);

        vm.connect();
        QVERIFY(vm.isConnecting());
        QCOMPARE(h.events, Events{AppTelemetryEvent::linkedInConnectStarted});
        QCOMPARE(h.auth.pendingCount(), 1);
        QCOMPARE(vm.statusMessage(), u"An earlier error"_s);

        if (succeeds)
            h.auth.succeed(token());
        else
            h.auth.fail(error);

        QVERIFY(!vm.isConnecting());
        QCOMPARE(flag.size(), 2);
        QCOMPARE(vm.isConnected(), succeeds);
        QCOMPARE(vm.hasStatusMessage(), !succeeds);
        QCOMPARE(vm.statusMessage(), message);
        QCOMPARE(h.events, events);
        // The session store stored the token: a new run is connected exactly when this one is.
        h.restart();
        QCOMPARE(h.viewModel().isConnected(), succeeds);
        QVERIFY(!h.viewModel().hasStatusMessage());
    }

    void logOut_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("serverFails");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("connectedAfterRestart");

        QTest::newRow("server agrees") << true << false << u"Logged out."_s << false;
        QTest::newRow("server refuses: account kept")
            << true << true << u"Disconnect failed upstream"_s << true;
        QTest::newRow("no account: no request") << false << false << u"Logged out."_s << false;
    }
    void logOut()
    {
        QFETCH(bool, connected);
        QFETCH(bool, serverFails);
        QFETCH(QString, message);
        QFETCH(bool, connectedAfterRestart);
        AccountHarness h;
        if (connected)
            h.seedConnectedAccount();
        auto &vm = h.viewModel();

        vm.logOut();
        QVERIFY(vm.isLoggingOut() || !connected);
        if (connected) {
            QCOMPARE(h.auth.calls().size(), 1);
            QCOMPARE(h.auth.calls().at(0).kind, Kind::disconnect);
            QCOMPARE(h.auth.calls().at(0).memberID, u"member-1"_s);
            QVERIFY(vm.isConnected());
            if (serverFails)
                h.auth.fail(serverError(message));
            else
                h.auth.succeed();
        } else {
            QVERIFY(h.auth.calls().isEmpty());
        }

        QVERIFY(!vm.isLoggingOut());
        QCOMPARE(vm.statusMessage(), message);
        QCOMPARE(vm.isConnected(), connectedAfterRestart);
        QVERIFY(h.events.isEmpty());
        h.restart();
        QCOMPARE(h.viewModel().isConnected(), connectedAfterRestart);
        // Only the account's own data goes with a log-out: the AI key stays.
        QCOMPARE(h.run->aiSettings.apiKey(), connected ? u"ai-key-1"_s : QString());
    }

    void deletionClearsEverythingInOrderThenRunsOnSuccess()
    {
        AccountHarness h;
        h.seedConnectedAccount();
        auto &run = *h.run;
        QCOMPARE(run.draftStore.drafts().size(), 1);
        h.log.clear();
        h.auth.log = [&](const QString &step) { h.log << step; };
        // The draft store may announce its emptied list more than once; once is the step.
        connect(&run.draftStore, &DraftStore::draftsChanged, this, [&] {
            if (h.log.last() != u"drafts")
                h.log << u"drafts"_s;
        });
        connect(&run.session, &LinkedInSessionStore::tokenChanged, this,
                [&] { h.log << u"token"_s; });
        connect(&run.aiSettings, &AISettingsStore::apiKeyChanged, this,
                [&] { h.log << u"ai key"_s; });
        connect(&run.session, &LinkedInSessionStore::statusMessageChanged, this,
                [&] { h.log << run.session.statusMessage(); });
        connect(&run.viewModel, &AccountViewModel::isDeletingAccountChanged, this,
                [&] { h.log << u"busy=%1"_s.arg(run.viewModel.isDeletingAccount()); });
        int successes = 0;

        run.viewModel.deleteAccount([&] {
            ++successes;
            h.log << u"onSuccess"_s;
        });
        QCOMPARE(h.auth.calls().size(), 1);
        QCOMPARE(h.auth.calls().at(0).kind, Kind::deleteAccount);
        QCOMPARE(h.auth.calls().at(0).memberID, u"member-1"_s);
        // Nothing local goes before the server has answered.
        QCOMPARE(h.log, QStringList{u"busy=1"_s});
        QVERIFY(run.viewModel.isConnected());
        QCOMPARE(run.draftStore.drafts().size(), 1);

        h.auth.succeed();

        QCOMPARE(successes, 1);
        QCOMPARE(h.log.join(u", "_s), u"busy=1, drafts, token, ai key, ephemeral, "
                                      "Account deleted., busy=0, account_deleted, onSuccess"_s);
        QCOMPARE(h.auth.ephemeralRequests(), 1);
        QVERIFY(!run.viewModel.isConnected());
        QVERIFY(!run.viewModel.hasProfile());
        QVERIFY(run.draftStore.drafts().isEmpty());
        QVERIFY(run.aiSettings.apiKey().isEmpty());
        QCOMPARE(h.keychain.itemCount(), 0);

        // Nothing comes back in a new run: no token, no key, no drafts of either owner.
        h.restart();
        QVERIFY(!h.run->session.token());
        QVERIFY(h.run->aiSettings.apiKey().isEmpty());
        QVERIFY(h.run->draftStore.drafts().isEmpty());
        QVERIFY(h.run->repository.loadSnapshot(u"member-1"_s).drafts.isEmpty());
        QVERIFY(h.run->repository.loadSyncMutations(u"member-1"_s).isEmpty());
    }

    void failedDeletionKeepsEverything()
    {
        AccountHarness h;
        h.seedConnectedAccount();
        auto &vm = h.viewModel();
        bool succeeded = false;

        vm.deleteAccount([&] { succeeded = true; });
        QVERIFY(vm.isDeletingAccount());
        h.auth.fail(serverError(u"Account deletion is unavailable"_s));

        QVERIFY(!vm.isDeletingAccount());
        QVERIFY(!succeeded);
        QCOMPARE(vm.statusMessage(), u"Account deletion is unavailable"_s);
        QVERIFY(vm.isConnected());
        QCOMPARE(h.auth.ephemeralRequests(), 0);
        QVERIFY(h.events.isEmpty());
        h.restart();
        QVERIFY(h.viewModel().isConnected());
        QCOMPARE(h.run->aiSettings.apiKey(), u"ai-key-1"_s);
        QCOMPARE(h.run->draftStore.drafts().size(), 1);
        QCOMPARE(h.run->draftStore.drafts().at(0).body, u"Account draft"_s);
    }

    void deletionWithoutAnAccountClearsLocalDataWithoutAsking()
    {
        AccountHarness h;
        h.run->draftStore.setEditorText(u"Signed-out draft"_s);
        h.run->draftStore.saveCurrentDraft();
        h.run->aiSettings.setApiKey(u"ai-key-1"_s);
        h.run->aiSettings.save();
        QSignalSpy deleted(&h.viewModel(), &AccountViewModel::accountDeleted);

        h.viewModel().deleteAccount();

        QVERIFY(h.auth.calls().isEmpty());
        QCOMPARE(deleted.size(), 1);
        QVERIFY(!h.viewModel().isDeletingAccount());
        QCOMPARE(h.viewModel().statusMessage(), u"Account deleted."_s);
        QCOMPARE(h.events, Events{AppTelemetryEvent::accountDeleted});
        QCOMPARE(h.auth.ephemeralRequests(), 1);
        QVERIFY(h.run->draftStore.drafts().isEmpty());
        QCOMPARE(h.keychain.itemCount(), 0);
    }

    void profileAndChangesFollowTheSession()
    {
        AccountHarness h;
        auto &vm = h.viewModel();
        QVERIFY(!vm.hasProfile());
        QCOMPARE(vm.registeredText(), u"Registered "_s);
        QSignalSpy changed(&vm, &AccountViewModel::changed);

        auto connected = token();
        connected.profile.pictureURL = u"https://media.example/ada.jpg"_s;
        h.run->session.setToken(connected);
        QVERIFY(changed.size() >= 1);
        QVERIFY(vm.hasProfile());
        QCOMPARE(vm.profileName(), u"Ada Example"_s);
        QCOMPARE(vm.profileHeadline(), u"Writes about compilers"_s);
        QVERIFY(vm.hasProfileHeadline());
        QCOMPARE(vm.profilePictureURL(), u"https://media.example/ada.jpg"_s);
        QCOMPARE(vm.connectedAt(), at(0));
        QCOMPARE(vm.registeredText(), u"Registered "_s + QLocale(QLocale::German)
                                                             .toString(at(0).toLocalTime().date(),
                                                                       QLocale::ShortFormat));

        const int before = changed.size();
        h.run->session.setStatusMessage(u"Something"_s);
        QCOMPARE(changed.size(), before + 1);

        // A blank headline is no headline; a token without a member id is not connected but
        // still shows its profile.
        connected.profile.headline = u"   "_s;
        connected.profile.memberID.clear();
        h.run->session.setToken(connected);
        QVERIFY(!vm.hasProfileHeadline());
        QVERIFY(!vm.isConnected());
        QVERIFY(vm.hasProfile());
    }

    void aiKeyPassesThroughToItsStore()
    {
        AccountHarness h;
        auto &vm = h.viewModel();
        QSignalSpy changed(&vm, &AccountViewModel::aiSettingsChanged);
        vm.setApiKey(u"  typed key \n"_s);
        QCOMPARE(h.run->aiSettings.apiKey(), u"  typed key \n"_s);
        QCOMPARE(h.keychain.itemCount(), 0);
        QVERIFY(!vm.hasAIStatusMessage());

        vm.saveAISettings();
        QCOMPARE(vm.apiKey(), u"typed key"_s);
        QCOMPARE(vm.aiStatusMessage(), u"AI settings saved."_s);
        QVERIFY(changed.size() >= 3);
        // The account status line is not the AI card's.
        QVERIFY(!vm.hasStatusMessage());
        h.restart();
        QCOMPARE(h.viewModel().apiKey(), u"typed key"_s);
    }
};

QTEST_GUILESS_MAIN(TestAccountViewModel)
#include "tst_accountviewmodel.moc"
