// The settings and account screens rendered offscreen over the real account view model and
// stores (in-memory keychain, user-defaults file): what each state shows and enables, the
// deletion's confirmation, and where the presses go. Screenshots land beside the test.

#include "AccountHarness.h"
#include "LinkedInAuthError.h"
#include "MakerLinks.h"
#include "ScreenView.h"
#include "VisibleItems.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_AccountPlugin)

using namespace Qt::StringLiterals;
using namespace AccountFixtures;

namespace {

QString textOf(QQuickItem *root, const QString &name)
{
    auto *item = visibleItem(root, name);
    return item ? item->property("text").toString() : u"<hidden>"_s;
}

QString accessibleName(QQuickItem *item)
{
    auto *interface = QAccessible::queryAccessibleInterface(item);
    return interface ? interface->text(QAccessible::Name) : QString();
}

// Records the addresses that would have opened in the browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

// The settings screen's controls by state: a control's text, or "<hidden>".
struct SettingsState {
    QString connect, account, logOut, community, feedback, status;
    bool connectEnabled = true, logOutEnabled = true;
};

} // namespace

Q_DECLARE_METATYPE(SettingsState)

class TestAccountScreens : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settingsScreenFollowsTheAccountState_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<SettingsState>("expected");
        const QString hidden = u"<hidden>"_s;

        QTest::newRow("not connected, idle")
            << u"idle"_s << SettingsState{u"Connect LinkedIn"_s, hidden, hidden, hidden, hidden,
                                          u"Logged out."_s};
        QTest::newRow("connecting")
            << u"connecting"_s << SettingsState{u"Connecting..."_s, hidden, hidden, hidden, hidden,
                                                u"Logged out."_s,   false};
        QTest::newRow("connected")
            << u"connected"_s << SettingsState{hidden,         u"Account"_s,       u"Log out"_s,
                                               u"Community"_s, u"Send feedback"_s, hidden};
        QTest::newRow("logging out") << u"loggingOut"_s << SettingsState{hidden,
                                                                         u"Account"_s,
                                                                         u"Logging out..."_s,
                                                                         u"Community"_s,
                                                                         u"Send feedback"_s,
                                                                         hidden,
                                                                         true,
                                                                         false};
        QTest::newRow("log-out refused")
            << u"logOutFailed"_s
            << SettingsState{hidden,         u"Account"_s,       u"Log out"_s,
                             u"Community"_s, u"Send feedback"_s, u"Disconnect failed"_s};
    }
    void settingsScreenFollowsTheAccountState()
    {
        QFETCH(QString, state);
        QFETCH(SettingsState, expected);
        AccountHarness h;
        auto &vm = h.viewModel();
        if (state == u"idle" || state == u"connecting")
            h.run->session.setStatusMessage(u"Logged out."_s);
        if (state == u"connecting")
            vm.connect();
        if (state == u"connected" || state == u"loggingOut" || state == u"logOutFailed")
            h.seedConnectedAccount();
        if (state == u"loggingOut" || state == u"logOutFailed")
            vm.logOut();
        if (state == u"logOutFailed")
            h.auth.fail(linkedInAuthError(LinkedInAuthError::server, u"Disconnect failed"_s));

        auto view = load(h, u"AccountSettingsView"_s);
        QVERIFY(view);
        auto *root = view->rootObject();

        QCOMPARE(textOf(root, u"connectButton"_s), expected.connect);
        QCOMPARE(textOf(root, u"accountRow"_s), expected.account);
        QCOMPARE(textOf(root, u"logOutButton"_s), expected.logOut);
        QCOMPARE(textOf(root, u"communityRow"_s), expected.community);
        QCOMPARE(textOf(root, u"feedbackBar"_s), expected.feedback);
        QCOMPARE(textOf(root, u"statusLine"_s), expected.status);
        if (auto *button = visibleItem(root, u"connectButton"_s))
            QCOMPARE(button->isEnabled(), expected.connectEnabled);
        if (auto *button = visibleItem(root, u"logOutButton"_s))
            QCOMPARE(button->isEnabled(), expected.logOutEnabled);
        // Every labelled control is named for assistive technology.
        for (const auto *name : {"connectButton", "accountRow", "logOutButton", "communityRow",
                                 "feedbackBar", "saveAISettingsButton"}) {
            if (auto *item = visibleItem(root, QString::fromLatin1(name)))
                QCOMPARE(accessibleName(item), item->property("text").toString());
        }
        QCOMPARE(accessibleName(visibleItem(root, u"apiKeyField"_s)), u"Gemini API key"_s);
        saveScreenshot(*view, u"settings-"_s + state + u".png"_s);

        while (h.auth.pendingCount() > 0)
            h.auth.fail(linkedInAuthError(LinkedInAuthError::cancelled));
    }

    void aiKeyIsSavedFromTheCardAndReportedThere()
    {
        AccountHarness h;
        auto view = load(h, u"AccountSettingsView"_s);
        QVERIFY(view);
        auto *root = view->rootObject();
        auto *field = visibleItem(root, u"apiKeyField"_s);
        QVERIFY(field);
        QCOMPARE(field->property("text").toString(), QString());
        QCOMPARE(field->property("echoMode").toInt(), 2); // TextInput.Password
        QVERIFY(!visibleItem(root, u"aiStatusLine"_s));

        click(*view, field);
        for (const char key : " key-42 ")
            if (key)
                QTest::keyClick(view.get(), key);
        QCOMPARE(h.run->aiSettings.apiKey(), u" key-42 "_s);
        QCOMPARE(h.keychain.itemCount(), 0); // typing stores nothing
        click(*view, visibleItem(root, u"saveAISettingsButton"_s));

        QCOMPARE(textOf(root, u"aiStatusLine"_s), u"AI settings saved."_s);
        QCOMPARE(field->property("text").toString(), u"key-42"_s);
        QVERIFY(!visibleItem(root, u"statusLine"_s));
        QCOMPARE(h.keychain.itemCount(), 1);
        saveScreenshot(*view, u"settings-ai-saved.png"_s);
    }

    void rowsOpenTheCommunityAndAskForFeedback()
    {
        AccountHarness h;
        h.seedConnectedAccount();
        auto view = load(h, u"AccountSettingsStack"_s);
        QVERIFY(view);
        auto *root = view->rootObject();
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
        QSignalSpy feedback(root, SIGNAL(feedbackRequested()));

        click(*view, visibleItem(root, u"communityRow"_s));
        click(*view, visibleItem(root, u"feedbackBar"_s));
        QDesktopServices::unsetUrlHandler(u"https"_s);

        QCOMPARE(recorder.opened, QList<QUrl>{MakerLinks::communityURL()});
        QCOMPARE(feedback.size(), 1);
    }

    void accountCardShowsTheProfile_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("shownHeadline");
        QTest::addColumn<QString>("screenshot");
        QTest::newRow("with headline")
            << true << u" Compilers "_s << u"Compilers"_s << u"account-profile.png"_s;
        QTest::newRow("blank headline")
            << true << u"  "_s << u"<hidden>"_s << u"account-no-headline.png"_s;
        QTest::newRow("not connected")
            << false << QString() << u"<hidden>"_s << u"account-not-connected.png"_s;
    }
    void accountCardShowsTheProfile()
    {
        QFETCH(bool, connected);
        QFETCH(QString, headline);
        QFETCH(QString, shownHeadline);
        QFETCH(QString, screenshot);
        AccountHarness h;
        if (connected) {
            auto account = token();
            account.profile.headline = headline;
            h.run->session.setToken(account);
        }
        auto view = load(h, u"AccountDetailView"_s);
        QVERIFY(view);
        auto *root = view->rootObject();

        QCOMPARE(textOf(root, u"notConnected"_s), connected ? u"<hidden>"_s : u"Not connected."_s);
        QCOMPARE(textOf(root, u"profileName"_s), connected ? u"Ada Example"_s : u"<hidden>"_s);
        QCOMPARE(textOf(root, u"profileHeadline"_s), shownHeadline);
        QCOMPARE(textOf(root, u"registered"_s),
                 connected ? h.viewModel().registeredText() : u"<hidden>"_s);
        QCOMPARE(textOf(root, u"deleteAccountButton"_s),
                 connected ? u"Delete account"_s : u"<hidden>"_s);
        QCOMPARE(bool(visibleItem(root, u"profilePhoto"_s)), connected);
        saveScreenshot(*view, screenshot);

        // Disconnected while the screen is open: the card and the bar follow.
        h.run->session.disconnect();
        QCOMPARE(textOf(root, u"notConnected"_s), u"Not connected."_s);
        QVERIFY(!visibleItem(root, u"deleteBar"_s));
    }

    void deletionAsksFirstThenClosesTheScreen()
    {
        AccountHarness h;
        h.seedConnectedAccount();
        auto view = load(h, u"AccountSettingsStack"_s);
        QVERIFY(view);
        auto *root = view->rootObject();
        click(*view, visibleItem(root, u"accountRow"_s));
        QTRY_VERIFY(visibleItem(root, u"deleteAccountButton"_s));
        QTRY_VERIFY(!root->property("busy").toBool());
        saveScreenshot(*view, u"account-connected.png"_s);

        // The bar's button only opens the overlay; "Cancel" closes it and changes nothing.
        click(*view, visibleItem(root, u"deleteAccountButton"_s));
        QVERIFY(visibleItem(root, u"deleteConfirmation"_s));
        QCOMPARE(textOf(root, u"confirmationTitle"_s), u"Delete account?"_s);
        QCOMPARE(textOf(root, u"confirmationText"_s),
                 u"This deletes your LinkedIn connection, drafts, local authorization token, "
                 "and AI API key. Support, legal, and security records may be retained where "
                 "required."_s);
        saveScreenshot(*view, u"account-confirmation.png"_s);
        // A press on the dimming layer does nothing.
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(visibleItem(root, u"deleteConfirmation"_s));
        click(*view, visibleItem(root, u"cancelDeleteButton"_s));
        QVERIFY(!visibleItem(root, u"deleteConfirmation"_s));
        QVERIFY(h.auth.calls().isEmpty());
        QVERIFY(h.viewModel().isConnected());

        // Confirmed: the overlay closes at once and the bar reads "Deleting..." until the
        // server answers.
        click(*view, visibleItem(root, u"deleteAccountButton"_s));
        click(*view, visibleItem(root, u"confirmDeleteButton"_s));
        QVERIFY(!visibleItem(root, u"deleteConfirmation"_s));
        QCOMPARE(h.auth.calls().size(), 1);
        QCOMPARE(textOf(root, u"deleteAccountButton"_s), u"Deleting..."_s);
        QVERIFY(!visibleItem(root, u"deleteAccountButton"_s)->isEnabled());
        QCOMPARE(h.run->draftStore.drafts().size(), 1);
        saveScreenshot(*view, u"account-deleting.png"_s);

        h.auth.succeed();
        QTRY_COMPARE(root->property("depth").toInt(), 1);
        QTRY_VERIFY(!root->property("busy").toBool());
        QCOMPARE(textOf(root, u"connectButton"_s), u"Connect LinkedIn"_s);
        QCOMPARE(textOf(root, u"statusLine"_s), u"Account deleted."_s);
        QCOMPARE(h.keychain.itemCount(), 0);
        saveScreenshot(*view, u"settings-after-deletion.png"_s);
    }

    void failedDeletionStaysOnTheAccountScreen()
    {
        AccountHarness h;
        h.seedConnectedAccount();
        auto view = load(h, u"AccountDetailView"_s);
        QVERIFY(view);
        auto *root = view->rootObject();
        QSignalSpy dismissed(root, SIGNAL(dismissRequested()));

        click(*view, visibleItem(root, u"deleteAccountButton"_s));
        click(*view, visibleItem(root, u"confirmDeleteButton"_s));
        h.auth.fail(linkedInAuthError(LinkedInAuthError::server, u"Try again later"_s));

        QCOMPARE(dismissed.size(), 0);
        QCOMPARE(textOf(root, u"deleteAccountButton"_s), u"Delete account"_s);
        QVERIFY(visibleItem(root, u"deleteAccountButton"_s)->isEnabled());
        QCOMPARE(textOf(root, u"statusLine"_s), u"Try again later"_s);
        QCOMPARE(h.run->draftStore.drafts().size(), 1);
        saveScreenshot(*view, u"account-deletion-failed.png"_s);
    }

private:
    static std::unique_ptr<QQuickView> load(AccountHarness &h, const QString &screen)
    {
        auto view = std::make_unique<QQuickView>();
        loadScreen(*view, u"qrc:/Quillet/Account/UI/"_s + screen + u".qml"_s, &h.viewModel(),
                   {520, 640});
        if (view->status() != QQuickView::Ready) {
            qWarning() << view->errors();
            return nullptr;
        }
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return nullptr;
        return view;
    }

    static void click(QQuickView &view, QQuickItem *item)
    {
        QVERIFY(item);
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
    }

    static void saveScreenshot(QQuickView &view, const QString &name)
    {
        const QImage image = view.grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QCoreApplication::applicationDirPath() + u'/' + name));
    }
};

QTEST_MAIN(TestAccountScreens)
#include "tst_accountscreens.moc"
