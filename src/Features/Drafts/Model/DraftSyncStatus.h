#pragma once

#include <QLatin1StringView>

// Where the current account's drafts stand with the server, as the screens show it.
enum class DraftSyncStatus {
    localOnly, // no account, or nothing is being synchronised
    pending,   // changes are queued for the server
    synced,    // the queue is empty; the drafts are in step
    failed,    // the queue holds a change whose last attempt failed
};

// The user-facing line for each status.
namespace DraftSyncStatusMessage {
inline constexpr QLatin1StringView localOnly{"Saved locally"};
inline constexpr QLatin1StringView pending{"Sync pending"};
inline constexpr QLatin1StringView synced{"Synced"};
inline constexpr QLatin1StringView failed{"Sync failed, will retry"};
} // namespace DraftSyncStatusMessage

[[nodiscard]] constexpr QLatin1StringView message(DraftSyncStatus status)
{
    switch (status) {
    case DraftSyncStatus::localOnly:
        return DraftSyncStatusMessage::localOnly;
    case DraftSyncStatus::pending:
        return DraftSyncStatusMessage::pending;
    case DraftSyncStatus::synced:
        return DraftSyncStatusMessage::synced;
    case DraftSyncStatus::failed:
        return DraftSyncStatusMessage::failed;
    }
    return {};
}
