#include "FirstFrameProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QQuickWindow>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

// Milliseconds from the process's start, as the kernel recorded it, to now. The start time
// is field 22 of /proc/self/stat, in clock ticks since boot (CLOCK_BOOTTIME).
double millisecondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The command name (field 2) is in parentheses and may hold spaces: count after it.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // fields[0] is field 3 (state), so field 22 is fields[19].
    if (fields.size() < 20)
        return -1;
    const double startSeconds = fields[19].toDouble() / double(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startSeconds) * 1000.0;
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool webEngineLibraryMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

// Child processes of this one whose command name is the web engine's helper.
int webEngineProcesses()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &pid : children.readAll().simplified().split(' ')) {
            if (pid.isEmpty())
                continue;
            QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
            if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("QtWebEngine"))
                ++count;
        }
    }
    return count;
}

} // namespace

bool FirstFrameProbe::requested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (option == QLatin1StringView(argv[i]))
            return true;
    }
    return false;
}

void FirstFrameProbe::install(QQuickWindow &window)
{
    // frameSwapped comes from the render thread and is queued to this one, so several may be
    // on their way before the first arrives: report once, on the first.
    auto reported = std::make_shared<bool>(false);
    QObject::connect(&window, &QQuickWindow::frameSwapped, &window, [reported] {
        if (*reported)
            return;
        *reported = true;
        const double elapsed = millisecondsSinceProcessStart();
        std::printf("first-frame ms=%.1f maxrss-kib=%ld webengine-lib=%d webengine-processes=%d\n",
                    elapsed, peakResidentKiB(), webEngineLibraryMapped() ? 1 : 0,
                    webEngineProcesses());
        std::fflush(stdout);
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    });
}
