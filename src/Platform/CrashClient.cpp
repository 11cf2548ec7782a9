#include "CrashClient.h"

#include "AppJson.h"

#include <QCoro/QCoroNetworkReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int handledSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGILL, SIGFPE};
constexpr int maximumFrames = 128;
constexpr size_t alternateStackSize = 64 * 1024;
// The service takes event items up to 1 MiB.
constexpr qsizetype maximumEventBytes = 1024 * 1024;
constexpr auto requestTimeout = std::chrono::seconds(30);

// Keys of the report file. The first line is a JSON object written when the handlers are
// installed (everything known before a crash); the lines after it are "key value" pairs
// written by the signal handler, closed by "end".
constexpr auto eventIDKey = "event_id"_L1;
constexpr auto releaseKey = "release"_L1;
constexpr auto environmentKey = "environment"_L1;
constexpr auto osKey = "os"_L1;
constexpr auto imagesKey = "images"_L1;
constexpr char signalLine[] = "signal ";
constexpr char timeLine[] = "time ";
constexpr char frameLine[] = "frame 0x";
constexpr char endLine[] = "end\n";

// What the signal handler uses. Everything is prepared before the handlers are installed
// and never changed or freed afterwards, so the handler only reads plain memory.
struct HandlerState {
    QByteArray header;
    QByteArray partialPath;
    QByteArray reportPath;
    std::unique_ptr<char[]> alternateStack;
};
const HandlerState *handlerState = nullptr;
std::atomic<bool> handlersInstalled = false;
std::atomic<bool> handlingSignal = false;

// --- The handler: stack memory, the prepared state above and async-signal-safe system calls
// only, plus backtrace(), whose unwinder is loaded before the handlers are installed. ---

void writeAll(int fd, const char *data, size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        length -= size_t(written);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, std::strlen(text));
}

// Writes `value` in base 10 or 16, then a line break.
void writeNumberLine(int fd, unsigned long long value, unsigned base)
{
    char digits[24];
    char *end = digits + sizeof digits;
    char *p = end;
    *--p = '\n';
    do {
        *--p = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    writeAll(fd, p, size_t(end - p));
}

void onFatalSignal(int signalNumber, siginfo_t *, void *)
{
    if (handlingSignal.exchange(true)) {
        // Another thread is writing the report; it ends the process when it is done.
        for (;;)
            ::pause();
    }
    void *frames[maximumFrames];
    const int count = ::backtrace(frames, maximumFrames);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);

    const HandlerState &state = *handlerState;
    const int fd =
        ::open(state.partialPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        writeAll(fd, state.header.constData(), size_t(state.header.size()));
        writeText(fd, signalLine);
        writeNumberLine(fd, (unsigned long long)signalNumber, 10);
        writeText(fd, timeLine);
        writeNumberLine(fd, (unsigned long long)now.tv_sec, 10);
        // The first frame is this handler itself.
        for (int i = count > 1 ? 1 : 0; i < count; ++i) {
            writeText(fd, frameLine);
            writeNumberLine(fd, (unsigned long long)(uintptr_t)frames[i], 16);
        }
        writeText(fd, endLine);
        ::close(fd);
        // Only a complete report gets the name the next launch looks for.
        ::rename(state.partialPath.constData(), state.reportPath.constData());
    }

    // Die of the same signal, as the process would have without us: the signal is blocked
    // while this handler runs, so it arrives with the default action as soon as we return.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signalNumber, &defaultAction, nullptr);
    ::raise(signalNumber);
}

// --- Preparation, in normal context. ---

QString shortenedHome(QString path)
{
    const QString home = QDir::homePath();
    if (home.size() > 1 && path.startsWith(home + u'/'))
        path.replace(0, home.size(), u"~"_s);
    return path;
}

