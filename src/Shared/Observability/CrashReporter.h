#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QVariantMap>

class Bundle;

// Crash reporting, configured from three keys of the bundle's information dictionary and
// off when the project key (DSN) is blank or invalid. Started first of all at launch, so
// that even a configuration failure (which aborts) is reported by the next launch.
namespace CrashReporter {

inline constexpr auto dsnKey = QLatin1StringView("SentryDSN");
inline constexpr auto environmentKey = QLatin1StringView("SentryEnvironment");
inline constexpr auto tracesSampleRateKey = QLatin1StringView("SentryTracesSampleRate");
inline constexpr auto defaultEnvironment = QLatin1StringView("production");
inline constexpr double defaultTracesSampleRate = 0.1;

struct Settings {
    QString dsn;
    QString environment;
    double tracesSampleRate = defaultTracesSampleRate;

    friend bool operator==(const Settings &, const Settings &) = default;
};

// The three keys, each falling back to its default when absent or of another type.
[[nodiscard]] Settings settings(const QVariantMap &infoDictionary);

// "<identifier>@<version>+<build>" from the information dictionary, empty when it names no
// identifier or version.
[[nodiscard]] QString release(const QVariantMap &infoDictionary);

// Where reports wait for the next launch: a folder in the application's data folder.
[[nodiscard]] QString reportDirectory();

// Installs the crash handlers and sends the reports left by earlier launches in the
// background. Needs the application object. Later calls after a successful start do nothing.
void start(const Bundle &bundle);

[[nodiscard]] bool isStarted();

} // namespace CrashReporter
