#include "CrashReporter.h"

#include "Bundle.h"
#include "CrashClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr auto reportFolderName = "CrashReports"_L1;
constexpr auto identifierKey = "CFBundleIdentifier"_L1;
constexpr auto versionKey = "CFBundleShortVersionString"_L1;
constexpr auto buildKey = "CFBundleVersion"_L1;

// Set once by start(); owned by the application object.
QPointer<CrashClient> client;

QString stringOr(const QVariantMap &dictionary, QLatin1StringView key, const QString &fallback)
{
    const QVariant value = dictionary.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : fallback;
}

void start(const QString &dsn, const QString &environment, double tracesSampleRate,
           const QString &release)
{
    auto *application = QCoreApplication::instance();
    if (client || !application)
        return;
    const auto parsed = CrashClient::Dsn::parse(dsn.trimmed());
    if (!parsed)
        return;
    auto *network = new QNetworkAccessManager(application);
    auto *started = new CrashClient({*parsed, environment, release, tracesSampleRate},
                                    CrashReporter::reportDirectory(), network, network);
    if (!started->installSignalHandlers()) {
        delete network;
        return;
    }
    client = started;
    // Runs once the event loop turns; the client outlives it with the application.
    client->sendPendingReports();
}

} // namespace

namespace CrashReporter {

Settings settings(const QVariantMap &infoDictionary)
{
    Settings result{
        .dsn = stringOr(infoDictionary, dsnKey, QString()),
        .environment = stringOr(infoDictionary, environmentKey, defaultEnvironment),
        .tracesSampleRate = defaultTracesSampleRate,
    };
    // Property lists hold reals and (unsigned) integers; both are numbers here.
    const QVariant rate = infoDictionary.value(tracesSampleRateKey);
    if (rate.typeId() == QMetaType::Double || rate.typeId() == QMetaType::ULongLong ||
        rate.typeId() == QMetaType::LongLong)
        result.tracesSampleRate = rate.toDouble();
    return result;
}

QString release(const QVariantMap &infoDictionary)
{
    const QString identifier = stringOr(infoDictionary, identifierKey, QString());
    const QString version = stringOr(infoDictionary, versionKey, QString());
    const QString build = stringOr(infoDictionary, buildKey, QString());
    if (identifier.isEmpty() || version.isEmpty())
        return {};
    return identifier + u'@' + version + (build.isEmpty() ? QString() : u'+' + build);
}

QString reportDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(reportFolderName);
}

void start(const Bundle &bundle)
{
    const QVariantMap info = bundle.infoDictionary();
    const Settings read = settings(info);
    ::start(read.dsn, read.environment, read.tracesSampleRate, release(info));
}

bool isStarted()
{
    return !client.isNull();
}

} // namespace CrashReporter
