// The real application (its container and window, built as the program builds them) against
// the real development server, driven through the window as a user would: clicks and key
// presses on the window, the sign-in page filled in the real web sheet. Each step checks what
// the user sees and what the server holds. The steps run in order and build on each other.

#include "AppContainer.h"
#include "AuthTokenStore.h"
#include "DevServerProcess.h"
#include "KeychainAIAPIKeyStore.h"
#include "NotificationWatcher.h"
#include "QuilletDesktopApp.h"
#include "SecretTool.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>
#include <QTimeZone>
#include <QUrlQuery>
#include <QUuid>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_AppPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_InsightsPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_DraftsPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_EditorPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_FeedbackPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_LinkedInAuthPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_AccountPlugin)

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Section = MainWindowViewModel::Section;

namespace {

constexpr auto callbackScheme = "quillet-e2e"_L1;
constexpr auto tokenKey = "e2e-linkedin-token"_L1;
constexpr int serverTimeout = 15000;
constexpr int sheetTimeout = 40000;

// The member the stand-in sign-in page connects.
const QString memberName = u"Ada Quill"_s;
const QString memberHeadline = u"Writes small tools"_s;
const QString memberEmail = u"ada.quill@example.com"_s;

// Whether Qt WebEngine's main library is mapped into this process.
bool webEngineMapped()
{
    QFile maps(u"/proc/self/maps"_s);
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

QString homeDirectory()
{
    return qEnvironmentVariable("QUILLET_TEST_HOME", QDir::tempPath() + u"/quillet-e2e"_s);
}

QString bundleDirectory()
{
    return homeDirectory() + u"/bundle"_s;
}

// The application bundle of the test: the shipped Info.plist and a configuration that names
// the test's server and callback scheme and keychain item of its own.
bool writeBundle(const QUrl &baseURL)
{
    QDir().mkpath(bundleDirectory());
    const QString info = bundleDirectory() + u"/Info.plist"_s;
    QFile::remove(info);
    QFile::copy(QStringLiteral(QUILLET_BUNDLE_DIR) + u"/Info.plist"_s, info);
    QFile file(bundleDirectory() + u"/AppConfiguration.plist"_s);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString plist = uR"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
  <key>api</key><dict><key>baseURL</key><string>%1</string></dict>
  <key>linkedIn</key><dict><key>callbackURLScheme</key><string>%2</string></dict>
  <key>storage</key><dict>
    <key>draftsKey</key><string>e2e.drafts</string>
    <key>linkedInTokenKey</key><string>%3</string>
  </dict>
  <key>observability</key><dict>
    <key>sentryDSN</key><string></string>
    <key>sentryEnvironment</key><string>test</string>
    <key>sentryTracesSampleRate</key><real>0</real>
    <key>telemetryDeckAppID</key><string></string>
    <key>telemetryDeckNamespace</key><string></string>
  </dict>
</dict>
</plist>
)"_s.arg(baseURL.toString(), callbackScheme, tokenKey);
    return file.write(plist.toUtf8()) > 0;
}

// What an item says to assistive technology, or a button's text.
QString labelOf(QQuickItem *item)
{
    if (auto *accessible = QAccessible::queryAccessibleInterface(item)) {
        const QString name = accessible->text(QAccessible::Name);
        if (!name.isEmpty())
            return name;
    }
    if (item->inherits("QQuickAbstractButton"))
        return item->property("text").toString();
    return {};
}

bool isShown(QQuickItem *item)
{
    return item->isVisible() && item->opacity() > 0;
}

// Searches the visual tree (items in views and layouts are not QObject children).
QQuickItem *findItem(QQuickItem *parent, const std::function<bool(QQuickItem *)> &matches)
{
    for (auto *child : parent->childItems()) {
        if (!isShown(child))
            continue;
        if (matches(child))
            return child;
        if (auto *found = findItem(child, matches))
            return found;
    }
    return nullptr;
}

// Records what the application opens in the browser instead of opening it.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void openUrl(const QUrl &url) { opened.append(url); }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

    DevServerProcess m_server;
    NotificationWatcher m_notifications;
    BrowserRecorder m_browser;
    std::unique_ptr<QuilletDesktopApp> m_app;
    QPointer<QQuickWindow> m_window;
    QString m_screenshots;
    QString m_memberId;
    QString m_savedDraft;

