#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What a sync queue entry asks the server to do with a draft.
enum class DraftSyncOperation {
    upsert, // create or replace the draft on the server; stored as "upsert"
    remove, // delete the draft on the server; stored as "delete"
};

// The stored and wire name of an operation ("upsert" or "delete"), also used in usage events.
[[nodiscard]] QString operationName(DraftSyncOperation operation);
// The operation of a name; nothing for any other text (case matters).
[[nodiscard]] std::optional<DraftSyncOperation> draftSyncOperationFromName(QStringView text);
