// The drafts list: the view model against a real draft store on a user-defaults file, and
// the screen rendered offscreen over it.

#include "DraftFixtures.h"
#include "DraftStore.h"
#include "DraftsViewModel.h"
#include "LinkedInToken.h"
#include "ScreenView.h"
#include "ScriptedDraftSyncing.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"
#include "VisibleItems.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_DraftsPlugin)

using namespace Qt::StringLiterals;
using namespace Fixtures;

namespace {

const QString longBody =
    u"A long one\n"_s + u"Every line of this body goes on and on. "_s.repeated(30);

// A draft store over a user-defaults file in a fresh folder, holding `drafts` signed out, and
// with a drafts service the test answers by hand.
struct Harness {
    explicit Harness(const QList<Draft> &drafts = {})
    {
        UserDefaultsDraftRepository seed(key, defaults);
        seed.saveSnapshot({drafts, std::nullopt, at(0), std::nullopt}, std::nullopt);
        store = std::make_unique<DraftStore>(
            repository, &sync, AppTelemetry::Function{}, [] { return at(100); },
            [] { return 0.0; });
        viewModel = std::make_unique<DraftsViewModel>(*store, QLocale(QLocale::German));
        tester = std::make_unique<QAbstractItemModelTester>(
            viewModel->drafts(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    [[nodiscard]] QStringList titles() const
    {
        QStringList titles;
        const auto *model = viewModel->drafts();
        for (int row = 0; row < model->rowCount(); ++row)
            titles << model->index(row).data(DraftsListModel::TitleRole).toString();
        return titles;
    }

    static inline const QString key = u"drafts"_s;
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(u"defaults.json"_s)};
    UserDefaultsDraftRepository repository{key, defaults};
    ScriptedDraftSyncing sync;
    std::unique_ptr<DraftStore> store;
    std::unique_ptr<DraftsViewModel> viewModel;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

QList<Draft> threeDrafts()
{
    return {draft(1, 30, u"\n\n  Launch day  \nWe shipped."_s), draft(2, 20, longBody),
            draft(3, 10, u"Third"_s)};
}

void click(QQuickView &view, QQuickItem *item)
{
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
}

} // namespace

class DraftsViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsShowTheStoresDrafts()
    {
        Harness h(threeDrafts());
        const auto *model = h.viewModel->drafts();

        QCOMPARE(model->rowCount(), 3);
        QVERIFY(!h.viewModel->isEmpty());
        QCOMPARE(h.titles(), (QStringList{u"Launch day"_s, u"A long one"_s, u"Third"_s}));
        const auto first = model->index(0);
        QCOMPARE(first.data(DraftsListModel::IdRole).toString(),
                 u"00000000-0000-4000-8000-000000000001"_s.toUpper());
        QCOMPARE(first.data(DraftsListModel::BodyRole).toString(),
                 u"\n\n  Launch day  \nWe shipped."_s);
        // German short date and time, in the local time zone.
        QCOMPARE(first.data(DraftsListModel::DateTextRole).toString(),
                 at(30).toLocalTime().toString(u"dd.MM.yy HH:mm"_s));
        QCOMPARE(model->roleNames().value(DraftsListModel::DateTextRole), "dateText"_ba);
    }

    void openLoadsTheDraftThenAnnouncesIt_data()
    {
        QTest::addColumn<bool>("byRow");
        QTest::newRow("by id") << false;
        QTest::newRow("by row") << true;
    }
    void openLoadsTheDraftThenAnnouncesIt()
    {
        QFETCH(bool, byRow);
        Harness h(threeDrafts());
        QString textWhenAnnounced;
        connect(h.viewModel.get(), &DraftsViewModel::draftOpened, this,
                [&] { textWhenAnnounced = h.store->editorText(); });
        QSignalSpy opened(h.viewModel.get(), &DraftsViewModel::draftOpened);

        QVERIFY(byRow ? h.viewModel->openDraftAt(1)
                      : h.viewModel->openDraft(AppJson::encodeUuid(uuid(2))));

        QCOMPARE(opened.size(), 1);
        QCOMPARE(textWhenAnnounced, longBody);
        QCOMPARE(h.store->editingDraftID(), std::optional(uuid(2)));
        QCOMPARE(h.viewModel->drafts()->rowCount(), 3);
    }

    void staleRowsAndIdsDoNothing_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("row");
        QTest::newRow("unknown id, row past the end") << AppJson::encodeUuid(uuid(9)) << 3;
        QTest::newRow("malformed id, negative row") << u"not-an-id"_s << -1;
    }
    void staleRowsAndIdsDoNothing()
    {
        QFETCH(QString, id);
        QFETCH(int, row);
        Harness h(threeDrafts());
        QSignalSpy opened(h.viewModel.get(), &DraftsViewModel::draftOpened);
        QSignalSpy changed(h.viewModel.get(), &DraftsViewModel::changed);

        QVERIFY(!h.viewModel->openDraft(id));
        QVERIFY(!h.viewModel->openDraftAt(row));
        QVERIFY(!h.viewModel->deleteDraft(id));
        QVERIFY(!h.viewModel->deleteDraftAt(row));

        QCOMPARE(opened.size(), 0);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(h.store->drafts(), threeDrafts());
        QVERIFY(!h.store->isEditingDraft());
    }