    // --- the application

    void launch()
    {
        m_app = std::make_unique<QuilletDesktopApp>(Bundle(bundleDirectory()));
        QVERIFY(m_app->showWindow());
        m_window = m_app->window();
        QVERIFY(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void quit()
    {
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m_window);
    }

    AppContainer &container() { return m_app->container(); }

    // --- finding and using what the window shows

    QQuickItem *named(const QString &objectName, QQuickItem *in = nullptr)
    {
        if (!m_window)
            return nullptr;
        return findItem(in ? in : m_window->contentItem(),
                        [&](QQuickItem *item) { return item->objectName() == objectName; });
    }
    QQuickItem *labelled(const QString &label, QQuickItem *in = nullptr)
    {
        if (!m_window)
            return nullptr;
        return findItem(in ? in : m_window->contentItem(),
                        [&](QQuickItem *item) { return labelOf(item) == label; });
    }
    QQuickItem *section(Section section)
    {
        // The detail's screens, by the section's place in the sidebar; insights has no loader.
        const QString names[] = {QString(), u"draftsScreen"_s, u"editorScreen"_s,
                                 u"settingsScreen"_s};
        auto *detail = named(u"detail"_s);
        return detail && !names[int(section)].isEmpty() ? named(names[int(section)], detail)
                                                        : nullptr;
    }
    bool shows(const QString &label, QQuickItem *in = nullptr) { return labelled(label, in); }
    // The settings section's navigation stack (the settings screen, then the account screen).
    QObject *settingsStack()
    {
        auto *settings = section(Section::Settings);
        return settings ? settings->property("item").value<QObject *>() : nullptr;
    }

    void click(QQuickItem *item)
    {
        QVERIFY(item);
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, centre.toPoint());
    }
    void clickLabelled(const QString &label)
    {
        auto *item = labelled(label);
        QVERIFY2(item, qPrintable(u"nothing labelled \"%1\" is shown"_s.arg(label)));
        click(item);
    }
    void selectSection(const QString &label, Section expected)
    {
        clickLabelled(label);
        QTRY_COMPARE(container().mainWindowViewModel.selection(), expected);
    }

    // Types ASCII text into the focused item, one key at a time.
    void type(const QString &text)
    {
        for (const QChar c : text)
            QTest::keyClick(m_window, c.toLatin1());
    }

    QQuickItem *editorTextArea()
    {
        auto *editor = named(u"editor"_s);
        return editor ? editor->property("textArea").value<QQuickItem *>() : nullptr;
    }
    QString editorText()
    {
        auto *area = editorTextArea();
        return area ? area->property("text").toString() : QString();
    }

