// The editor screen rendered offscreen over the real editor view model: drafts in a draft store
// on a user-defaults file with a scripted drafts service, the account in a session store on an
// in-memory keychain, and the post and AI services talking to a loopback test server. The
// tests look at what the screen shows and press its keys the way a user would.

#include "AppStyle.h"
#include "DraftStore.h"
#include "EditorStores.h"
#include "EditorViewModel.h"
#include "LinkedInAuthError.h"
#include "LinkedInPostService.h"
#include "NaturalizeService.h"
#include "ScreenView.h"
#include "ScriptedDraftSyncing.h"
#include "ScriptedSignIn.h"
#include "TestServer.h"
#include "TextFormatting.h"

#include <QAccessible>
#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>
#include <string_view>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_EditorPlugin)

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;

namespace {

const QString chatPath = u"/chat"_s;
const QString photoPath = u"/ada.png"_s;
const QString postPath = QString(LinkedInPostService::postPath);
const QString recentActivity = u"https://www.linkedin.com/in/me/recent-activity/all/"_s;

QByteArray photo()
{
    QImage image(48, 48, QImage::Format_RGB32);
    image.fill(QColor(0xc0, 0x70, 0x40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Receives the addresses the screen opens in the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

// The screen in a window over a view model on real stores.
struct Harness : EditorStores {
    Harness()
    {
        server->setAnswer("GET", photoPath, TestServer::text(200, photo(), "image/png"));
        store = std::make_unique<DraftStore>(
            repository, &sync, AppTelemetry::Function{},
            [] { return QDateTime(QDate(2026, 1, 2), QTime(12, 0), Qt::UTC); }, [] { return 0.0; });
        viewModel = std::make_unique<EditorViewModel>(
            *store, session, signIn, postService, naturalizeService, aiSettings,
            [this](AppTelemetryEvent event, const QMap<QString, QString> &) { events << event; });
    }

    // Requests still waiting when a test ends fail as the server goes, so no task outlives
    // the services it runs in.
    ~Harness()
    {
        view.reset();
        server.reset();
        QTRY_VERIFY(!viewModel->isPosting() && !viewModel->isNaturalizing());
    }

    [[nodiscard]] LinkedInToken token(std::optional<QString> headline) const
    {
        LinkedInToken token;
        token.accessToken = u"access-1"_s;
        token.profile.memberID = u"member-1"_s;
        token.profile.name = u"Ada Example"_s;
        token.profile.pictureURL = server->url(photoPath).toString();
        token.profile.headline = std::move(headline);
        token.connectedAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
        return token;
    }

    // Connects an account the way the window does: the session store takes the token, the
    // draft store the session; its first fetch of the server's drafts finds none.
    void connect(std::optional<QString> headline = u"Writes about posts"_s)
    {
        const LinkedInToken connected = token(std::move(headline));
        session.setToken(connected);
        store->setSession(connected);
        while (sync.pendingCount() > 0)
            sync.succeedList({});
    }

    bool show(QSize size = {560, 980})
    {
        view = std::make_unique<QQuickView>();
        loadScreen(*view, u"qrc:/Quillet/Editor/UI/EditorView.qml"_s, viewModel.get(), size);
        if (view->status() != QQuickView::Ready) {
            qWarning() << view->errors();
            return false;
        }
        view->show();
        // Shortcuts reach only the active window.
        view->requestActivate();
        return QTest::qWaitForWindowActive(view.get());
    }

    [[nodiscard]] QQuickItem *root() const { return view->rootObject(); }
    [[nodiscard]] QQuickItem *item(const QString &name) const
    {
        return root()->findChild<QQuickItem *>(name);
    }
    [[nodiscard]] QQuickItem *textArea() const
    {
        return item(u"editor"_s)->property("textArea").value<QQuickItem *>();
    }
    [[nodiscard]] QString text(const QString &name) const
    {
        return item(name)->property("text").toString();
    }

    bool focusEditor() const
    {
        textArea()->forceActiveFocus();
        return QTest::qWaitFor([this] { return textArea()->hasActiveFocus(); });
    }
    void select(int start, int end) const
    {
        QMetaObject::invokeMethod(textArea(), "select", Q_ARG(int, start), Q_ARG(int, end));
    }

    void screenshot(const QString &name) const
    {
        const QString folder = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
        QDir().mkpath(folder);
        QVERIFY(view->grabWindow().save(folder + u"/editorview-"_s + name + u".png"_s));
    }

    ScriptedSignIn signIn;
    ScriptedDraftSyncing sync;
    std::unique_ptr<TestServer> server = std::make_unique<TestServer>();
    LinkedInPostService postService{server->url()};
    NaturalizeService naturalizeService{server->url(chatPath)};
    std::unique_ptr<DraftStore> store;
    QList<AppTelemetryEvent> events;
    std::unique_ptr<EditorViewModel> viewModel;
    std::unique_ptr<QQuickView> view;
};

// The states of the screen, each reached the way the user reaches it.
enum class State {
    blank,
    whiteSpace,
    newPost,
    text,
    longText,
    naturalizing,
    posting,
    connected,
    connectedWithoutHeadline,
    saved,
    syncPending,
    syncFailed,
    synced,
};

const QString longPost = u"Line of a long post that goes on.\n"_s.repeated(40) + u"The end."_s;

void reach(Harness &h, State state)
{
    switch (state) {
    case State::blank:
        h.viewModel->setEditorText({});
        break;
    case State::whiteSpace:
        h.viewModel->setEditorText(u"  \n\t \n "_s);
        break;
    case State::newPost:
        break;
    case State::text:
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        break;
    case State::longText:
        h.viewModel->setEditorText(longPost);
        break;
    case State::naturalizing:
        h.aiSettings.setApiKey(u"key-1"_s);
        h.server->setAnswer("POST", chatPath, TestServer::neverAnswer());
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        h.viewModel->naturalizeEnglish();
        QVERIFY(h.server->waitForRequests(1));
        break;
    case State::posting:
        h.connect();
        h.server->setAnswer("POST", postPath, TestServer::neverAnswer());
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        h.viewModel->publish();
        QVERIFY(h.server->waitForRequests(1));
        break;
    case State::connected:
        h.connect();
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        break;
    case State::connectedWithoutHeadline:
        h.connect(std::nullopt);
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        break;
    case State::saved:
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        h.viewModel->save();
        break;
    case State::syncPending:
    case State::syncFailed:
    case State::synced:
        h.connect();
        h.viewModel->setEditorText(u"Hello LinkedIn"_s);
        h.viewModel->save();
        QCOMPARE(h.sync.pendingCount(), 1);
        if (state == State::syncFailed)
            h.sync.fail(Error::transport(u"Connection refused"_s));
        else if (state == State::synced)
            h.sync.succeed();
        break;
    }
}

// Every visible text item under `item`, for finding a tool tip by its text.
bool showsText(QQuickItem *item, const QString &text)
{
    if (!item->isVisible())
        return false;
    if (item->property("text").toString() == text && item->inherits("QQuickText"))
        return true;
    const auto children = item->childItems();
    return std::any_of(children.cbegin(), children.cend(),
                       [&](QQuickItem *child) { return showsText(child, text); });
}

QString accessibleName(QQuickItem *item)
{
    const auto *accessible = QAccessible::queryAccessibleInterface(item);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

} // namespace

Q_DECLARE_METATYPE(State)

class TestEditorView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachStateShowsWhatItShould_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("syncState");
        QTest::addColumn<QString>("postLabel");
        QTest::addColumn<bool>("postEnabled");
        QTest::addColumn<QString>("wandName");
        QTest::addColumn<bool>("wandEnabled");
        QTest::addColumn<bool>("clearShown");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<QString>("headline"); // empty: not connected, the hint shows
        QTest::addColumn<QString>("status");   // empty: no status line

        const QString local = u"Saved locally"_s;
        const QString post = u"Post to LinkedIn"_s;
        const QString wand = u"Naturalize English"_s;
        const QString placeholder(EditorViewModel::previewPlaceholder);
        const QString hello = u"Hello LinkedIn"_s;
        const QString saved(DraftStore::draftSavedMessage);

        QTest::newRow("blank") << State::blank << local << post << true << wand << false << false
                               << placeholder << QString() << QString();
        QTest::newRow("white space only")
            << State::whiteSpace << local << post << true << wand << false << false << placeholder
            << QString() << QString();
        QTest::newRow("new post") << State::newPost << local << post << true << wand << true << true
                                  << QString(DraftStore::newPostText) << QString() << QString();
        QTest::newRow("text") << State::text << local << post << true << wand << true << true
                              << hello << QString() << QString();
        QTest::newRow("long text") << State::longText << local << post << true << wand << true
                                   << true << longPost << QString() << QString();
        QTest::newRow("naturalizing")
            << State::naturalizing << local << post << false << u"Naturalizing English"_s << false
            << true << hello << QString() << QString(EditorViewModel::naturalizingMessage);
        QTest::newRow("posting") << State::posting << u"Synced"_s << u"Posting..."_s << false
                                 << wand << false << true << hello << u"Writes about posts"_s
                                 << QString();
        QTest::newRow("connected") << State::connected << u"Synced"_s << post << true << wand
                                   << true << true << hello << u"Writes about posts"_s << QString();
        QTest::newRow("connected, no headline")
            << State::connectedWithoutHeadline << u"Synced"_s << post << true << wand << true
            << true << hello << u"Now"_s << QString();
        QTest::newRow("saved") << State::saved << local << post << true << wand << true << true
                               << hello << QString() << saved;
        QTest::newRow("sync pending")
            << State::syncPending << u"Sync pending"_s << post << true << wand << true << true
            << hello << u"Writes about posts"_s << saved;
        QTest::newRow("sync failed")
            << State::syncFailed << u"Sync failed, will retry"_s << post << true << wand << true
            << true << hello << u"Writes about posts"_s << saved;
        QTest::newRow("synced") << State::synced << u"Synced"_s << post << true << wand << true
                                << true << hello << u"Writes about posts"_s << saved;
    }
    void eachStateShowsWhatItShould()
    {
        QFETCH(State, state);
        QFETCH(QString, syncState);
        QFETCH(QString, postLabel);
        QFETCH(bool, postEnabled);
        QFETCH(QString, wandName);
        QFETCH(bool, wandEnabled);
        QFETCH(bool, clearShown);
        QFETCH(QString, preview);
        QFETCH(QString, headline);
        QFETCH(QString, status);

        Harness h;
        QVERIFY(h.show());
        reach(h, state);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(h.text(u"syncState"_s), syncState);
        QVERIFY(h.item(u"syncState"_s)->isVisible());

        auto *postButton = h.item(u"postButton"_s);
        QCOMPARE(postButton->property("text").toString(), postLabel);
        QCOMPARE(accessibleName(postButton), postLabel);
        QCOMPARE(postButton->isEnabled(), postEnabled);
        QCOMPARE(postButton->opacity(), postEnabled ? 1.0 : AppStyle::disabledOpacity());
        auto *saveButton = h.item(u"saveButton"_s);
        QCOMPARE(saveButton->property("text").toString(), u"Save draft"_s);
        QVERIFY(saveButton->isEnabled());

        auto *wand = h.item(u"naturalizeButton"_s);
        QCOMPARE(accessibleName(wand), wandName);
        QCOMPARE(wand->isEnabled(), wandEnabled);
        QCOMPARE(wand->opacity(), wandEnabled ? 1.0 : AppStyle::disabledOpacity());

        // Hidden and out of reach without text, fully shown with it.
        auto *clear = h.item(u"clearButton"_s);
        QCOMPARE(clear->isEnabled(), clearShown);
        QCOMPARE(clear->opacity(), clearShown ? 1.0 : 0.0);
        QCOMPARE(accessibleName(clear), u"Clear post text"_s);

        // The whole post, never cut short.
        auto *previewText = h.item(u"previewText"_s);
        QCOMPARE(previewText->property("text").toString(), preview);
        QCOMPARE(accessibleName(previewText), preview);
        QVERIFY(!previewText->property("truncated").toBool());
        QCOMPARE(previewText->property("lineCount").toInt(), state == State::longText ? 41 : 1);
        QVERIFY(h.item(u"preview"_s)->height() >= previewText->height());

        QCOMPARE(h.item(u"connectHint"_s)->isVisible(), headline.isEmpty());
        QCOMPARE(h.text(u"connectHint"_s), u"Connect LinkedIn to preview your profile."_s);
        QCOMPARE(h.item(u"authorRow"_s)->isVisible(), !headline.isEmpty());
        if (!headline.isEmpty()) {
            QCOMPARE(h.text(u"authorName"_s), u"Ada Example"_s);
            QCOMPARE(h.text(u"authorHeadline"_s), headline);
            QCOMPARE(h.item(u"authorPhoto"_s)->width(), 48.0);
            QTRY_VERIFY(h.item(u"authorPhoto"_s)->property("hasImage").toBool());
        }

        QCOMPARE(h.item(u"statusLine"_s)->isVisible(), !status.isEmpty());
        if (!status.isEmpty()) {
            QCOMPARE(h.text(u"statusLine"_s), status);
            QCOMPARE(accessibleName(h.item(u"statusLine"_s)), status);
        }

        // Opening the screen on a text is not the user's first edit.
        QVERIFY(!h.events.contains(AppTelemetryEvent::editorStarted));

        h.screenshot(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-').remove(u','));
    }

    void toolbarItems_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label"); // the text, or the symbol's name
        QTest::addColumn<QString>("name");  // the accessible name; empty for a separator
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("style");  // how a text label is drawn
        QTest::addColumn<bool>("needsText"); // disabled while the editor holds no text

        QTest::newRow("bold") << 0 << u"B"_s << u"Bold"_s << u"Bold (Ctrl+B)"_s << u"bold"_s
                              << false;
        QTest::newRow("italic") << 1 << u"I"_s << u"Italic"_s << u"Italic (Ctrl+I)"_s << u"italic"_s
                                << false;
        QTest::newRow("strikethrough")
            << 2 << u"S"_s << u"Strikethrough"_s << u"Strikethrough (Ctrl+Shift+X)"_s
            << u"strikeout"_s << false;
        QTest::newRow("underline")
            << 3 << u"U"_s << u"Underline"_s << u"Underline (Ctrl+U)"_s << u"underline"_s << false;
        QTest::newRow("code") << 4 << u"<>"_s << u"Code"_s << u"Code (Ctrl+E)"_s << QString()
                              << false;
        QTest::newRow("clear formatting") << 5 << u"T/"_s << u"Clear formatting"_s
                                          << u"Clear formatting (Ctrl+\\)"_s << QString() << false;
        QTest::newRow("first separator")
            << 6 << QString() << QString() << QString() << QString() << false;
        QTest::newRow("naturalize") << 7 << u"wand.and.stars"_s << u"Naturalize English"_s
                                    << u"Naturalize English"_s << QString() << true;
        QTest::newRow("second separator")
            << 8 << QString() << QString() << QString() << QString() << false;
        QTest::newRow("bullets") << 9 << u"list.bullet"_s << u"Bulleted list"_s
                                 << u"Bulleted list (Ctrl+Shift+8)"_s << QString() << false;
        QTest::newRow("numbered") << 10 << u"list.number"_s << u"Numbered list"_s
                                  << u"Numbered list (Ctrl+Shift+7)"_s << QString() << false;
    }
    void toolbarItems()
    {
        QFETCH(int, index);
        QFETCH(QString, label);
        QFETCH(QString, name);
        QFETCH(QString, toolTip);
        QFETCH(QString, style);
        QFETCH(bool, needsText);

        Harness h;
        h.viewModel->setEditorText({});
        QVERIFY(h.show());
        auto *toolbar = h.item(u"toolbar"_s);
        QCOMPARE(toolbar->height(), 44.0);
        const auto items = toolbar->property("contentItem")
                               .value<QQuickItem *>()
                               ->childItems()
                               .first()
                               ->childItems();
        QCOMPARE(items.size(), 11);
        auto *item = items.at(index);

        if (name.isEmpty()) {
            QCOMPARE(item->width(), 21.0); // a 1-point line with 10 points either side
            const auto *line = item->childItems().first();
            QCOMPARE(line->height(), 24.0);
            QCOMPARE(line->mapToItem(toolbar, {0, line->height() / 2}).y(), 22.0);
            QVERIFY(QAccessible::queryAccessibleInterface(item) == nullptr ||
                    accessibleName(item).isEmpty());
            return;
        }
        QCOMPARE(item->width(), 44.0);
        QCOMPARE(item->height(), 44.0);
        QCOMPARE(accessibleName(item), name);
        if (item->property("symbol").isValid()) {
            QCOMPARE(item->property("symbol").toString(), label);
        } else {
            QCOMPARE(item->property("text").toString(), label);
            const auto font = item->property("font").value<QFont>();
            QCOMPARE(font.pixelSize(), 18);
            QCOMPARE(font.bold(), style == u"bold"_s);
            QCOMPARE(font.italic(), style == u"italic"_s);
            QCOMPARE(font.strikeOut(), style == u"strikeout"_s);
            QCOMPARE(font.underline(), style == u"underline"_s);
        }
        QCOMPARE(item->isEnabled(), !needsText);
        h.viewModel->setEditorText(u"Some text"_s);
        QVERIFY(item->isEnabled());

        // Hovering shows the tool tip with the shortcut.
        const QPointF centre = item->mapToScene({item->width() / 2, item->height() / 2});
        QTest::mouseMove(h.view.get(), centre.toPoint());
        QTRY_VERIFY(showsText(h.view->contentItem(), toolTip));
    }

    void actionBarToolTipsNameTheirShortcuts_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("save") << u"saveButton"_s << u"Save draft (Ctrl+S)"_s;
        QTest::newRow("post") << u"postButton"_s << u"Post to LinkedIn (Ctrl+Return)"_s;
    }
    void actionBarToolTipsNameTheirShortcuts()
    {
        QFETCH(QString, button);
        QFETCH(QString, toolTip);
        Harness h;
        QVERIFY(h.show());
        auto *item = h.item(button);
        QTest::mouseMove(h.view.get(),
                         item->mapToScene({item->width() / 2, item->height() / 2}).toPoint());
        QTRY_VERIFY(showsText(h.view->contentItem(), toolTip));
    }

    // A narrow window scrolls the toolbar sideways instead of squeezing or cutting its items.
    void narrowWindowScrollsTheToolbar()
    {
        Harness h;
        QVERIFY(h.show({320, 700}));
        auto *toolbar = h.item(u"toolbar"_s);
        QVERIFY(toolbar->property("contentWidth").toReal() > toolbar->width());
        QMetaObject::invokeMethod(toolbar, "flick", Q_ARG(qreal, -3000), Q_ARG(qreal, 0));
        QTRY_VERIFY(toolbar->property("contentX").toReal() > 0);
        QTRY_VERIFY(!toolbar->property("moving").toBool());
        h.screenshot(u"narrow"_s);
    }

    // Each formatting shortcut acts on the selection as one step: Ctrl+Z takes it back and
    // Ctrl+Shift+Z does it again, and the draft store follows every step.
    void formattingShortcutsAreOneUndoStep_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("expected");

        const QString hello = u"Hello 2025"_s;
        QTest::newRow("Ctrl+B bold")
            << int(Qt::Key_B) << false << hello << 0 << 10 << TextFormatting::bold(hello);
        QTest::newRow("Ctrl+I italic") << int(Qt::Key_I) << false << hello << 0 << 5
                                       << TextFormatting::italic(u"Hello"_s) + u" 2025"_s;
        QTest::newRow("Ctrl+Shift+X strikethrough")
            << int(Qt::Key_X) << true << u"ab"_s << 0 << 2 << u"a\u0336b\u0336"_s;
        QTest::newRow("Ctrl+U underline")
            << int(Qt::Key_U) << false << u"ab"_s << 0 << 2 << u"a\u0332b\u0332"_s;
        QTest::newRow("Ctrl+E code") << int(Qt::Key_E) << false << u"x"_s << 0 << 1 << u"`x`"_s;
        QTest::newRow("Ctrl+\\ clear formatting")
            << int(Qt::Key_Backslash) << false << u"`"_s + TextFormatting::bold(u"Hi"_s) + u"`"_s
            << 0 << 6 << u"Hi"_s;
        QTest::newRow("Ctrl+Shift+8 bullets, caret only")
            << int(Qt::Key_8) << true << u"abc\ndef"_s << 1 << 1 << u"- abc\n- def"_s;
        QTest::newRow("Ctrl+Shift+7 numbered") << int(Qt::Key_7) << true << u"abc\ndef\nghi"_s << 0
                                               << 5 << u"1. abc\n2. def\n3. ghi"_s;
    }
    void formattingShortcutsAreOneUndoStep()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, expected);

        Harness h;
        h.viewModel->setEditorText(text);
        QVERIFY(h.show());
        QVERIFY(h.focusEditor());
        h.select(start, end);
        const Qt::KeyboardModifiers modifiers =
            shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier;

        QTest::keyClick(h.view.get(), Qt::Key(key), modifiers);
        QCOMPARE(h.store->editorText(), expected);
        QCOMPARE(h.text(u"previewText"_s), expected);
        // Formatting is not typing: the first-edit event waits for the user's own edits.
        QVERIFY(!h.events.contains(AppTelemetryEvent::editorStarted));

        QTest::keyClick(h.view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.store->editorText(), text);
        // The text the screen opened with is where undoing stops.
        QTest::keyClick(h.view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.store->editorText(), text);
        QTest::keyClick(h.view.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(h.store->editorText(), expected);
    }

    void saveAndPostShortcuts()
    {
        Harness h;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(u"https"_s, &catcher, "open");
        const auto unsetHandler =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"https"_s); });
        h.connect();
        h.server->setAnswer("POST", postPath, TestServer::json(200, "{}"));
        h.viewModel->setEditorText(u"Ship it"_s);
        QVERIFY(h.show());
        QVERIFY(h.focusEditor());
        QSignalSpy posted(h.root(), SIGNAL(postSucceeded()));

        QTest::keyClick(h.view.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(h.store->draftCount(), 1);
        QCOMPARE(h.text(u"statusLine"_s), QString(DraftStore::draftSavedMessage));
        QCOMPARE(h.store->editorText(), u"Ship it"_s);

        QTest::keyClick(h.view.get(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(posted.count(), 1);
        QCOMPARE(h.text(u"statusLine"_s), QString(EditorViewModel::postedMessage));
        QCOMPARE(h.server->requests("POST", postPath).size(), 1);
        // The posted draft is gone and the member's own activity opens in the browser.
        QCOMPARE(h.store->draftCount(), 0);
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl(recentActivity)});
        h.screenshot(u"posted"_s);
    }

    // While the AI rewrite runs, the post key does nothing, as the disabled button would.
    void postShortcutWaitsForTheRewrite()
    {
        Harness h;
        reach(h, State::naturalizing);
        QVERIFY(h.show());
        QVERIFY(h.focusEditor());

        QTest::keyClick(h.view.get(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.signIn.signInCount, 0);
        QVERIFY(!h.viewModel->isPosting());
        QVERIFY(!h.events.contains(AppTelemetryEvent::postStarted));
    }

    void typingFollowsInThePreviewAndRecordsTheFirstEditOnce()
    {
        Harness h;
        h.viewModel->setEditorText({});
        QVERIFY(h.show());
        QVERIFY(h.focusEditor());

        QTest::keyClick(h.view.get(), 'H');
        QCOMPARE(h.text(u"previewText"_s), u"H"_s);
        QVERIFY(h.item(u"clearButton"_s)->isEnabled());
        for (const char key : "i there"sv)
            QTest::keyClick(h.view.get(), key);
        QCOMPARE(h.text(u"previewText"_s), u"Hi there"_s);
        QCOMPARE(h.store->editorText(), u"Hi there"_s);
        QCOMPARE(h.events.count(AppTelemetryEvent::editorStarted), 1);

        // The clear button empties the editor (a new post has no draft to save first).
        auto *clear = h.item(u"clearButton"_s);
        QTest::mouseClick(h.view.get(), Qt::LeftButton, {},
                          clear->mapToScene({clear->width() / 2, clear->height() / 2}).toPoint());
        QCOMPARE(h.store->editorText(), QString());
        QCOMPARE(h.text(u"previewText"_s), QString(EditorViewModel::previewPlaceholder));
        QVERIFY(!clear->isEnabled());
        QCOMPARE(h.events.count(AppTelemetryEvent::editorStarted), 1);
    }
};

QTEST_MAIN(TestEditorView)
#include "tst_editorview.moc"