QByteArray gnuBuildID(const char *notes, size_t size, size_t alignment)
{
    const auto aligned = [alignment](size_t n) { return (n + alignment - 1) & ~(alignment - 1); };
    const char *p = notes;
    const char *end = notes + size;
    while (p + sizeof(ElfW(Nhdr)) <= end) {
        ElfW(Nhdr) note;
        std::memcpy(&note, p, sizeof note);
        const char *name = p + sizeof note;
        const char *desc = name + aligned(note.n_namesz);
        const char *next = desc + aligned(note.n_descsz);
        if (next > end || next <= p)
            break;
        if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
            std::memcmp(name, "GNU", 4) == 0)
            return QByteArray(desc, qsizetype(note.n_descsz));
        p = next;
    }
    return {};
}

// The first 16 bytes of a build id as a GUID, its first three groups in little-endian order.
QString debugIDOf(QByteArray buildID)
{
    buildID = buildID.left(16);
    buildID.resize(16, '\0');
    std::reverse(buildID.begin(), buildID.begin() + 4);
    std::reverse(buildID.begin() + 4, buildID.begin() + 6);
    std::reverse(buildID.begin() + 6, buildID.begin() + 8);
    const QString hex = QString::fromLatin1(buildID.toHex());
    return hex.mid(0, 8) + u'-' + hex.mid(8, 4) + u'-' + hex.mid(12, 4) + u'-' + hex.mid(16, 4) +
           u'-' + hex.mid(20);
}

int collectImage(dl_phdr_info *info, size_t, void *data)
{
    auto &images = *static_cast<QJsonArray *>(data);
    ElfW(Addr) low = ~ElfW(Addr)(0);
    ElfW(Addr) high = 0;
    QByteArray buildID;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr) &header = info->dlpi_phdr[i];
        if (header.p_type == PT_LOAD) {
            low = std::min(low, header.p_vaddr);
            high = std::max(high, header.p_vaddr + header.p_memsz);
        } else if (header.p_type == PT_NOTE && buildID.isEmpty()) {
            buildID = gnuBuildID(reinterpret_cast<const char *>(info->dlpi_addr + header.p_vaddr),
                                 header.p_memsz, header.p_align == 8 ? 8 : 4);
        }
    }
    if (high <= low)
        return 0;
    QString file = QString::fromLocal8Bit(info->dlpi_name);
    if (file.isEmpty()) // the program itself
        file = QFileInfo(u"/proc/self/exe"_s).symLinkTarget();
    QJsonObject image{
        {u"type"_s, u"elf"_s},
        {u"code_file"_s, shortenedHome(file)},
        {u"image_addr"_s, QString(u"0x"_s + QString::number(info->dlpi_addr + low, 16))},
        {u"image_size"_s, double(high - low)},
    };
    if (!buildID.isEmpty()) {
        image.insert(u"code_id"_s, QString::fromLatin1(buildID.toHex()));
        image.insert(u"debug_id"_s, debugIDOf(buildID));
    }
    images.append(image);
    return 0;
}

QJsonArray loadedImages()
{
    QJsonArray images;
    ::dl_iterate_phdr(collectImage, &images);
    return images;
}

std::optional<qint64> parseNumber(QByteArrayView text, int base = 10)
{
    bool ok = false;
    const qint64 value = text.toByteArray().toLongLong(&ok, base);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

// --- Dsn ---

std::optional<CrashClient::Dsn> CrashClient::Dsn::parse(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != "http"_L1 && url.scheme() != "https"_L1) ||
        url.userName().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString projectID = path.mid(slash + 1);
    if (slash < 0 || projectID.isEmpty())
        return std::nullopt;

    QUrl envelopeUrl;
    envelopeUrl.setScheme(url.scheme());
    envelopeUrl.setHost(url.host());
    envelopeUrl.setPort(url.port());
    envelopeUrl.setPath(path.left(slash) + u"/api/"_s + projectID + u"/envelope/"_s);
    return Dsn{text, url.userName(), projectID, envelopeUrl};
}

// --- Report ---

