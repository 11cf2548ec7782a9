#include "AppStyle.h"
#include "AuthTokenStore.h"
#include "FeedbackService.h"
#include "FeedbackViewModel.h"
#include "InMemoryKeychain.h"
#include "InsightCatalog.h"
#include "InsightsViewModel.h"
#include "LinkedInSessionStore.h"
#include "MainWindowViewModel.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Quillet_AppPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_InsightsPlugin)

using namespace Qt::StringLiterals;
using Section = MainWindowViewModel::Section;

// The window loaded from its module with test view models.
class TestMainWindow : public QObject {
    Q_OBJECT

    int m_newPosts = 0;
    QList<AppTelemetryEvent> m_events;
    QList<QUrl> m_opened;
    std::unique_ptr<MainWindowViewModel> m_model;
    std::unique_ptr<InsightsViewModel> m_insights;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;

    // Searches the visual tree: items in views and split views are not QObject children.
    static QQuickItem *find(QQuickItem *parent, QLatin1StringView name)
    {
        for (auto *child : parent->childItems()) {
            if (child->objectName() == name)
                return child;
            if (auto *found = find(child, name))
                return found;
        }
        return nullptr;
    }
    QQuickItem *item(const char *name) const
    {
        auto *found = find(m_window->contentItem(), QLatin1StringView(name));
        if (!found)
            qFatal("no item %s", name);
        return found;
    }
    QPoint centreOf(QQuickItem *item) const
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }
    void saveScreenshot(const QString &name) const
    {
        const QImage image = m_window->grabWindow();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(QDir::current().filePath(name)));
    }

