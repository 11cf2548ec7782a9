#include "PerformanceSignposts.h"

#include <QElapsedTimer>

#include <atomic>

Q_LOGGING_CATEGORY(lcPerformance, "com.northwick.quillet.desktop.Performance", QtInfoMsg)

namespace {

std::atomic<quint64> lastIntervalID = 0;
std::atomic<bool> didReportAppLaunch = false;

// One monotonic clock for all intervals, started on first use.
qint64 nowNanoseconds()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.nsecsElapsed();
}

} // namespace

namespace PerformanceSignposts {

Interval beginAsyncInterval(const char *name)
{
    if (!lcPerformance().isDebugEnabled())
        return {name, 0, 0};
    const Interval interval{name, ++lastIntervalID, nowNanoseconds()};
    qCDebug(lcPerformance, "begin %s id=%llu", name, (unsigned long long)interval.id);
    return interval;
}

void endAsyncInterval(const Interval &interval)
{
    if (interval.id == 0)
        return;
    qCDebug(lcPerformance, "end %s id=%llu duration=%.3fms", interval.name,
            (unsigned long long)interval.id,
            double(nowNanoseconds() - interval.startNanoseconds) / 1e6);
}

void draftCacheLoad(qsizetype draftCount)
{
    qCDebug(lcPerformance, "DraftCacheLoad drafts=%lld", (long long)draftCount);
}

void appLaunchComplete()
{
    if (didReportAppLaunch.exchange(true))
        return;
    qCDebug(lcPerformance, "event %s", appLaunchCompleteName);
}

} // namespace PerformanceSignposts
