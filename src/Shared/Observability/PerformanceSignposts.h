#pragma once

#include <QLoggingCategory>

#include <concepts>
#include <functional>
#include <iterator>
#include <type_traits>
#include <utility>

// Debug level, off by default; enable it with the rule
// "com.northwick.quillet.desktop.Performance.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPerformance)

// Named intervals and one event for performance analysis, written to the logging category
// above, plus the one debug line "DraftCacheLoad drafts=N". Each interval has its own id, so
// overlapping intervals of one name stay apart. When the category's debug level is off
// nothing is formatted or written. Thread-safe.
namespace PerformanceSignposts {

// Interval and event names: static strings.
inline constexpr char draftCacheLoadName[] = "DraftCacheLoad";
inline constexpr char draftSaveName[] = "DraftSave";
inline constexpr char publishAttemptName[] = "PublishAttempt";
inline constexpr char appLaunchCompleteName[] = "AppLaunchComplete";

// One begun interval. Its id is 0 when the category was off at the beginning; such an
// interval ends silently.
struct Interval {
    const char *name = nullptr;
    quint64 id = 0;
    qint64 startNanoseconds = 0;
};

// Begins the interval `name` (a string with static storage).
[[nodiscard]] Interval beginAsyncInterval(const char *name);
// Ends an interval begun by beginAsyncInterval(). Ending one twice writes a second end
// line and does no harm.
void endAsyncInterval(const Interval &interval);

// Runs `function` inside an interval named `name` and returns its result; an exception
// passes through, and the interval ends all the same.
template<std::invocable Function> decltype(auto) measure(const char *name, Function &&function)
{
    struct End {
        Interval interval;
        ~End() { endAsyncInterval(interval); }
    } end{beginAsyncInterval(name)};
    return std::invoke(std::forward<Function>(function));
}

// Writes "DraftCacheLoad drafts=<count>".
void draftCacheLoad(qsizetype draftCount);

// Runs `load` (which returns a draft snapshot) inside a "DraftCacheLoad" interval, then
// writes the debug line with the number of drafts it returned, and returns the snapshot.
template<std::invocable Load>
requires requires(std::invoke_result_t<Load> snapshot)
{
    std::size(snapshot.drafts);
}
auto draftCacheLoad(Load &&load)
{
    auto snapshot = measure(draftCacheLoadName, std::forward<Load>(load));
    draftCacheLoad(qsizetype(std::size(snapshot.drafts)));
    return snapshot;
}

// Marks the launch as complete: writes the "AppLaunchComplete" event the first time only.
void appLaunchComplete();

} // namespace PerformanceSignposts
