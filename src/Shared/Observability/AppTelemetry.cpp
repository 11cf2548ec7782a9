#include "AppTelemetry.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

// Set once by start(), on the main thread before any event is recorded. Owned by the
// application object, so it goes away with it.
QPointer<AnalyticsClient> client;

} // namespace

namespace AppTelemetry {

std::optional<AnalyticsClient::Configuration>
clientConfiguration(const AppConfiguration::Observability &observability, const QUuid &user)
{
    const QString appID = observability.telemetryDeckAppID.trimmed();
    if (appID.isEmpty())
        return std::nullopt;
    return AnalyticsClient::Configuration{
        .appID = appID,
        .namespaceName = observability.telemetryDeckNamespace.trimmed(),
        .defaultUser = user.toString(QUuid::WithoutBraces).toUpper(),
        .salt = {},
        .testMode = false,
    };
}

void start(const AppConfiguration::Observability &observability)
{
    start(observability, QUrl(AnalyticsClient::defaultEndpoint));
}

void start(const AppConfiguration::Observability &observability, const QUrl &endpoint)
{
    auto *application = QCoreApplication::instance();
    if (client || !application)
        return;
    auto configuration = clientConfiguration(observability, QUuid::createUuid());
    if (!configuration)
        return;
    auto *network = new QNetworkAccessManager(application);
    client = new AnalyticsClient(std::move(*configuration), network, endpoint,
                                 AnalyticsClient::defaultSendInterval, network);
}

bool isConfigured()
{
    return !client.isNull();
}

void track(AppTelemetryEvent event, const QMap<QString, QString> &parameters)
{
    if (client)
        client->send(QString(wireName(event)), parameters);
}

Function function()
{
    return [](AppTelemetryEvent event, QMap<QString, QString> parameters) {
        track(event, parameters);
    };
}

QCoro::Task<> flush()
{
    if (client)
        co_await client->flush();
}

} // namespace AppTelemetry
