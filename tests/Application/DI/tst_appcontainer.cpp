#include "AppContainer.h"
#include "TestServer.h"

#include <QQmlEngine>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A configuration whose server address is a closed loopback port.
AppConfiguration offlineConfiguration()
{
    AppConfiguration configuration;
    configuration.api.baseURL = QUrl(u"http://127.0.0.1:9"_s);
    configuration.storage.draftsKey = u"container.drafts"_s;
    configuration.storage.linkedInTokenKey = u"container-test-token"_s;
    return configuration;
}

} // namespace

// Builds the real composition root over a loopback server that answers nothing.
class TestAppContainer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildingMakesNoRequestAndRestoresStoredState()
    {
        TestServer server;
        QVERIFY(server.isListening());
        QTemporaryDir home;
        AppConfiguration configuration;
        configuration.api.baseURL = server.url(u"/base"_s);
        configuration.linkedIn.callbackURLScheme = u"quillet-test"_s;
        configuration.storage.draftsKey = u"container.drafts"_s;
        configuration.storage.linkedInTokenKey = u"container-test-token"_s;
        const QString settings = home.filePath(u"Quillet.conf"_s);

        {
            QQmlEngine engine;
            AppContainer container(configuration, engine, settings);
            QCOMPARE(container.configuration, configuration);
            QVERIFY(!container.linkedInSessionStore.isConnected());
            container.draftStore.setEditorText(u"Kept between launches"_s);
            container.draftStore.saveCurrentDraft();
            QCOMPARE(container.draftStore.drafts().size(), 1);
            // The drafts list reads the container's one draft store.
            QCOMPARE(container.draftsViewModel.drafts()->count(), 1);
        }

        // A second container over the same settings file restores the draft.
        QQmlEngine engine;
        AppContainer container(configuration, engine, settings);
        QCOMPARE(container.draftStore.drafts().size(), 1);
        QCOMPARE(container.draftStore.drafts().first().body, u"Kept between launches"_s);

        // Nothing was asked of the server while building or saving signed out.
        QTest::qWait(200);
        QCOMPARE(server.requestCount(), 0);
    }

    void openingADraftShowsItInTheEditor()
    {
        QTemporaryDir home;
        QQmlEngine engine;
        AppContainer container(offlineConfiguration(), engine, home.filePath(u"Quillet.conf"_s));
        container.draftStore.setEditorText(u"First"_s);
        container.draftStore.saveCurrentDraft();
        container.mainWindowViewModel.selectSection(MainWindowViewModel::Section::Drafts);
        QVERIFY(container.draftsViewModel.openDraftAt(0));
        QCOMPARE(container.mainWindowViewModel.selection(), MainWindowViewModel::Section::Editor);
        QCOMPARE(container.draftStore.editorText(), u"First"_s);
    }

    void dismissingTheFeedbackSheetEmptiesTheForm()
    {
        QTemporaryDir home;
        QQmlEngine engine;
        AppContainer container(offlineConfiguration(), engine, home.filePath(u"Quillet.conf"_s));
        container.mainWindowViewModel.openFeedback();
        container.feedbackViewModel.setTitle(u"Idea"_s);
        container.feedbackViewModel.setMessage(u"Dark mode"_s);
        container.mainWindowViewModel.closeFeedback();
        QVERIFY(container.feedbackViewModel.title().isEmpty());
        QVERIFY(container.feedbackViewModel.message().isEmpty());
    }

    void theAccountViewModelSharesTheContainersStores()
    {
        QTemporaryDir home;
        QQmlEngine engine;
        AppContainer container(offlineConfiguration(), engine, home.filePath(u"Quillet.conf"_s));
        container.linkedInSessionStore.setStatusMessage(u"From the session store"_s);
        container.aiSettingsStore.setApiKey(u"typed"_s);
        QCOMPARE(container.accountViewModel.statusMessage(), u"From the session store"_s);
        QCOMPARE(container.accountViewModel.apiKey(), u"typed"_s);
        container.draftStore.setEditorText(u"Local"_s);
        container.draftStore.saveCurrentDraft();
        // Deleting without an account asks no server and empties the one draft store.
        container.accountViewModel.deleteAccount();
        QTRY_VERIFY(!container.accountViewModel.isDeletingAccount());
        QVERIFY(container.draftStore.drafts().isEmpty());
    }
};

QTEST_MAIN(TestAppContainer)
#include "tst_appcontainer.moc"
