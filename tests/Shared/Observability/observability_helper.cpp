// One launch of the application's observability start-up, run by the tests:
//   observability_helper crash <bundle folder>      start crash reporting, then abort()
//   observability_helper telemetry <endpoint>       start telemetry, send "app_opened", exit
#include "AppTelemetry.h"
#include "Bundle.h"
#include "CrashReporter.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>

#include <cstdlib>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"Quillet"_s);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;

    if (arguments[1] == "crash"_L1) {
        CrashReporter::start(Bundle(arguments[2]));
        std::abort();
    }
    if (arguments[1] == "telemetry"_L1) {
        AppConfiguration::Observability observability;
        observability.telemetryDeckAppID = u"APP"_s;
        AppTelemetry::start(observability, QUrl(arguments[2]));
        AppTelemetry::track(AppTelemetryEvent::appOpened);
        QCoro::waitFor(AppTelemetry::flush());
        return 0;
    }
    return 2;
}