Result<CrashClient::Report> CrashClient::Report::parse(const QByteArray &contents)
{
    const QList<QByteArray> lines = contents.split('\n');
    auto header = AppJson::decodeObject(lines.first());
    if (!header)
        return fail(header.error());
    const JsonReader reader(*header);
    auto eventID = reader.string(eventIDKey);
    if (!eventID)
        return fail(eventID.error());
    auto environment = reader.string(environmentKey);
    if (!environment)
        return fail(environment.error());
    auto release = reader.optionalString(releaseKey);
    if (!release)
        return fail(release.error());
    auto os = reader.object(osKey);
    if (!os)
        return fail(os.error());
    auto images = reader.array(imagesKey);
    if (!images)
        return fail(images.error());
    Report report;
    report.eventID = *eventID;
    report.environment = *environment;
    report.release = release->value_or(QString());
    report.os = os->json();
    report.images = *images;
    if (report.eventID.size() != 32 || !parseNumber(report.eventID.left(8).toLatin1(), 16))
        return fail(Error::decoding(u"invalid event id"_s));

    std::optional<qint64> signal;
    std::optional<qint64> time;
    bool ended = false;
    for (qsizetype i = 1; i < lines.size() && !ended; ++i) {
        const QByteArrayView line(lines[i]);
        if (line.startsWith(signalLine)) {
            signal = parseNumber(line.sliced(qsizetype(std::strlen(signalLine))));
        } else if (line.startsWith(timeLine)) {
            time = parseNumber(line.sliced(qsizetype(std::strlen(timeLine))));
        } else if (line.startsWith(frameLine)) {
            const auto address = parseNumber(line.sliced(qsizetype(std::strlen(frameLine))), 16);
            if (!address)
                return fail(Error::decoding(u"invalid frame address"_s));
            report.frames.append(quint64(*address));
        } else if (line == QByteArrayView(endLine).chopped(1)) {
            ended = true;
        } else if (!line.isEmpty()) {
            return fail(Error::decoding(u"unknown line in crash report"_s));
        }
    }
    if (!signal || *signal <= 0 || *signal >= 65 || !time || !ended)
        return fail(Error::decoding(u"incomplete crash report"_s));
    report.signal = int(*signal);
    report.time = QDateTime::fromSecsSinceEpoch(*time, Qt::UTC);
    return report;
}

QJsonObject CrashClient::Report::event() const
{
    QJsonArray frameList;
    for (auto it = frames.crbegin(); it != frames.crend(); ++it) // oldest first
        frameList.append(
            QJsonObject{{u"instruction_addr"_s, QString(u"0x"_s + QString::number(*it, 16))}});
    const QJsonObject exception{
        {u"type"_s, signalName(signal)},
        {u"value"_s, signalDescription(signal)},
        {u"mechanism"_s,
         QJsonObject{
             {u"type"_s, u"signalhandler"_s},
             {u"handled"_s, false},
             {u"synthetic"_s, true},
             {u"meta"_s, QJsonObject{{u"signal"_s, QJsonObject{{u"number"_s, signal},
                                                               {u"name"_s, signalName(signal)}}}}},
         }},
        {u"stacktrace"_s, QJsonObject{{u"frames"_s, frameList}}},
    };
    QJsonObject event{
        {u"event_id"_s, eventID},
        {u"timestamp"_s, AppJson::encodeDate(time)},
        {u"platform"_s, u"native"_s},
        {u"level"_s, u"fatal"_s},
        {u"environment"_s, environment},
        {u"sdk"_s, QJsonObject{{u"name"_s, sdkName}, {u"version"_s, sdkVersion}}},
        {u"exception"_s, QJsonObject{{u"values"_s, QJsonArray{exception}}}},
        {u"contexts"_s, QJsonObject{{u"os"_s, os}}},
        {u"debug_meta"_s, QJsonObject{{u"images"_s, images}}},
    };
    if (!release.isEmpty())
        event.insert(u"release"_s, release);
    return event;
}

QString CrashClient::signalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return u"SIGSEGV"_s;
    case SIGABRT:
        return u"SIGABRT"_s;
    case SIGBUS:
        return u"SIGBUS"_s;
    case SIGILL:
        return u"SIGILL"_s;
    case SIGFPE:
        return u"SIGFPE"_s;
    default:
        return u"SIG"_s + QString::number(signal);
    }
}