    // Saves the window as the user sees it now, under screenshots/ in the test's folder.
    void screenshot(const QString &name)
    {
        QVERIFY(m_window);
        const QImage image = m_window->grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QDir(m_screenshots).filePath(name + u".png"_s)));
    }

    // --- the connected account

    // The token the application keeps in the keychain, read as another program would.
    std::optional<LinkedInToken> keychainToken()
    {
        const auto secret = SecretTool::lookup(AuthTokenStore::service, tokenKey);
        if (!secret)
            return std::nullopt;
        auto token = LinkedInToken::decode(*secret);
        return token ? std::optional(*token) : std::nullopt;
    }

    // Signs in on the stand-in page in the open sheet: fills the form and presses Allow.
    void signInOnTheSheet(const QString &screenshotName)
    {
        QTRY_VERIFY_WITH_TIMEOUT(container().signInSheet.window(), serverTimeout);
        QQuickWindow *sheet = container().signInSheet.window();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QVERIFY(webEngineMapped());
        QCOMPARE(sheet->transientParent(), m_window.data());
        QQuickItem *view = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((view = findItem(sheet->contentItem(),
                                                  [](QQuickItem *item) {
                                                      return item->inherits("QQuickWebEngineView");
                                                  })),
                                 serverTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!view->property("loading").toBool() &&
                                     view->property("title").toString() == u"Sign in to LinkedIn"_s,
                                 sheetTimeout);
        QCOMPARE(view->property("url").toUrl().path(), u"/dev/linkedin/authorize"_s);
        // The page is drawn by the web engine's own compositor, outside the scene graph:
        // taken from the display once it has had a moment to draw.
        QTest::qWait(500);
        QVERIFY(sheet->screen()
                    ->grabWindow(sheet->winId())
                    .save(QDir(m_screenshots).filePath(screenshotName + u".png"_s)));

        // The form is filled by script; Allow is pressed with the mouse, as a person would:
        // the page then leaves for the callback address on a user's gesture. The script
        // reports where the button is through the page's title.
        const QString script = uR"((function() {
            document.getElementById('name').value = %1;
            document.getElementById('headline').value = %2;
            document.getElementById('email').value = %3;
            const box = document.getElementById('allow').getBoundingClientRect();
            document.title = 'allow:' + Math.round(box.left + box.width / 2) + ',' +
                             Math.round(box.top + box.height / 2);
        })();)"_s.arg(jsString(memberName), jsString(memberHeadline), jsString(memberEmail));
        QVERIFY(QMetaObject::invokeMethod(view, "runJavaScript", Q_ARG(QString, script)));
        QTRY_VERIFY(view->property("title").toString().startsWith(u"allow:"_s));
        const QStringList at = view->property("title").toString().mid(6).split(u',');
        const QPointF allow =
            view->mapToScene(QPointF(at.value(0).toDouble(), at.value(1).toDouble()));
        QTest::mouseClick(sheet, Qt::LeftButton, {}, allow.toPoint());
        QTRY_VERIFY_WITH_TIMEOUT(!container().signInSheet.window(), sheetTimeout);
    }
    static QString jsString(const QString &text) { return u"'"_s + text + u"'"_s; }

    // After a connection: the account is the one the server issued, in the keychain and on
    // screen.
    void checkConnected()
    {
        QTRY_VERIFY_WITH_TIMEOUT(container().linkedInSessionStore.isConnected(), sheetTimeout);
        const auto &token = container().linkedInSessionStore.token();
        QCOMPARE(token->profile.name, memberName);
        const auto stored = keychainToken();
        QVERIFY2(stored, "the token is not in the keychain");
        QVERIFY(stored->accessToken == token->accessToken);
        m_memberId = m_server.memberForToken(stored->accessToken);
        QVERIFY2(!m_memberId.isEmpty(), "the server does not know the stored token");
        QCOMPARE(token->profile.memberID, m_memberId);
        QCOMPARE(m_server.member(m_memberId).value(u"email"_s).toString(), memberEmail);
    }

    QString accessToken() { return container().linkedInSessionStore.token()->accessToken; }

