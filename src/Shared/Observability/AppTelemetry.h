#pragma once

#include "AnalyticsClient.h"
#include "AppConfiguration.h"
#include "AppTelemetryEvent.h"

#include <QCoro/QCoroTask>
#include <QMap>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>

// Anonymous usage events, sent through the analytics client. Started once at launch; off
// (every event dropped, nothing queued) when the application identifier is blank.
// Main thread only.
namespace AppTelemetry {

// What stores and view models are given to record events with.
using Function = std::function<void(AppTelemetryEvent, QMap<QString, QString>)>;

// The analytics client's settings for `observability`, or nothing when the trimmed
// application identifier is empty. A blank namespace means none; `user` becomes the
// default user identifier; there is no salt.
[[nodiscard]] std::optional<AnalyticsClient::Configuration>
clientConfiguration(const AppConfiguration::Observability &observability, const QUuid &user);

// Starts telemetry with a fresh random user identifier, so that none survives a restart.
// Needs the application object. Later calls after a successful start do nothing.
void start(const AppConfiguration::Observability &observability);
// The same, posting to `endpoint` instead of the analytics service (a loopback fake).
void start(const AppConfiguration::Observability &observability, const QUrl &endpoint);

[[nodiscard]] bool isConfigured();

// Records one event; dropped when telemetry is not started or off.
void track(AppTelemetryEvent event, const QMap<QString, QString> &parameters = {});

// A function that forwards to track().
[[nodiscard]] Function function();

// Sends the events recorded so far without waiting for the next batch.
QCoro::Task<> flush();

} // namespace AppTelemetry