QString CrashClient::signalDescription(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return u"Segmentation fault"_s;
    case SIGABRT:
        return u"Aborted"_s;
    case SIGBUS:
        return u"Bus error"_s;
    case SIGILL:
        return u"Illegal instruction"_s;
    case SIGFPE:
        return u"Floating-point exception"_s;
    default:
        return u"Fatal signal"_s;
    }
}

// --- CrashClient ---

CrashClient::CrashClient(Options options, QString reportDirectory, QNetworkAccessManager *network,
                         QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_reportDirectory(std::move(reportDirectory))
    , m_network(network)
{}

CrashClient::~CrashClient() = default;

QByteArray CrashClient::reportHeader(const QString &eventID) const
{
    QJsonObject header{
        {eventIDKey, eventID},
        {environmentKey, m_options.environment},
        {osKey, QJsonObject{{u"name"_s, u"Linux"_s}, {u"version"_s, QSysInfo::kernelVersion()}}},
        {imagesKey, loadedImages()},
    };
    if (!m_options.release.isEmpty())
        header.insert(releaseKey, m_options.release);
    return AppJson::encode(header) + '\n';
}

bool CrashClient::installSignalHandlers()
{
    if (handlersInstalled.exchange(true))
        return false;
    if (!QDir().mkpath(m_reportDirectory)) {
        handlersInstalled = false;
        return false;
    }
    const QString eventID = QUuid::createUuid().toString(QUuid::Id128);
    const QByteArray reportPath =
        QFile::encodeName(QDir(m_reportDirectory).absoluteFilePath(eventID + reportSuffix));
    // Never freed: the handlers may run until the very end of the process.
    auto *state = new HandlerState{reportHeader(eventID), reportPath + partialSuffix.latin1(),
                                   reportPath, std::make_unique<char[]>(alternateStackSize)};
    handlerState = state;

    // The first backtrace() loads the unwinder; that must not happen inside the handler.
    void *frame = nullptr;
    ::backtrace(&frame, 1);

    // A stack of its own, so that a stack overflow can still be reported.
    stack_t stack{};
    stack.ss_sp = state->alternateStack.get();
    stack.ss_size = alternateStackSize;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // While one fatal signal is handled, the others wait: a fault inside the handler then
    // ends the process instead of entering the handler again.
    sigemptyset(&action.sa_mask);
    for (const int signal : handledSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : handledSignals)
        ::sigaction(signal, &action, nullptr);
    return true;
}

QStringList CrashClient::pendingReports() const
{
    return QDir(m_reportDirectory)
        .entryList({u"*"_s + reportSuffix}, QDir::Files, QDir::Time | QDir::Reversed);
}

void CrashClient::removeStaleFiles() const
{
    QDir directory(m_reportDirectory);
    // A report that was never finished cannot be read.
    for (const QString &name : directory.entryList({u"*"_s + partialSuffix}, QDir::Files))
        directory.remove(name);
    const QStringList reports = pendingReports();
    for (qsizetype i = 0; i < reports.size() - maximumPendingReports; ++i)
        directory.remove(reports[i]);
}

std::optional<QDateTime> CrashClient::rateLimitedUntil() const
{
    QFile file(QDir(m_reportDirectory).filePath(rateLimitFileName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto seconds = parseNumber(file.readAll().trimmed());
    if (!seconds)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(*seconds, Qt::UTC);
}

void CrashClient::setRateLimitedUntil(const QDateTime &until) const
{
    QDir().mkpath(m_reportDirectory);
    QSaveFile file(QDir(m_reportDirectory).filePath(rateLimitFileName));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QByteArray::number(until.toSecsSinceEpoch()));
    file.commit();
}

QCoro::Task<> CrashClient::sendPendingReports()
{
    removeStaleFiles();
    if (const auto until = rateLimitedUntil(); until && QDateTime::currentDateTimeUtc() < *until)
        co_return;
    QPointer self(this);
    for (const QString &name : pendingReports()) {
        const Outcome outcome = co_await sendReport(name);
        if (!self || outcome == Outcome::Stop)
            co_return;
    }
}

QCoro::Task<CrashClient::Outcome> CrashClient::sendReport(QString fileName)
{
    const QString path = QDir(m_reportDirectory).filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        co_return Outcome::Continue;
    const auto report = Report::parse(file.read(maximumEventBytes * 2));
    file.close();
    if (!report) {
        QFile::remove(path); // unreadable now, unreadable on every later launch
        co_return Outcome::Continue;
    }

    const QByteArray client = QByteArray(sdkName.latin1()) + '/' + sdkVersion.latin1();
    QNetworkRequest request(m_options.dsn.envelopeUrl);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-sentry-envelope"));
    request.setHeader(QNetworkRequest::UserAgentHeader, client);
    request.setRawHeader("X-Sentry-Auth", "Sentry sentry_version=7, sentry_client=" + client +
                                              ", sentry_key=" + m_options.dsn.publicKey.toUtf8());
    request.setTransferTimeout(int(std::chrono::milliseconds(requestTimeout).count()));
    QPointer self(this);
    QNetworkReply *reply =
        m_network->post(request, envelope(*report, m_options.dsn, QDateTime::currentDateTimeUtc()));
    co_await reply;
    reply->deleteLater();
    if (!self)
        co_return Outcome::Stop;

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        co_return Outcome::Stop; // the network failed: keep this and the rest for later
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 limitSeconds = rateLimitSeconds(reply, now);
    if (limitSeconds > 0)
        setRateLimitedUntil(now.addSecs(limitSeconds));
    if (status.toInt() == 429)
        co_return Outcome::Stop;
    // Accepted, or refused for good: either way it is not sent again.
    QFile::remove(path);
    co_return limitSeconds > 0 ? Outcome::Stop : Outcome::Continue;
}

QByteArray CrashClient::envelope(const Report &report, const Dsn &dsn, const QDateTime &sentAt)
{
    QJsonObject event = report.event();
    QByteArray payload = AppJson::encode(event);
    if (payload.size() > maximumEventBytes) {
        event.remove(u"debug_meta"_s);
        payload = AppJson::encode(event);
    }
    const QJsonObject header{
        {u"event_id"_s, report.eventID},
        {u"dsn"_s, dsn.text},
        {u"sent_at"_s, AppJson::encodeDate(sentAt)},
    };
    const QJsonObject itemHeader{{u"type"_s, u"event"_s}, {u"length"_s, payload.size()}};
    return AppJson::encode(header) + '\n' + AppJson::encode(itemHeader) + '\n' + payload;
}

qint64 CrashClient::rateLimitSeconds(QNetworkReply *reply, const QDateTime &now)
{
    // "<seconds>:<categories>:<scope>[:...]" entries, comma-separated; crash events are in
    // the "error" category, and no categories means all of them.
    qint64 longest = 0;
    for (const QByteArray &entry : reply->rawHeader("X-Sentry-Rate-Limits").split(',')) {
        const QList<QByteArray> parts = entry.trimmed().split(':');
        if (parts.size() < 2)
            continue;
        bool ok = false;
        const double seconds = parts[0].trimmed().toDouble(&ok);
        const QList<QByteArray> categories = parts[1].trimmed().split(';');
        if (!ok || seconds <= 0)
            continue;
        if (parts[1].trimmed().isEmpty() || categories.contains("error"))
            longest = std::max(longest, qint64(std::ceil(seconds)));
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (longest > 0 || status != 429)
        return longest;

    const QByteArray retryAfter = reply->rawHeader("Retry-After").trimmed();
    if (const auto seconds = parseNumber(retryAfter); seconds && *seconds > 0)
        return *seconds;
    const QDateTime date = QDateTime::fromString(QString::fromLatin1(retryAfter), Qt::RFC2822Date);
    if (date.isValid() && now.secsTo(date) > 0)
        return now.secsTo(date);
    return defaultRateLimitSeconds;
}
