#pragma once

#include <QLatin1StringView>

#include <array>

// The closed set of usage events. Each has a fixed wire name; none carries user content.
enum class AppTelemetryEvent {
    appOpened,
    insightOpened,
    editorStarted,
    draftSaved,
    notificationSyncFailed,
    linkedInConnectStarted,
    linkedInConnected,
    accountDeleted,
    postStarted,
    postSucceeded,
    postFailed,
    syncQueueLength,      // "count": the queue length as decimal text
    syncAttemptSucceeded, // "operation": "upsert" or "delete"
    syncAttemptFailed,    // "operation": "upsert" or "delete"
    feedbackOpened,
    feedbackSent,
};

// Every event, in declaration order.
inline constexpr std::array allAppTelemetryEvents = {
    AppTelemetryEvent::appOpened,
    AppTelemetryEvent::insightOpened,
    AppTelemetryEvent::editorStarted,
    AppTelemetryEvent::draftSaved,
    AppTelemetryEvent::notificationSyncFailed,
    AppTelemetryEvent::linkedInConnectStarted,
    AppTelemetryEvent::linkedInConnected,
    AppTelemetryEvent::accountDeleted,
    AppTelemetryEvent::postStarted,
    AppTelemetryEvent::postSucceeded,
    AppTelemetryEvent::postFailed,
    AppTelemetryEvent::syncQueueLength,
    AppTelemetryEvent::syncAttemptSucceeded,
    AppTelemetryEvent::syncAttemptFailed,
    AppTelemetryEvent::feedbackOpened,
    AppTelemetryEvent::feedbackSent,
};

// Parameter keys and values of the events that carry parameters.
namespace AppTelemetryParameter {
inline constexpr auto count = QLatin1StringView("count");
inline constexpr auto operation = QLatin1StringView("operation");
inline constexpr auto upsert = QLatin1StringView("upsert");
inline constexpr auto remove = QLatin1StringView("delete");
} // namespace AppTelemetryParameter

// The event's name on the wire ("app_opened").
[[nodiscard]] QLatin1StringView wireName(AppTelemetryEvent event);
