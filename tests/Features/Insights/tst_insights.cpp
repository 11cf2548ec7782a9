#include "InsightCatalog.h"
#include "InsightsViewModel.h"
#include "ScreenView.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Quillet_InsightsPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)

using namespace Qt::StringLiterals;

namespace {
// Records what was handed to the browser and which events were sent.
struct Browser {
    bool opens = true;
    QList<QUrl> opened;
    QList<AppTelemetryEvent> events;

    InsightsViewModel::Opener opener()
    {
        return [this](const QUrl &url) {
            opened.append(url);
            return opens;
        };
    }
    AppTelemetry::Function track()
    {
        return [this](AppTelemetryEvent event, const QMap<QString, QString> &) {
            events.append(event);
        };
    }
};
} // namespace

class TestInsights : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void builtInCardsInOrder()
    {
        const auto cards = InsightCatalog::builtIn();
        const QList<std::pair<QString, QString>> expected{
            {u"$2M revenue"_s,
             u"Daily LinkedIn posts helped build $2M revenue and a coaching business."_s},
            {u"$100K+ MRR pipeline"_s,
             u"Founder-led LinkedIn posts created $100K+ in measurable MRR pipeline."_s},
            {u"600+ leads"_s,
             u"Consistent LinkedIn content produced 600+ leads without ads or cold outreach."_s},
            {u"2x in 60 days"_s,
             u"Buyer-focused LinkedIn content helped a client double revenue in 60 days."_s},
            {u"3x client income"_s,
             u"Profile and post clarity helped turn LinkedIn into 3x client income."_s},
            {u"7 inbound leads/week"_s,
             u"Clear positioning helped turn LinkedIn into 7 inbound leads per week."_s},
        };
        QCOMPARE(cards.size(), expected.size());
        QSet<QString> urls;
        for (qsizetype i = 0; i < cards.size(); ++i) {
            QCOMPARE(cards[i].topline, expected[i].first);
            QCOMPARE(cards[i].summary, expected[i].second);
            QVERIFY(!cards[i].title.isEmpty());
            const QUrl url(cards[i].url, QUrl::StrictMode);
            QVERIFY2(url.isValid() && url.scheme() == "https"_L1 &&
                         url.host() == "www.linkedin.com"_L1,
                     qPrintable(cards[i].url));
            urls.insert(cards[i].url);
        }
        QCOMPARE(urls.size(), cards.size());
    }

    void decodeRejectsBadContent_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing member") << QByteArray("{\"insights\":[{\"topline\":\"a\",\"title\":"
                                                      "\"b\",\"url\":\"https://x.example/1\"}]}")
                                        << u"summary"_s;
        QTest::newRow("repeated address")
            << QByteArray("{\"insights\":[{\"topline\":\"a\",\"title\":\"b\",\"summary\":\"c\","
                          "\"url\":\"https://x.example/"
                          "1\"},{\"topline\":\"d\",\"title\":\"e\",\"summary\":\"f\",\"url\":"
                          "\"https://x.example/1\"}]}")
            << u"repeated address"_s;
        QTest::newRow("no list") << QByteArray("{\"cards\":[]}") << u"insights"_s;
    }
    void decodeRejectsBadContent()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        const auto result = InsightCatalog::decode(json);
        QVERIFY(!result);
        QVERIFY2(result.error().description.contains(message),
                 qPrintable(result.error().description));
    }

    void openingACard_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("browserOpens");
        QTest::addColumn<bool>("tracked");
        QTest::addColumn<int>("handedToBrowser");
        QTest::addColumn<int>("events");

        const QString good = u"https://www.linkedin.com/search/results/content/?keywords=a"_s;
        QTest::newRow("opened once, one event") << good << true << true << 1 << 1;
        QTest::newRow("browser refuses: no event") << good << false << true << 1 << 0;
        QTest::newRow("telemetry off still opens") << good << true << false << 1 << 0;
        QTest::newRow("unparseable address stays inert")
            << u"not a url"_s << true << true << 0 << 0;
        QTest::newRow("empty address stays inert") << QString() << true << true << 0 << 0;
    }
    void openingACard()
    {
        QFETCH(QString, url);
        QFETCH(bool, browserOpens);
        QFETCH(bool, tracked);
        QFETCH(int, handedToBrowser);
        QFETCH(int, events);

        Browser browser;
        browser.opens = browserOpens;
        InsightsViewModel model({{u"1"_s, u"title"_s, u"summary"_s, url}}, browser.opener(),
                                tracked ? browser.track() : AppTelemetry::Function{});
        QCOMPARE(model.open(0), handedToBrowser == 1 && browserOpens);
        QCOMPARE(browser.opened.size(), handedToBrowser);
        if (handedToBrowser)
            QCOMPARE(browser.opened.constFirst(), QUrl(url));
        QCOMPARE(browser.events.size(), events);
        if (events)
            QCOMPARE(browser.events.constFirst(), AppTelemetryEvent::insightOpened);
        QVERIFY(!model.open(1));
        QVERIFY(!model.open(-1));
    }

    void screenShowsSixCardsAndClicksOpenThem()
    {
        Browser browser;
        const auto cards = InsightCatalog::builtIn();
        InsightsViewModel model(cards, browser.opener(), browser.track());
        QQuickView view;
        loadScreen(view, u"qrc:/Quillet/Insights/UI/InsightsView.qml"_s, &model, {690, 650});
        QVERIFY2(view.status() == QQuickView::Ready, qPrintable(view.errors().value(0).toString()));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        // The cards, found in the visual tree (the scroll view reparents its content).
        QList<QQuickItem *> shown;
        const std::function<void(QQuickItem *)> collect = [&](QQuickItem *parent) {
            for (auto *item : parent->childItems()) {
                if (item->property("topline").isValid() && item->property("summary").isValid())
                    shown.append(item);
                collect(item);
            }
        };
        collect(view.rootObject());
        QCOMPARE(shown.size(), 6);
        std::sort(shown.begin(), shown.end(),
                  [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QCOMPARE(shown[i]->property("topline").toString(), cards[i].topline);
            // Every card spans the page between its margins.
            QCOMPARE(shown[i]->width(), shown[0]->width());
            QVERIFY(shown[i]->width() > 600);
        }

        const QImage image = view.grabWindow();
        QVERIFY(image.save(QDir::current().filePath(u"insights.png"_s)));

        const QPointF centre = shown[1]->mapToScene({shown[1]->width() / 2, 30});
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
        QTRY_COMPARE(browser.opened.size(), 1);
        QCOMPARE(browser.opened.constFirst(), QUrl(cards[1].url));
        QCOMPARE(browser.events, QList{AppTelemetryEvent::insightOpened});
    }
};

QTEST_MAIN(TestInsights)
#include "tst_insights.moc"