private Q_SLOTS:
    void initTestCase()
    {
        m_screenshots = QDir::current().filePath(u"screenshots"_s);
        QDir(m_screenshots).removeRecursively();
        QVERIFY(QDir().mkpath(m_screenshots));
        QDesktopServices::setUrlHandler(u"https"_s, &m_browser, "openUrl");

        const QString data = homeDirectory() + u"/server/data.json"_s;
        QDir(homeDirectory() + u"/server"_s).removeRecursively();
        QVERIFY(QDir().mkpath(homeDirectory() + u"/server"_s));
        QVERIFY(m_server.start(QStringLiteral(QUILLET_DEVSERVER_PATH), data, callbackScheme,
                               homeDirectory() + u"/server/log.txt"_s));
        QVERIFY(writeBundle(m_server.origin()));
        QVERIFY2(m_notifications.start(), "cannot watch the session bus");

        // A fresh user: no settings and no stored token from an earlier run.
        QFile::remove(UserDefaults::standardFilePath());
        SecretTool::run(
            {u"clear"_s, u"service"_s, AuthTokenStore::service, u"account"_s, tokenKey});
        SecretTool::run({u"clear"_s, u"service"_s, KeychainAIAPIKeyStore::service, u"account"_s,
                         KeychainAIAPIKeyStore::key});
        launch();
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_server.stop();
    }

    void startsSignedOutInTheEditor()
    {
        QCOMPARE(m_window->size(), QSize(900, 650));
        QCOMPARE(container().mainWindowViewModel.selection(), Section::Editor);
        QVERIFY(section(Section::Editor));
        QVERIFY(shows(u"Write your post"_s));
        QVERIFY(shows(u"Connect LinkedIn to preview your profile."_s));
        QVERIFY(!container().linkedInSessionStore.isConnected());
        // The web engine is loaded by the first sign-in, not by the start.
        QVERIFY(!webEngineMapped());
        screenshot(u"01-launch"_s);
    }

    // The first connection comes the way the editor offers it: "Post to LinkedIn" while
    // signed out connects first, then publishes. (The settings screen's "Connect LinkedIn"
    // is used by the later steps.)
    void connectLinkedIn()
    {
        const QString firstPost = u"Hello from Quillet"_s;
        selectSection(u"Editor"_s, Section::Editor);
        QCOMPARE(editorText(), DraftStore::newPostText);
        click(editorTextArea());
        QTest::keySequence(m_window, QKeySequence::SelectAll);
        type(firstPost);
        QCOMPARE(editorText(), firstPost);
        QVERIFY(shows(firstPost, named(u"preview"_s)));
        clickLabelled(u"Post to LinkedIn"_s);
        signInOnTheSheet(u"02-sign-in-sheet"_s);
        checkConnected();

        QTRY_VERIFY_WITH_TIMEOUT(container().mainWindowViewModel.showsPostToast(), serverTimeout);
        QCOMPARE(container().mainWindowViewModel.selection(), Section::Insights);
        QTRY_VERIFY(shows(u"Posted to LinkedIn"_s, named(u"overlay"_s)));
        QCOMPARE(m_server.posts(m_memberId), QStringList{firstPost});
        QCOMPARE(m_browser.opened.size(), 1);
        screenshot(u"03-first-post"_s);

        selectSection(u"Editor"_s, Section::Editor);
        QTRY_VERIFY(shows(memberName, named(u"preview"_s)));
        QVERIFY(shows(memberHeadline, named(u"preview"_s)));
        screenshot(u"04-connected-editor"_s);
    }

    // Connecting refreshed today's reminder: one notification, with the server's words.
    void todaysReminderIsShown()
    {
        const auto answer = m_server.send(
            "GET", u"/api/consistency/today?timezone="_s + QTimeZone::systemTimeZoneId(),
            accessToken());
        QCOMPARE(answer.status, 200);
        const QJsonObject reminder =
            QJsonDocument::fromJson(answer.body).object().value(u"reminder"_s).toObject();
        const auto ours = [this] {
            QList<NotificationWatcher::Notify> found;
            for (const auto &call : m_notifications.calls()) {
                if (call.hint(u"x-quillet-deeplink"_s).startsWith(callbackScheme))
                    found.append(call);
            }
            return found;
        };
        QTRY_COMPARE_WITH_TIMEOUT(ours().size(), 1, serverTimeout);
        const auto shown = ours().constFirst();
        QCOMPARE(shown.appName(), u"Quillet"_s);
        QCOMPARE(shown.summary(), reminder.value(u"title"_s).toString());
        QCOMPARE(shown.body(), reminder.value(u"body"_s).toString());
        QCOMPARE(shown.hint(u"x-quillet-deeplink"_s), reminder.value(u"deeplink"_s).toString());
        // The notification is drawn by the desktop's daemon, outside the window: the whole
        // display, once the daemon has had a moment to draw it.
        QTest::qWait(500);
        QVERIFY(m_window->screen()->grabWindow(0).save(
            QDir(m_screenshots).filePath(u"05-reminder.png"_s)));
    }

    void writeFormatAndSaveADraft()
    {
        selectSection(u"Editor"_s, Section::Editor);
        QCOMPARE(editorText(), DraftStore::newPostText);
        click(editorTextArea());
        QTest::keySequence(m_window, QKeySequence::SelectAll);
        type(u"Launch day"_s);
        QTest::keySequence(m_window, QKeySequence::SelectAll);
        clickLabelled(u"Bold"_s);
        const QString bold = u"𝗟𝗮𝘂𝗻𝗰𝗵 𝗱𝗮𝘆"_s;
        QTRY_COMPARE(editorText(), bold);
        // Back into the text, after the bold words.
        click(editorTextArea());
        QTest::keySequence(m_window, QKeySequence::MoveToEndOfDocument);
        type(u" is here."_s);
        m_savedDraft = bold + u" is here."_s;
        QCOMPARE(editorText(), m_savedDraft);
        QVERIFY(shows(m_savedDraft, named(u"preview"_s)));

        clickLabelled(u"Save draft"_s);
        QTRY_VERIFY(shows(u"Draft saved"_s));
        QTRY_VERIFY_WITH_TIMEOUT(shows(u"Synced"_s), serverTimeout);
        QCOMPARE(m_server.draftBodies(m_memberId), QStringList{m_savedDraft});
        screenshot(u"06-draft-saved"_s);
    }

    // The application stops; meanwhile another machine adds an older draft to the account.
    // Started again over the same settings and keychain it is still connected, and shows both
    // drafts, newest first, synced.
    void restartRestoresAndSyncs()
    {
        const QString token = accessToken();
        quit();

        const QString elsewhere = u"Written on the laptop"_s;
        const QString yesterday = QDateTime::currentDateTimeUtc().addDays(-1).toString(Qt::ISODate);
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const QJsonObject draft{{u"id"_s, id},
                                {u"body"_s, elsewhere},
                                {u"createdAt"_s, yesterday},
                                {u"updatedAt"_s, yesterday}};
        const int stored = m_server
                               .send("PUT", u"/api/drafts/"_s + id, token,
                                     QJsonDocument(draft).toJson(QJsonDocument::Compact))
                               .status;
        launch();
        QCOMPARE(stored, 200);
        QVERIFY(container().linkedInSessionStore.isConnected());
        QCOMPARE(container().mainWindowViewModel.selection(), Section::Editor);
        QTRY_VERIFY(shows(memberName, named(u"preview"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(shows(u"Synced"_s), serverTimeout);

        selectSection(u"Drafts"_s, Section::Drafts);
        auto *drafts = section(Section::Drafts);
        QTRY_COMPARE_WITH_TIMEOUT(container().draftStore.draftCount(), 2, serverTimeout);
        QCOMPARE(container().draftStore.drafts().at(0).body, m_savedDraft);
        QCOMPARE(container().draftStore.drafts().at(1).body, elsewhere);
        QTRY_VERIFY(shows(m_savedDraft, drafts));
        QVERIFY(shows(elsewhere, drafts));
        // The fetch queues every merged draft for upload once more; the run settles synced.
        QTRY_VERIFY_WITH_TIMEOUT(shows(u"Synced"_s, drafts), serverTimeout);
        screenshot(u"07-restarted-drafts"_s);
    }

    void openADraftAndPublishIt()
    {
        const int before = int(m_server.posts(m_memberId).size());
        const int opened = int(m_browser.opened.size());
        auto *drafts = section(Section::Drafts);
        QVERIFY(drafts);
        auto *row = findItem(drafts, [this](QQuickItem *item) {
            return item->objectName() == u"openDraftButton"_s &&
                   labelOf(item) == container().draftStore.drafts().at(0).title();
        });
        QVERIFY(row);
        click(row);
        QTRY_COMPARE(container().mainWindowViewModel.selection(), Section::Editor);
        QTRY_COMPARE(editorText(), m_savedDraft);
        screenshot(u"08-draft-opened"_s);

        clickLabelled(u"Post to LinkedIn"_s);
        QTRY_VERIFY_WITH_TIMEOUT(container().mainWindowViewModel.showsPostToast(), serverTimeout);
        QCOMPARE(container().mainWindowViewModel.selection(), Section::Insights);
        QTRY_VERIFY(shows(u"Posted to LinkedIn"_s, named(u"overlay"_s)));
        QTRY_COMPARE(named(u"postedNotice"_s)->opacity(), 1.0);
        screenshot(u"09-posted"_s);
        QCOMPARE(m_browser.opened.size(), opened + 1);
        QCOMPARE(m_browser.opened.constLast().path(), u"/in/me/recent-activity/all/"_s);

        const QStringList posts = m_server.posts(m_memberId);
        QCOMPARE(posts.size(), before + 1);
        QCOMPARE(posts.constLast(), m_savedDraft);
        QCOMPARE(container().draftStore.draftCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.draftBodies(m_memberId),
                                  QStringList{u"Written on the laptop"_s}, serverTimeout);
        // The notice leaves by itself.
        QTRY_VERIFY_WITH_TIMEOUT(!shows(u"Posted to LinkedIn"_s, named(u"overlay"_s)), 5000);
    }

    // The floating button opens the feedback sheet; the form goes out with one image and the
    // connected account as its sender.
    void sendFeedbackWithAnImage()
    {
        click(named(u"feedbackButton"_s));
        QTRY_VERIFY(container().mainWindowViewModel.showsFeedback());
        auto *sheet = m_window->findChild<QObject *>(u"feedbackSheet"_s);
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->property("opened").toBool());
        auto *form = sheet->property("contentItem").value<QQuickItem *>();
        QVERIFY(form);
        QTRY_VERIFY(named(u"sendButton"_s, form));
        screenshot(u"10-feedback-sheet"_s);

        click(named(u"titleField"_s, form));
        type(u"  Lovely preview "_s);
        click(named(u"messageEditor"_s, form));
        type(u"The bold letters look right. "_s);
        QCOMPARE(container().feedbackViewModel.title(), u"  Lovely preview "_s);
        QCOMPARE(container().feedbackViewModel.message(), u"The bold letters look right. "_s);

        // A small PNG the user picked. The native file chooser cannot be driven from here: the
        // chosen file goes to the view model's attachImages(), exactly the call the dialog's
        // accepted handler makes with its selected files.
        QImage picture(6, 4, QImage::Format_RGB32);
        picture.fill(QColor(0x2f, 0x80, 0x60));
        const QString pictureFile = homeDirectory() + u"/picked.png"_s;
        QVERIFY(picture.save(pictureFile, "PNG"));
        QFile pictureData(pictureFile);
        QVERIFY(pictureData.open(QIODevice::ReadOnly));
        const QByteArray pictureBytes = pictureData.readAll();
        container().feedbackViewModel.attachImages({QUrl::fromLocalFile(pictureFile)});
        QTRY_VERIFY_WITH_TIMEOUT(shows(u"1 image attached"_s, form), serverTimeout);
        screenshot(u"11-feedback-filled"_s);

        click(named(u"sendButton"_s, form));
        QTRY_VERIFY_WITH_TIMEOUT(shows(u"Sent. Confirmation was emailed to you."_s, form),
                                 serverTimeout);
        // The sheet stays open with the form emptied.
        QVERIFY(sheet->property("opened").toBool());
        QCOMPARE(named(u"titleField"_s, form)->property("text").toString(), QString());
        QCOMPARE(named(u"messageEditor"_s, form)->property("text").toString(), QString());
        QVERIFY(!shows(u"1 image attached"_s, form));
        screenshot(u"12-feedback-sent"_s);

        const QJsonArray received = m_server.data().value(u"feedback"_s).toArray();
        QCOMPARE(received.size(), 1);
        const QJsonObject feedback = received.first().toObject();
        QCOMPARE(feedback.value(u"name"_s).toString(), memberName);
        QCOMPARE(feedback.value(u"linkedInId"_s).toString(), m_memberId);
        QCOMPARE(feedback.value(u"email"_s).toString(), memberEmail);
        QCOMPARE(feedback.value(u"title"_s).toString(), u"Lovely preview"_s);
        QCOMPARE(feedback.value(u"message"_s).toString(), u"The bold letters look right."_s);
        const QJsonArray attachments = feedback.value(u"attachments"_s).toArray();
        QCOMPARE(attachments.size(), 1);
        const QJsonObject image = attachments.first().toObject();
        QCOMPARE(image.value(u"filename"_s).toString(), u"feedback-1.jpg"_s);
        const auto decoded =
            QByteArray::fromBase64Encoding(image.value(u"content"_s).toString().toLatin1(),
                                           QByteArray::AbortOnBase64DecodingErrors);
        QVERIFY(decoded);
        QCOMPARE(*decoded, pictureBytes);

        click(named(u"closeButton"_s, form));
        QTRY_VERIFY(!sheet->property("visible").toBool());
        QVERIFY(!container().mainWindowViewModel.showsFeedback());
    }

    // "Log out" on the settings screen: the server forgets the token, the keychain item goes,
    // the drafts stay on the server, and the editor's preview asks for a connection again.
    void logOut()
    {
        const QString oldToken = accessToken();
        selectSection(u"Settings"_s, Section::Settings);
        auto *settings = section(Section::Settings);
        QVERIFY(settings);
        QVERIFY(!shows(u"Connect LinkedIn"_s, settings));
        screenshot(u"13-settings-connected"_s);

        click(labelled(u"Log out"_s, settings));
        QTRY_VERIFY_WITH_TIMEOUT(!container().linkedInSessionStore.isConnected(), serverTimeout);
        QTRY_VERIFY(shows(u"Logged out."_s, settings));
        QVERIFY(shows(u"Connect LinkedIn"_s, settings));
        for (const auto &gone : {u"Log out"_s, u"Account"_s, u"Community"_s, u"Send feedback"_s})
            QVERIFY2(!shows(gone, settings), qPrintable(gone));
        QVERIFY(!keychainToken());
        QCOMPARE(SecretTool::itemCount(AuthTokenStore::service, tokenKey), 0);
        // The server took the disconnect: the old token no longer opens the account, whose
        // profile and drafts stay.
        QVERIFY(m_server.memberForToken(oldToken).isEmpty());
        QCOMPARE(m_server.send("GET", u"/api/drafts"_s, oldToken).status, 401);
        QCOMPARE(m_server.member(m_memberId).value(u"name"_s).toString(), memberName);
        QCOMPARE(m_server.draftBodies(m_memberId), QStringList{u"Written on the laptop"_s});
        screenshot(u"14-logged-out"_s);

        selectSection(u"Editor"_s, Section::Editor);
        QTRY_VERIFY(shows(u"Connect LinkedIn to preview your profile."_s, named(u"preview"_s)));
        QVERIFY(!shows(memberName, named(u"preview"_s)));
        screenshot(u"15-logged-out-editor"_s);
    }

    // "Connect LinkedIn" on the settings screen, through the sign-in sheet: the same member,
    // a new token, the drafts back from the server.
    void connectAgain()
    {
        const QString before = m_memberId;
        selectSection(u"Settings"_s, Section::Settings);
        auto *settings = section(Section::Settings);
        QVERIFY(settings);
        click(labelled(u"Connect LinkedIn"_s, settings));
        QTRY_VERIFY(shows(u"Connecting..."_s, settings));
        QVERIFY(!labelled(u"Connecting..."_s, settings)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(container().signInSheet.window(), serverTimeout);
        QCOMPARE(container().signInSheet.window()->property("ephemeral").toBool(), false);
        signInOnTheSheet(u"16-sign-in-again"_s);
        checkConnected();
        QCOMPARE(m_memberId, before);
        QTRY_COMPARE_WITH_TIMEOUT(container().draftStore.draftCount(), 1, serverTimeout);
        QCOMPARE(container().draftStore.drafts().at(0).body, u"Written on the laptop"_s);
        // The connection cleared "Logged out.".
        QTRY_VERIFY(shows(u"Log out"_s, settings));
        QVERIFY(!shows(u"Logged out."_s, settings));
        QVERIFY(!shows(u"Connect LinkedIn"_s, settings));
        screenshot(u"17-connected-again"_s);
    }

    // "Account" → "Delete account" → the overlay's "Delete account": the member goes from the
    // server with its drafts and tokens; this machine drops the drafts, the token and the AI
    // key, and the next sign-in starts from a clean browser session.
    void deleteTheAccount()
    {
        const QString token = accessToken();
        auto *settings = section(Section::Settings);
        QVERIFY(settings);
        // An AI key to be deleted with the account.
        const QString aiKey = u"e2e-ai-key-7"_s;
        click(named(u"apiKeyField"_s, settings));
        type(aiKey);
        click(labelled(u"Save AI settings"_s, settings));
        QTRY_VERIFY(shows(u"AI settings saved."_s, settings));
        QVERIFY(SecretTool::lookup(KeychainAIAPIKeyStore::service, KeychainAIAPIKeyStore::key) ==
                aiKey.toUtf8());

        click(labelled(u"Account"_s, settings));
        QTRY_VERIFY(shows(u"Delete account"_s, settings));
        // The account screen slides in; its buttons are where they look only once it is still.
        QTRY_COMPARE(settingsStack()->property("depth").toInt(), 2);
        QTRY_VERIFY(!settingsStack()->property("busy").toBool());
        QVERIFY(shows(memberName, settings));
        QVERIFY(shows(memberHeadline, settings));
        screenshot(u"18-account"_s);

        // The bar's button only asks; "Cancel" leaves everything as it was.
        click(labelled(u"Delete account"_s, settings));
        QTRY_VERIFY(shows(u"Delete account?"_s, settings));
        click(named(u"cancelDeleteButton"_s, settings));
        QTRY_VERIFY(!shows(u"Delete account?"_s, settings));
        QVERIFY(container().linkedInSessionStore.isConnected());

        click(labelled(u"Delete account"_s, settings));
        QTRY_VERIFY(shows(u"Delete account?"_s, settings));
        screenshot(u"19-delete-confirmation"_s);
        click(named(u"confirmDeleteButton"_s, settings));
        QTRY_VERIFY_WITH_TIMEOUT(!container().linkedInSessionStore.isConnected(), serverTimeout);
        // The account screen closed itself; the settings screen reports the deletion.
        QTRY_VERIFY(shows(u"Account deleted."_s, settings));
        QTRY_COMPARE(settingsStack()->property("depth").toInt(), 1);
        QTRY_VERIFY(!settingsStack()->property("busy").toBool());
        QVERIFY(shows(u"Connect LinkedIn"_s, settings));
        QVERIFY(!named(u"deleteAccountButton"_s, settings));

        // On the server: no member, drafts or tokens.
        QVERIFY(m_server.member(m_memberId).isEmpty());
        QVERIFY(m_server.draftBodies(m_memberId).isEmpty());
        QVERIFY(m_server.memberForToken(token).isEmpty());
        QCOMPARE(m_server.send("GET", u"/api/drafts"_s, token).status, 401);
        // On this machine: no drafts or queued changes, no token, no AI key.
        QCOMPARE(container().draftStore.draftCount(), 0);
        QVERIFY(container().draftRepository.loadSnapshot(m_memberId).drafts.isEmpty());
        QVERIFY(container().draftRepository.loadSyncMutations(m_memberId).isEmpty());
        QVERIFY(!keychainToken());
        QCOMPARE(SecretTool::itemCount(AuthTokenStore::service, tokenKey), 0);
        QCOMPARE(SecretTool::itemCount(KeychainAIAPIKeyStore::service, KeychainAIAPIKeyStore::key),
                 0);
        QVERIFY(container().aiSettingsStore.apiKey().isEmpty());
        QVERIFY(named(u"apiKeyField"_s, settings)->property("text").toString().isEmpty());
        QVERIFY(container().authService.requiresEphemeralSignIn());
        screenshot(u"20-account-deleted"_s);
    }

    // The first sign-in after a deletion runs in a browser session without stored cookies,
    // and makes a new account on the server; the one after it does not need to.
    void signInAfterDeletionIsEphemeral()
    {
        auto *settings = section(Section::Settings);
        QVERIFY(settings);
        click(labelled(u"Connect LinkedIn"_s, settings));
        QTRY_VERIFY_WITH_TIMEOUT(container().signInSheet.window(), serverTimeout);
        QCOMPARE(container().signInSheet.window()->property("ephemeral").toBool(), true);
        signInOnTheSheet(u"21-sign-in-ephemeral"_s);
        checkConnected();
        QVERIFY(!container().authService.requiresEphemeralSignIn());
        QCOMPARE(container().draftStore.draftCount(), 0);
        QVERIFY(m_server.draftBodies(m_memberId).isEmpty());
        QTRY_VERIFY(shows(u"Log out"_s, settings));
        screenshot(u"22-connected-after-deletion"_s);
    }
};

int main(int argc, char *argv[])
{
    // The server's address is filled in once the server runs.
    if (!writeBundle(QUrl(u"http://127.0.0.1:9"_s)))
        return 1;
    QuilletDesktopApp::prepare();
    QGuiApplication app(argc, argv);
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