    void deleteRemovesAtOnceDownToTheEmptyState()
    {
        Harness h(threeDrafts());
        QSignalSpy draftsChanged(h.viewModel.get(), &DraftsViewModel::draftsChanged);

        QVERIFY(h.viewModel->deleteDraft(AppJson::encodeUuid(uuid(2))));
        QCOMPARE(h.titles(), (QStringList{u"Launch day"_s, u"Third"_s}));
        QCOMPARE(draftsChanged.size(), 1);
        // Written through: a new repository on the same file reads the shorter list.
        UserDefaults reread(h.folder.filePath(u"defaults.json"_s));
        QCOMPARE(UserDefaultsDraftRepository(Harness::key, reread)
                     .loadSnapshot(std::nullopt)
                     .drafts.size(),
                 2);

        QVERIFY(h.viewModel->deleteDraftAt(1));
        QVERIFY(h.viewModel->deleteDraftAt(0));
        QVERIFY(h.viewModel->isEmpty());
        QCOMPARE(h.viewModel->drafts()->rowCount(), 0);
    }

    void savingAnOpenDraftKeepsItsRowInPlace()
    {
        Harness h(threeDrafts());
        QVERIFY(h.viewModel->openDraftAt(2));
        QSignalSpy reset(h.viewModel->drafts(), &QAbstractItemModel::modelReset);
        QSignalSpy dataChanged(h.viewModel->drafts(), &QAbstractItemModel::dataChanged);

        h.store->setEditorText(u"Third, revised"_s);
        h.store->saveCurrentDraft();

        QCOMPARE(h.titles(), (QStringList{u"Launch day"_s, u"A long one"_s, u"Third, revised"_s}));
        QCOMPARE(reset.size(), 0);
        QVERIFY(dataChanged.size() >= 1);
        QCOMPARE(h.viewModel->drafts()->index(2).data(DraftsListModel::DateTextRole).toString(),
                 at(100).toLocalTime().toString(u"dd.MM.yy HH:mm"_s));
    }

    void statusLineAndChangesFollowTheStore()
    {
        Harness h;
        QVERIFY(h.viewModel->isEmpty());
        QCOMPARE(h.viewModel->syncStatusMessage(), u"Saved locally"_s);
        QSignalSpy changed(h.viewModel.get(), &DraftsViewModel::changed);
        QSignalSpy statusChanged(h.viewModel.get(), &DraftsViewModel::syncStatusChanged);

        h.store->setEditorText(u"Typed"_s);
        QCOMPARE(changed.size(), 1);

        // Signed in without a server: the saved draft waits in the queue.
        LinkedInToken token;
        token.accessToken = u"access"_s;
        token.profile.memberID = u"member-1"_s;
        token.connectedAt = at(0);
        h.store->setSession(token);
        h.store->setEditorText(u"Hello"_s);
        h.store->saveCurrentDraft();

        QVERIFY(statusChanged.size() >= 1);
        QCOMPARE(h.viewModel->syncStatusMessage(), h.store->syncStatusMessage());
        QCOMPARE(h.viewModel->syncStatusMessage(), u"Sync pending"_s);
        QCOMPARE(h.titles(), QStringList{u"Hello"_s});
    }

    void viewShowsTheEmptyState()
    {
        Harness h;
        auto view = load(h);
        QVERIFY(view);
        auto *root = view->rootObject();

        QCOMPARE(visibleItem(root, u"statusLine"_s)->property("text").toString(),
                 u"Saved locally"_s);
        QCOMPARE(visibleItem(root, u"heading"_s)->property("text").toString(), u"Drafts"_s);
        QVERIFY(visibleItem(root, u"emptyState"_s));
        QCOMPARE(visibleItem(root, u"emptyTitle"_s)->property("text").toString(), u"No drafts"_s);
        QCOMPARE(visibleItem(root, u"emptyDescription"_s)->property("text").toString(),
                 u"Saved drafts will appear here."_s);
        QVERIFY(!visibleItem(root, u"draftsPanel"_s));
        saveScreenshot(*view, u"draftsview-empty.png"_s);
    }

