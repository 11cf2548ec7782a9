#include "MainWindowViewModel.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Section = MainWindowViewModel::Section;

namespace {
// Counts what the view model asks of the rest of the application.
struct Recorder {
    int newPosts = 0;
    int sessionHandOvers = 0;
    int reminderSyncs = 0;
    QList<AppTelemetryEvent> events;

    MainWindowViewModel::Actions actions()
    {
        return {[this] { ++newPosts; }, [this] { ++sessionHandOvers; }, [this] { ++reminderSyncs; },
                [this](AppTelemetryEvent event, const QMap<QString, QString> &) {
                    events.append(event);
                }};
    }
};
} // namespace

class TestMainWindowViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsInTheEditorWithNothingShown()
    {
        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        QCOMPARE(model.selection(), Section::Editor);
        QVERIFY(!model.opensDraftInEditor());
        QVERIFY(!model.showsFeedback());
        QVERIFY(!model.showsPostToast());
        QVERIFY(!model.hasFeedbackButtonPosition());
        QCOMPARE(recorder.newPosts, 0);

        const auto sections = MainWindowViewModel::sections();
        QStringList labels, symbols;
        for (const auto &row : sections) {
            labels << row.toMap().value(u"label"_s).toString();
            symbols << row.toMap().value(u"symbol"_s).toString();
        }
        QCOMPARE(labels, (QStringList{u"Insights"_s, u"Drafts"_s, u"Editor"_s, u"Settings"_s}));
        QCOMPARE(symbols, (QStringList{u"chart.line.uptrend.xyaxis"_s, u"doc.text"_s,
                                       u"square.and.pencil"_s, u"gearshape"_s}));
        QCOMPARE(sections.at(0).toMap().value(u"section"_s).value<Section>(), Section::Insights);
    }

    // Steps: "open" opens a draft from the list, "back" is the editor's back button,
    // "posted" a successful publish, anything else a sidebar choice.
    void selectionRules_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("newPosts");
        QTest::addColumn<Section>("selection");
        QTest::addColumn<bool>("opensDraftInEditor");

        QTest::newRow("choosing the editor starts a new post")
            << QStringList{u"Editor"_s} << 1 << Section::Editor << false;
        QTest::newRow("other sections start none")
            << QStringList{u"Insights"_s, u"Drafts"_s, u"Settings"_s} << 0 << Section::Settings
            << false;
        QTest::newRow("an opened draft stays in the editor")
            << QStringList{u"Drafts"_s, u"open"_s} << 0 << Section::Editor << true;
        QTest::newRow("choosing the editor right after opening keeps the draft")
            << QStringList{u"Drafts"_s, u"open"_s, u"Editor"_s} << 0 << Section::Editor << false;
        QTest::newRow("a second editor choice starts a new post")
            << QStringList{u"open"_s, u"Editor"_s, u"Editor"_s} << 1 << Section::Editor << false;
        QTest::newRow("drafts then editor after opening starts a new post")
            << QStringList{u"open"_s, u"Drafts"_s, u"Editor"_s} << 1 << Section::Editor << false;
        QTest::newRow("back button and notice never start a new post")
            << QStringList{u"back"_s, u"posted"_s} << 0 << Section::Insights << false;
    }
    void selectionRules()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, newPosts);
        QFETCH(Section, selection);
        QFETCH(bool, opensDraftInEditor);

        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        const QHash<QString, Section> sidebar{{u"Insights"_s, Section::Insights},
                                              {u"Drafts"_s, Section::Drafts},
                                              {u"Editor"_s, Section::Editor},
                                              {u"Settings"_s, Section::Settings}};
        for (const auto &step : steps) {
            if (step == "open"_L1)
                model.openDraftInEditor();
            else if (step == "back"_L1)
                model.showDrafts();
            else if (step == "posted"_L1)
                model.showPostedToast();
            else
                model.selectSection(sidebar.value(step));
        }
        QCOMPARE(recorder.newPosts, newPosts);
        QCOMPARE(model.selection(), selection);
        QCOMPARE(model.opensDraftInEditor(), opensDraftInEditor);
    }

    void clampsTheFeedbackButton_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QPointF>("clamped");

        const QSizeF window(900, 650);
        QTest::newRow("inside stays") << QPointF(300, 200) << window << QPointF(300, 200);
        QTest::newRow("past the left and top") << QPointF(-50, 10) << window << QPointF(34, 34);
        QTest::newRow("past the right and bottom")
            << QPointF(2000, 649) << window << QPointF(866, 616);
        QTest::newRow("exactly on the inset") << QPointF(34, 616) << window << QPointF(34, 616);
        QTest::newRow("narrower than two insets ends at width - 34")
            << QPointF(20, 20) << QSizeF(60, 50) << QPointF(26, 16);
    }
    void clampsTheFeedbackButton()
    {
        QFETCH(QPointF, point);
        QFETCH(QSizeF, size);
        QFETCH(QPointF, clamped);
        QCOMPARE(MainWindowViewModel::clampedFeedbackButtonPosition(point, size), clamped);
    }

    void defaultFeedbackButtonPosition_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QPointF>("position");
        QTest::newRow("window") << QSizeF(900, 650) << QPointF(44, 533);
        QTest::newRow("never above 92") << QSizeF(300, 100) << QPointF(44, 92);
    }
    void defaultFeedbackButtonPosition()
    {
        QFETCH(QSizeF, size);
        QFETCH(QPointF, position);
        QCOMPARE(MainWindowViewModel::defaultFeedbackButtonPosition(size), position);
    }

    void dragMovesFromWhereTheDragBegan()
    {
        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        QSignalSpy moved(&model, &MainWindowViewModel::feedbackButtonPositionChanged);
        const QSizeF size(900, 650);

        // Translations are cumulative within one drag, starting at the default place.
        model.dragFeedbackButton({20, -30}, size);
        QVERIFY(model.isDraggingFeedbackButton());
        model.dragFeedbackButton({100, -100}, size);
        QCOMPARE(model.feedbackButtonPosition(), QPointF(144, 433));
        model.endFeedbackButtonDrag();
        QVERIFY(!model.isDraggingFeedbackButton());

        // The next drag starts at the dragged-to place and stops 34 points from the edge.
        model.dragFeedbackButton({-500, 1000}, size);
        QCOMPARE(model.feedbackButtonPosition(), QPointF(34, 616));
        model.endFeedbackButtonDrag();
        QVERIFY(model.hasFeedbackButtonPosition());
        QCOMPARE(moved.count(), 3);
        QVERIFY(!model.showsFeedback());
        QVERIFY(recorder.events.isEmpty());
    }

    void feedbackOpensAndRecordsOnce()
    {
        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        model.openFeedback();
        QVERIFY(model.showsFeedback());
        QCOMPARE(recorder.events, QList{AppTelemetryEvent::feedbackOpened});
        model.closeFeedback();
        QVERIFY(!model.showsFeedback());
        QCOMPARE(recorder.events.size(), 1);

        // Without telemetry the sheet still opens.
        MainWindowViewModel untracked(MainWindowViewModel::Actions{});
        untracked.openFeedback();
        QVERIFY(untracked.showsFeedback());
    }

    void postedNoticeShowsForItsDuration()
    {
        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        QSignalSpy toast(&model, &MainWindowViewModel::showsPostToastChanged);
        QElapsedTimer clock;
        clock.start();
        model.showPostedToast();
        QCOMPARE(model.selection(), Section::Insights);
        QVERIFY(model.showsPostToast());
        QTRY_VERIFY_WITH_TIMEOUT(!model.showsPostToast(), 5000);
        // Timers may fire a little early; the notice must not leave noticeably sooner.
        QVERIFY2(clock.elapsed() >= 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(toast.count(), 2);
    }

    void aSecondPublishRestartsTheNotice()
    {
        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        QElapsedTimer clock;
        clock.start();
        model.showPostedToast();
        // A second publish half-way through the first notice.
        QTimer::singleShot(800, &model, &MainWindowViewModel::showPostedToast);
        QTRY_VERIFY_WITH_TIMEOUT(!model.showsPostToast(), 6000);
        QVERIFY2(clock.elapsed() >= 800 + 1500, qPrintable(QString::number(clock.elapsed())));
    }

    void startUpWorkOnShowingAndOnEveryTokenChange()
    {
        Recorder recorder;
        MainWindowViewModel model(recorder.actions());
        QCOMPARE(recorder.sessionHandOvers, 0);
        model.contentShown();
        QCOMPARE(recorder.sessionHandOvers, 1);
        QCOMPARE(recorder.reminderSyncs, 1);
        model.sessionTokenChanged();
        model.sessionTokenChanged();
        QCOMPARE(recorder.sessionHandOvers, 3);
        QCOMPARE(recorder.reminderSyncs, 3);
        QCOMPARE(recorder.newPosts, 0);
    }
};

QTEST_GUILESS_MAIN(TestMainWindowViewModel)
#include "tst_mainwindowviewmodel.moc"
