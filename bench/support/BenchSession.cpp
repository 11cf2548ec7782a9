#include "BenchSession.h"

#include "Bundle.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cstdio>

std::optional<AppConfiguration> BenchSession::configuration(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--bundle"));
    if (at < 0 || at + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: %s --bundle DIR\n", qPrintable(arguments.value(0)));
        return std::nullopt;
    }
    auto configuration = AppConfiguration::read(Bundle(arguments[at + 1]));
    if (!configuration) {
        std::fprintf(stderr, "%s\n", qPrintable(configuration.error().description));
        return std::nullopt;
    }
    return std::move(*configuration);
}

bool BenchSession::spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}