    void viewShowsRowsWithDividersBetweenThem()
    {
        Harness h(threeDrafts());
        auto view = load(h);
        QVERIFY(view);
        auto *root = view->rootObject();

        QVERIFY(!visibleItem(root, u"emptyState"_s));
        const auto rows = visibleItems(root, u"draftRow"_s);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(visibleItems(root, u"divider"_s).size(), 2);
        QVERIFY(visibleItems(rows.last(), u"divider"_s).isEmpty());

        const auto bodies = visibleItems(root, u"draftBody"_s);
        QCOMPARE(bodies.size(), 3);
        QCOMPARE(bodies.at(1)->property("lineCount").toInt(), 3);
        QVERIFY(bodies.at(1)->property("truncated").toBool());
        QVERIFY(!bodies.at(2)->property("truncated").toBool());
        QCOMPARE(visibleItem(rows.first(), u"draftTitle"_s)->property("text").toString(),
                 u"Launch day"_s);
        QCOMPARE(visibleItem(rows.first(), u"draftDate"_s)->property("text").toString(),
                 at(30).toLocalTime().toString(u"dd.MM.yy HH:mm"_s));
        QVERIFY(visibleItem(rows.first(), u"deleteDraftButton"_s));
        saveScreenshot(*view, u"draftsview-three.png"_s);
    }

    void oneDraftIsOneRowWithoutADivider()
    {
        Harness h({draft(1, 30, u"Only one"_s)});
        auto view = load(h);
        QVERIFY(view);
        QCOMPARE(visibleItems(view->rootObject(), u"draftRow"_s).size(), 1);
        QVERIFY(visibleItems(view->rootObject(), u"divider"_s).isEmpty());
    }

    // The rows follow the list that a sync run merged, newest change first.
    void rowsFollowTheMergedListAfterASync()
    {
        Harness h({draft(1, 30, u"Local newest"_s), draft(2, 20, u"Local older"_s)});
        auto view = load(h);
        QVERIFY(view);
        LinkedInToken token;
        token.accessToken = u"access"_s;
        token.profile.memberID = u"member-1"_s;
        token.connectedAt = at(0);
        // The signed-in account's own drafts come from the server.
        h.store->setSession(token);
        QCOMPARE(h.sync.pendingCount(), 1);
        h.sync.succeedList({draft(3, 10, u"Server old"_s), draft(4, 50, u"Server newest"_s),
                            draft(5, 40, u"Server middle"_s)});

        const QStringList merged{u"Server newest"_s, u"Server middle"_s, u"Server old"_s};
        QCOMPARE(h.titles(), merged);
        QStringList shown;
        for (auto *title : visibleItems(view->rootObject(), u"draftTitle"_s))
            shown << title->property("text").toString();
        QCOMPARE(shown, merged);
        QCOMPARE(visibleItems(view->rootObject(), u"divider"_s).size(), 2);
    }

    void viewOpensAndDeletesRows()
    {
        Harness h(threeDrafts());
        auto view = load(h);
        QVERIFY(view);
        auto *root = view->rootObject();
        QString textWhenOpened;
        QSignalSpy opened(root, SIGNAL(openDraft()));
        connect(h.store.get(), &DraftStore::editingDraftIDChanged, this,
                [&] { textWhenOpened = h.store->editorText(); });

        auto rows = visibleItems(root, u"draftRow"_s);
        auto *openButton = visibleItem(rows.at(2), u"openDraftButton"_s);
        // Assistive technology sees the title and can press the row.
        auto *row = QAccessible::queryAccessibleInterface(openButton);
        QVERIFY(row && row->actionInterface());
        QCOMPARE(row->text(QAccessible::Name), u"Third"_s);
        row->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(opened.size(), 1);
        QCOMPARE(h.store->editorText(), u"Third"_s);
        QCOMPARE(textWhenOpened, u"Third"_s);

        auto *deleteButton = visibleItem(rows.at(0), u"deleteDraftButton"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(deleteButton)->text(QAccessible::Name),
                 u"Delete draft"_s);
        click(*view, deleteButton);
        QTRY_COMPARE(visibleItems(root, u"draftRow"_s).size(), 2);
        QCOMPARE(h.titles(), (QStringList{u"A long one"_s, u"Third"_s}));
        QCOMPARE(visibleItems(root, u"divider"_s).size(), 1);

        for (int left = 2; left > 0; --left) {
            rows = visibleItems(root, u"draftRow"_s);
            click(*view, visibleItem(rows.first(), u"deleteDraftButton"_s));
            QTRY_COMPARE(visibleItems(root, u"draftRow"_s).size(), left - 1);
        }
        QVERIFY(visibleItem(root, u"emptyState"_s));
        QVERIFY(!visibleItem(root, u"draftsPanel"_s));
        QCOMPARE(opened.size(), 1);
    }

private:
    static std::unique_ptr<QQuickView> load(Harness &h)
    {
        auto view = std::make_unique<QQuickView>();
        loadScreen(*view, u"qrc:/Quillet/Drafts/UI/DraftsView.qml"_s, h.viewModel.get(),
                   {480, 560});
        if (view->status() != QQuickView::Ready) {
            qWarning() << view->errors();
            return nullptr;
        }
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return nullptr;
        return view;
    }

    static void saveScreenshot(QQuickView &view, const QString &name)
    {
        const QImage image = view.grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QCoreApplication::applicationDirPath() + u'/' + name));
    }
};

QTEST_MAIN(DraftsViewTest)
#include "tst_draftsview.moc"
