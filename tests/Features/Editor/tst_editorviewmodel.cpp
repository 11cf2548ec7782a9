// The editor view model against real stores (drafts on a user-defaults file, the session on
// an in-memory keychain), a scripted sign-in, and the post and AI services talking to a
// loopback test server.

#include "AccountAuthServicing.h"
#include "DraftStore.h"
#include "EditorStores.h"
#include "EditorViewModel.h"
#include "LinkedInAuthError.h"
#include "LinkedInPostService.h"
#include "NaturalizeService.h"
#include "ScriptedSignIn.h"
#include "TestServer.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_EditorPlugin)

using namespace Qt::StringLiterals;

namespace {

LinkedInToken token()
{
    LinkedInToken token;
    token.accessToken = u"access-1"_s;
    token.profile.memberID = u"member-1"_s;
    token.profile.name = u"Ada Example"_s;
    token.profile.pictureURL = u"https://media.example/ada.jpg"_s;
    token.connectedAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    return token;
}

const QString postPath = QString(LinkedInPostService::postPath);
const QString chatPath = u"/chat"_s;

QByteArray chatAnswer(const QByteArray &content)
{
    return R"({"choices":[{"index":0,"message":{"role":"assistant","content":")" + content +
           R"("}}]})";
}

struct Harness : EditorStores {
    Harness()
    {
        store = std::make_unique<DraftStore>(
            repository, nullptr, AppTelemetry::Function{},
            [] { return QDateTime(QDate(2026, 1, 2), QTime(12, 0), Qt::UTC); }, [] { return 0.0; });
        viewModel = std::make_unique<EditorViewModel>(
            *store, session, signIn, postService, naturalizeService, aiSettings,
            [this](AppTelemetryEvent event, const QMap<QString, QString> &parameters) {
                QVERIFY(parameters.isEmpty());
                events << event;
            });
    }

    void connect() { session.setToken(token()); }

    ScriptedSignIn signIn;
    TestServer server;
    LinkedInPostService postService{server.url()};
    NaturalizeService naturalizeService{server.url(chatPath)};
    std::unique_ptr<DraftStore> store;
    QList<AppTelemetryEvent> events;
    std::unique_ptr<EditorViewModel> viewModel;
};

using Events = QList<AppTelemetryEvent>;

} // namespace

class TestEditorViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void derivedValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hasText");
        QTest::addColumn<QString>("preview");

        const QString placeholder(EditorViewModel::previewPlaceholder);
        QTest::newRow("empty") << QString() << false << placeholder;
        QTest::newRow("spaces only") << u"   "_s << false << placeholder;
        QTest::newRow("line breaks and tabs") << u"\n\t \r\n"_s << false << placeholder;
        QTest::newRow("leading spaces kept") << u"  Hello\n"_s << true << u"  Hello\n"_s;
    }
    void derivedValues()
    {
        QFETCH(QString, text);
        QFETCH(bool, hasText);
        QFETCH(QString, preview);
        Harness h;
        h.viewModel->setEditorText(text);
        QCOMPARE(h.store->editorText(), text);
        QCOMPARE(h.viewModel->editorText(), text);
        QCOMPARE(h.viewModel->hasEditorText(), hasText);
        QCOMPARE(h.viewModel->previewText(), preview);
    }

    void profileFollowsTheSessionAndChangesAreForwarded()
    {
        Harness h;
        QSignalSpy changed(h.viewModel.get(), &EditorViewModel::changed);
        QVERIFY(!h.viewModel->profile());
        QVERIFY(!h.viewModel->hasProfile());

        h.connect();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(h.viewModel->profile(), token().profile);
        QCOMPARE(h.viewModel->profileName(), u"Ada Example"_s);
        QCOMPARE(h.viewModel->profilePictureURL(), u"https://media.example/ada.jpg"_s);

        h.store->setEditorText(u"Typed"_s);
        h.store->setStatusMessage(u"Something"_s);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(h.viewModel->statusMessage(), u"Something"_s);

        h.viewModel->save();
        QCOMPARE(h.store->draftCount(), 1);
        QVERIFY(h.store->isEditingDraft());
        h.viewModel->clearEditor();
        QVERIFY(!h.store->isEditingDraft());
        QVERIFY(h.viewModel->editorText().isEmpty());
    }

    void cancelledSignInFailsThePublish()
    {
        Harness h;
        h.store->setEditorText(u"Hello LinkedIn"_s);
        QSignalSpy posting(h.viewModel.get(), &EditorViewModel::isPostingChanged);
        QSignalSpy succeeded(h.viewModel.get(), &EditorViewModel::postSucceeded);

        h.viewModel->publish();

        QTRY_VERIFY(!h.viewModel->isPosting());
        QCOMPARE(posting.count(), 2);
        QCOMPARE(h.signIn.signInCount, 1);
        QCOMPARE(h.viewModel->statusMessage(), QString(LinkedInAuthErrorText::cancelled));
        QCOMPARE(h.events,
                 (Events{AppTelemetryEvent::postStarted, AppTelemetryEvent::linkedInConnectStarted,
                         AppTelemetryEvent::postFailed}));
        QVERIFY(!h.session.isConnected());
        QCOMPARE(h.server.requestCount(), 0);
        QCOMPARE(succeeded.count(), 0);
        QCOMPARE(h.store->editorText(), u"Hello LinkedIn"_s);
    }

    void signInThenPublish()
    {
        Harness h;
        h.signIn.answer = token();
        h.server.setAnswer("POST", postPath, TestServer::json(200, R"({"ok":true})"));
        h.store->setEditorText(u"  Hello LinkedIn  "_s);

        h.viewModel->publish();

        QTRY_VERIFY(!h.viewModel->isPosting());
        QCOMPARE(h.session.token(), token());
        QCOMPARE(h.viewModel->statusMessage(), QString(EditorViewModel::postedMessage));
        QCOMPARE(h.events,
                 (Events{AppTelemetryEvent::postStarted, AppTelemetryEvent::linkedInConnectStarted,
                         AppTelemetryEvent::linkedInConnected, AppTelemetryEvent::postSucceeded}));
        const auto posts = h.server.requests("POST", postPath);
        QCOMPARE(posts.size(), 1);
        QVERIFY(posts.first().body.contains("Hello LinkedIn"));
        QVERIFY(posts.first().body.contains("access-1"));
    }

    void failedPublishKeepsTextAndDrafts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("message");

        QTest::newRow("blank post") << u" \n "_s << false << u"Post is empty."_s;
        QTest::newRow("server refuses") << u"Hello"_s << true << u"LinkedIn rejected the post."_s;
    }
    void failedPublishKeepsTextAndDrafts()
    {
        QFETCH(QString, text);
        QFETCH(bool, answered);
        QFETCH(QString, message);
        Harness h;
        h.connect();
        h.server.setAnswer("POST", postPath,
                           TestServer::json(502, R"({"error":"LinkedIn rejected the post."})"));
        h.store->setEditorText(text);
        h.store->saveCurrentDraft();
        const auto drafts = h.store->drafts();
        QSignalSpy succeeded(h.viewModel.get(), &EditorViewModel::postSucceeded);

        h.viewModel->publish();

        QTRY_VERIFY(!h.viewModel->isPosting());
        QCOMPARE(h.viewModel->statusMessage(), message);
        QCOMPARE(h.events, (Events{AppTelemetryEvent::postStarted, AppTelemetryEvent::postFailed}));
        QCOMPARE(h.signIn.signInCount, 0);
        QCOMPARE(h.server.requestCount(), answered ? 1 : 0);
        QCOMPARE(h.store->editorText(), text);
        QCOMPARE(h.store->drafts(), drafts);
        QCOMPARE(succeeded.count(), 0);
    }

    void publishingAnOpenedDraftRemovesIt()
    {
        Harness h;
        h.connect();
        h.server.setAnswer("POST", postPath, TestServer::json(200, "{}"));
        h.store->setEditorText(u"Keep me"_s);
        h.store->saveCurrentDraft();
        h.store->startNewPost();
        h.store->setEditorText(u"Post me"_s);
        h.store->saveCurrentDraft();
        QCOMPARE(h.store->draftCount(), 2);
        QSignalSpy succeeded(h.viewModel.get(), &EditorViewModel::postSucceeded);

        h.viewModel->publish();
        QVERIFY(h.viewModel->isPosting());

        QTRY_COMPARE(succeeded.count(), 1);
        QVERIFY(!h.viewModel->isPosting());
        QCOMPARE(h.viewModel->statusMessage(), QString(EditorViewModel::postedMessage));
        QCOMPARE(h.store->draftCount(), 1);
        QCOMPARE(h.store->drafts().first().body, u"Keep me"_s);
        QCOMPARE(h.events,
                 (Events{AppTelemetryEvent::postStarted, AppTelemetryEvent::postSucceeded}));
    }

    void draftOpenedDuringThePublishIsKept()
    {
        Harness h;
        h.connect();
        h.server.setAnswer("POST", postPath,
                           TestServer::json(200, "{}").after(std::chrono::milliseconds(200)));
        h.store->setEditorText(u"Other"_s);
        h.store->saveCurrentDraft();
        const Draft other = h.store->drafts().first();
        h.store->startNewPost();
        h.store->setEditorText(u"Post me"_s);
        h.store->saveCurrentDraft();

        h.viewModel->publish();
        QVERIFY(h.server.waitForRequests(1));
        h.store->openDraft(other);

        QTRY_VERIFY(!h.viewModel->isPosting());
        QCOMPARE(h.viewModel->statusMessage(), QString(EditorViewModel::postedMessage));
        QCOMPARE(h.store->draftCount(), 2);
        QCOMPARE(h.store->editorText(), u"Other"_s);
    }

    void naturalizingWithoutAKey()
    {
        Harness h;
        h.store->setEditorText(u"my draft"_s);
        QStringList messages;
        QObject::connect(h.store.get(), &DraftStore::statusMessageChanged, h.viewModel.get(),
                         [&] { messages << h.store->statusMessage(); });
        QSignalSpy naturalizing(h.viewModel.get(), &EditorViewModel::isNaturalizingChanged);

        h.viewModel->naturalizeEnglish();

        QTRY_COMPARE(naturalizing.count(), 2);
        QVERIFY(!h.viewModel->isNaturalizing());
        QCOMPARE(messages, (QStringList{u"Naturalizing English..."_s,
                                        u"Add your AI API key in Settings first."_s}));
        QCOMPARE(h.store->editorText(), u"my draft"_s);
        QCOMPARE(h.server.requestCount(), 0);
        QVERIFY(h.events.isEmpty());
    }

    void naturalizingReplacesTheText()
    {
        Harness h;
        h.aiSettings.setApiKey(u"key-1"_s);
        h.server.setAnswer("POST", chatPath, TestServer::json(200, chatAnswer("  Better post\\n")));
        h.store->setEditorText(u"my  draft "_s);

        h.viewModel->naturalizeEnglish();

        QTRY_VERIFY(!h.viewModel->isNaturalizing());
        QCOMPARE(h.store->editorText(), u"Better post"_s);
        QCOMPARE(h.viewModel->statusMessage(), u"Naturalized English."_s);
        QVERIFY(h.server.requests("POST", chatPath).first().body.contains("my  draft "));
    }

    void failedRewriteKeepsTheText()
    {
        Harness h;
        h.aiSettings.setApiKey(u"key-1"_s);
        h.server.setAnswer("POST", chatPath,
                           TestServer::json(429, R"({"error":{"message":"Quota exceeded"}})"));
        h.store->setEditorText(u"my draft"_s);

        h.viewModel->naturalizeEnglish();

        QTRY_VERIFY(!h.viewModel->isNaturalizing());
        QCOMPARE(h.viewModel->statusMessage(), u"Quota exceeded"_s);
        QCOMPARE(h.store->editorText(), u"my draft"_s);
    }

    void textChangedDuringTheRewriteIsKept()
    {
        Harness h;
        h.aiSettings.setApiKey(u"key-1"_s);
        h.server.setAnswer(
            "POST", chatPath,
            TestServer::json(200, chatAnswer("Rewritten")).after(std::chrono::milliseconds(200)));
        h.store->setEditorText(u"first words"_s);

        h.viewModel->naturalizeEnglish();
        QVERIFY(h.server.waitForRequests(1));
        h.viewModel->setEditorText(u"first words, and more typed meanwhile"_s);

        QTRY_VERIFY(!h.viewModel->isNaturalizing());
        QCOMPARE(h.store->editorText(), u"first words, and more typed meanwhile"_s);
        QCOMPARE(h.viewModel->statusMessage(), QString(EditorViewModel::rewriteDiscardedMessage));
    }

    void viewModelDestroyedWhileWaiting()
    {
        Harness h;
        h.connect();
        h.aiSettings.setApiKey(u"key-1"_s);
        h.server.setAnswer("POST", postPath,
                           TestServer::json(200, "{}").after(std::chrono::milliseconds(100)));
        h.server.setAnswer(
            "POST", chatPath,
            TestServer::json(200, chatAnswer("X")).after(std::chrono::milliseconds(100)));
        h.store->setEditorText(u"Text"_s);
        h.viewModel->publish();
        h.viewModel->naturalizeEnglish();
        QVERIFY(h.server.waitForRequests(2));
        h.viewModel.reset();

        // A second rewrite, answered after the two above: by its end they have arrived, to no
        // one, and changed nothing in the store.
        h.server.enqueue(
            "POST", chatPath,
            TestServer::json(200, chatAnswer("Y")).after(std::chrono::milliseconds(250)));
        EditorViewModel second(*h.store, h.session, h.signIn, h.postService, h.naturalizeService,
                               h.aiSettings, AppTelemetry::Function{});
        second.naturalizeEnglish();
        QTRY_VERIFY(!second.isNaturalizing());
        QCOMPARE(h.store->editorText(), u"Y"_s);
        QCOMPARE(h.store->statusMessage(), u"Naturalized English."_s);
        QCOMPARE(h.store->draftCount(), 0);
    }

    // The screen renders offscreen over the view model and follows its state.
    void screenFollowsTheViewModel()
    {
        Harness h;
        QQuickView view;
        view.engine()->addImportPath(u"qrc:/"_s);
        view.setInitialProperties({{u"viewModel"_s, QVariant::fromValue(h.viewModel.get())}});
        view.setSource(QUrl(u"qrc:/Quillet/Editor/UI/EditorView.qml"_s));
        QVERIFY2(view.errors().isEmpty(), qPrintable(view.errors().value(0).toString()));
        auto *root = view.rootObject();
        QVERIFY(root);
        const auto item = [root](const char *name) {
            return root->findChild<QQuickItem *>(QString::fromLatin1(name));
        };
        QSignalSpy showDrafts(root, SIGNAL(showDrafts()));

        h.viewModel->setEditorText(u"   "_s);
        QCOMPARE(item("previewText")->property("text").toString(),
                 QString(EditorViewModel::previewPlaceholder));
        QVERIFY(!item("clearButton")->isEnabled());
        QVERIFY(!item("naturalizeButton")->isEnabled());
        QVERIFY(item("postButton")->isEnabled());
        QVERIFY(!item("statusLine")->isVisible());

        h.viewModel->setEditorText(u"  Hello"_s);
        QCOMPARE(item("previewText")->property("text").toString(), u"  Hello"_s);
        QVERIFY(item("clearButton")->isEnabled());
        QVERIFY(item("naturalizeButton")->isEnabled());
        QCOMPARE(item("editor")->property("text").toString(), u"  Hello"_s);

        h.store->setStatusMessage(u"Draft saved"_s);
        QCOMPARE(item("statusLine")->property("text").toString(), u"Draft saved"_s);

        QVERIFY(QMetaObject::invokeMethod(item("backButton"), "clicked"));
        QCOMPARE(showDrafts.count(), 1);
    }
};

QTEST_MAIN(TestEditorViewModel)
#include "tst_editorviewmodel.moc"
