#pragma once

// The drafts API client's own error. Its one case, `server`, carries the message the server
// sent (or the client's fixed text), which is also its user-facing description. Transport and
// decoding errors pass through as they are.
enum class SyncedDraftsError {
    server,
};
