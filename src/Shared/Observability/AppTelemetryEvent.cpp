#include "AppTelemetryEvent.h"

using namespace Qt::StringLiterals;

QLatin1StringView wireName(AppTelemetryEvent event)
{
    switch (event) {
    case AppTelemetryEvent::appOpened:
        return "app_opened"_L1;
    case AppTelemetryEvent::insightOpened:
        return "insight_opened"_L1;
    case AppTelemetryEvent::editorStarted:
        return "editor_started"_L1;
    case AppTelemetryEvent::draftSaved:
        return "draft_saved"_L1;
    case AppTelemetryEvent::notificationSyncFailed:
        return "notification_sync_failed"_L1;
    case AppTelemetryEvent::linkedInConnectStarted:
        return "linkedin_connect_started"_L1;
    case AppTelemetryEvent::linkedInConnected:
        return "linkedin_connected"_L1;
    case AppTelemetryEvent::accountDeleted:
        return "account_deleted"_L1;
    case AppTelemetryEvent::postStarted:
        return "post_started"_L1;
    case AppTelemetryEvent::postSucceeded:
        return "post_succeeded"_L1;
    case AppTelemetryEvent::postFailed:
        return "post_failed"_L1;
    case AppTelemetryEvent::syncQueueLength:
        return "sync_queue_length"_L1;
    case AppTelemetryEvent::syncAttemptSucceeded:
        return "sync_attempt_succeeded"_L1;
    case AppTelemetryEvent::syncAttemptFailed:
        return "sync_attempt_failed"_L1;
    case AppTelemetryEvent::feedbackOpened:
        return "feedback_opened"_L1;
    case AppTelemetryEvent::feedbackSent:
        return "feedback_sent"_L1;
    }
    return {};
}
