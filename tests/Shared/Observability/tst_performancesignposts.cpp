#include "PerformanceSignposts.h"

#include <QList>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

QStringList captured;
QtMessageHandler previousHandler = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "com.northwick.quillet.desktop.Performance") == 0)
        captured.append(message);
    else
        previousHandler(type, context, message);
}

void setEnabled(bool enabled)
{
    QLoggingCategory::setFilterRules(
        enabled ? u"com.northwick.quillet.desktop.Performance.debug=true"_s : QString());
}

// A stand-in for the draft snapshot: all that matters here is its list of drafts.
struct Snapshot {
    QList<int> drafts;
};

// The id written on a "begin" or "end" line.
QString idIn(const QString &line)
{
    return QRegularExpression(u"id=(\\d+)"_s).match(line).captured(1);
}

} // namespace

class TestPerformanceSignposts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { previousHandler = qInstallMessageHandler(capture); }
    void init() { captured.clear(); }
    void cleanup() { setEnabled(false); }

    void writesNothingWhenOff()
    {
        setEnabled(false);
        int runs = 0;
        const Snapshot snapshot = PerformanceSignposts::draftCacheLoad([&] {
            ++runs;
            return Snapshot{{1, 2}};
        });
        QCOMPARE(snapshot.drafts.size(), 2);
        QCOMPARE(PerformanceSignposts::measure(PerformanceSignposts::draftSaveName,
                                               [&] { return ++runs; }),
                 2);
        const auto interval =
            PerformanceSignposts::beginAsyncInterval(PerformanceSignposts::publishAttemptName);
        PerformanceSignposts::endAsyncInterval(interval);
        QCOMPARE(captured, QStringList());
    }

    void draftCacheLoadWritesTheCountInsideItsInterval()
    {
        setEnabled(true);
        const Snapshot snapshot = PerformanceSignposts::draftCacheLoad([] {
            return Snapshot{{1, 2, 3}};
        });
        QCOMPARE(snapshot.drafts, QList<int>({1, 2, 3}));
        QCOMPARE(captured.size(), 3);
        QVERIFY(captured[0].startsWith(u"begin DraftCacheLoad id="_s));
        QVERIFY(captured[1].startsWith(u"end DraftCacheLoad id="_s));
        QCOMPARE(idIn(captured[1]), idIn(captured[0]));
        QCOMPARE(captured[2], u"DraftCacheLoad drafts=3"_s);
    }

    void overlappingIntervalsOfOneNameStayApart()
    {
        setEnabled(true);
        const auto first =
            PerformanceSignposts::beginAsyncInterval(PerformanceSignposts::publishAttemptName);
        const auto second =
            PerformanceSignposts::beginAsyncInterval(PerformanceSignposts::publishAttemptName);
        QVERIFY(first.id != second.id);
        PerformanceSignposts::endAsyncInterval(first);
        PerformanceSignposts::endAsyncInterval(second);
        QCOMPARE(captured.size(), 4);
        QCOMPARE(idIn(captured[2]), idIn(captured[0]));
        QCOMPARE(idIn(captured[3]), idIn(captured[1]));
        QVERIFY(captured[3].startsWith(u"end PublishAttempt"_s));
    }

    void measureEndsItsIntervalWhenTheFunctionThrows()
    {
        setEnabled(true);
        QVERIFY_THROWS_EXCEPTION(
            std::runtime_error,
            PerformanceSignposts::measure(PerformanceSignposts::draftSaveName,
                                          []() -> int { throw std::runtime_error("disk full"); }));
        QCOMPARE(captured.size(), 2);
        QVERIFY(captured[1].startsWith(u"end DraftSave"_s));
    }

    void appLaunchCompleteIsWrittenOnce()
    {
        setEnabled(true);
        PerformanceSignposts::appLaunchComplete();
        PerformanceSignposts::appLaunchComplete();
        QCOMPARE(captured, QStringList({u"event AppLaunchComplete"_s}));
    }
};

QTEST_GUILESS_MAIN(TestPerformanceSignposts)
#include "tst_performancesignposts.moc"