private Q_SLOTS:
    void init()
    {
        m_newPosts = 0;
        m_events.clear();
        m_opened.clear();
        m_model = std::make_unique<MainWindowViewModel>(MainWindowViewModel::Actions{
            [this] { ++m_newPosts; },
            {},
            {},
            [this](AppTelemetryEvent event, const QMap<QString, QString> &) {
                m_events.append(event);
            }});
        m_insights = std::make_unique<InsightsViewModel>(
            InsightCatalog::builtIn(),
            [this](const QUrl &url) {
                m_opened.append(url);
                return true;
            },
            AppTelemetry::Function{});
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->addImportPath(u"qrc:/"_s);
        m_engine->setInitialProperties(
            {{u"viewModel"_s, QVariant::fromValue(m_model.get())},
             {u"insightsViewModel"_s, QVariant::fromValue(m_insights.get())}});
        m_engine->load(QUrl(u"qrc:/Quillet/App/Navigation/Main.qml"_s));
        QCOMPARE(m_engine->rootObjects().size(), 1);
        m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
        QVERIFY(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        m_engine.reset();
        m_window = nullptr;
    }

    void windowHasItsSizesAndLightColours()
    {
        QCOMPARE(m_window->size(), QSize(900, 650));
        QCOMPARE(m_window->minimumSize(), QSize(720, 500));
        QCOMPARE(m_window->color(), AppStyle::paper());
        QCOMPARE(item("detail")->property("currentIndex").toInt(), int(Section::Editor));
        saveScreenshot(u"mainwindow-editor.png"_s);
    }

    void sidebarSwitchesSections_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<Section>("section");
        QTest::addColumn<int>("newPosts");
        QTest::newRow("Insights") << "sectionInsights"_ba << Section::Insights << 0;
        QTest::newRow("Drafts") << "sectionDrafts"_ba << Section::Drafts << 0;
        QTest::newRow("Settings") << "sectionSettings"_ba << Section::Settings << 0;
        QTest::newRow("Editor starts a new post") << "sectionEditor"_ba << Section::Editor << 1;
    }
    void sidebarSwitchesSections()
    {
        QFETCH(QByteArray, row);
        QFETCH(Section, section);
        QFETCH(int, newPosts);
        auto *rowItem = item(row.constData());
        QVERIFY(rowItem);
        QTest::mouseClick(m_window, Qt::LeftButton, {}, centreOf(rowItem));
        QTRY_COMPARE(m_model->selection(), section);
        QCOMPARE(item("detail")->property("currentIndex").toInt(), int(section));
        QCOMPARE(m_newPosts, newPosts);
        QVERIFY(rowItem->property("selected").toBool());
    }

    void postedNoticeSlidesInAndLeaves()
    {
        auto *notice = item("postedNotice");
        QVERIFY(!notice->isVisible());
        m_model->showPostedToast();
        QCOMPARE(item("detail")->property("currentIndex").toInt(), int(Section::Insights));
        QTRY_COMPARE(notice->opacity(), 1.0);
        QCOMPARE(notice->y(), 12.0);
        saveScreenshot(u"mainwindow-posted-notice.png"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 5000);
        QVERIFY(notice->y() < 0);
    }

    void feedbackButtonClickOpensTheSheet()
    {
        auto *button = item("feedbackButton");
        QCOMPARE(button->size(), QSizeF(52, 52));
        QCOMPARE(centreOf(button), QPoint(44, 533));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, centreOf(button));
        QTRY_VERIFY(m_model->showsFeedback());
        QCOMPARE(m_events, QList{AppTelemetryEvent::feedbackOpened});
        auto *sheet = m_window->findChild<QObject *>(u"feedbackSheet"_s);
        QTRY_VERIFY(sheet->property("opened").toBool());
        saveScreenshot(u"mainwindow-feedback-sheet.png"_s);
        m_model->closeFeedback();
        QTRY_VERIFY(!sheet->property("visible").toBool());
    }

    void feedbackSheetShowsTheFormAndItsCloseButtonClosesIt()
    {
        InMemoryKeychain keychain;
        AuthTokenStore tokenStore(keychain, u"token"_s);
        LinkedInSessionStore session(tokenStore);
        FeedbackService service(QUrl(u"http://127.0.0.1:9"_s));
        FeedbackViewModel feedback(service, session, {}, {});
        m_window->setProperty("feedbackViewModel", QVariant::fromValue(&feedback));

        m_model->openFeedback();
        auto *sheet = m_window->findChild<QObject *>(u"feedbackSheet"_s);
        QTRY_VERIFY(sheet->property("opened").toBool());
        saveScreenshot(u"mainwindow-feedback-form.png"_s);
        QVERIFY(QMetaObject::invokeMethod(item("closeButton"), "clicked"));
        QVERIFY(!m_model->showsFeedback());
        QTRY_VERIFY(!sheet->property("visible").toBool());
        m_window->setProperty("feedbackViewModel", QVariant::fromValue<QObject *>(nullptr));
    }

    void feedbackButtonTakesClicksOnlyInItsCircle()
    {
        auto *button = item("feedbackButton");
        // Inside the 52-point square, outside the circle.
        const QPoint corner = button->mapToScene(QPointF(3, 3)).toPoint();
        QTest::mouseClick(m_window, Qt::LeftButton, {}, corner);
        QTest::qWait(50);
        QVERIFY(!m_model->showsFeedback());
        QVERIFY(m_events.isEmpty());
    }

    void feedbackButtonDragStopsAtTheEdge()
    {
        auto *button = item("feedbackButton");
        QPoint at = centreOf(button);
        QTest::mousePress(m_window, Qt::LeftButton, {}, at);
        // Past the bottom right corner, in steps as a pointer moves.
        for (int step = 1; step <= 20; ++step)
            QTest::mouseMove(m_window, at + QPoint(step * 60, step * 20));
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, at + QPoint(1200, 400));
        QTRY_COMPARE(centreOf(button), QPoint(866, 616));
        QVERIFY(!m_model->showsFeedback());
        QVERIFY(m_events.isEmpty());
        QVERIFY(!m_model->isDraggingFeedbackButton());
        saveScreenshot(u"mainwindow-dragged-button.png"_s);
    }

    void insightsSectionShowsTheCards()
    {
        m_model->selectSection(Section::Insights);
        QTRY_COMPARE(item("detail")->property("currentIndex").toInt(), int(Section::Insights));
        saveScreenshot(u"mainwindow-insights.png"_s);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
