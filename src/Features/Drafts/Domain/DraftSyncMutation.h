#pragma once

#include "Draft.h"
#include "DraftSyncOperation.h"
#include "Result.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One pending server change in an account's sync queue. A queue is a list of these, oldest
// first.
struct DraftSyncMutation {
    QUuid id;        // identity of the entry, not of the draft
    QString ownerID; // member id of the account whose queue holds the entry
    DraftSyncOperation operation = DraftSyncOperation::upsert;
    QUuid draftID;
    std::optional<Draft> draft; // the content to upload; absent for a deletion
    QDateTime queuedAt;
    int attemptCount = 0; // failed attempts so far
    std::optional<QString> lastError;
    // Earliest time of the next attempt: absent means at once, parkedMarker() means not
    // until re-armed.
    std::optional<QDateTime> nextAttemptAt;

    // 4001-01-01T00:00:00Z: the date that marks an entry as parked. It is a whole second, so
    // it survives the stored form unchanged.
    [[nodiscard]] static QDateTime parkedMarker();

    // A fresh entry, due at once: the content of `draft` to create or replace on the server.
    [[nodiscard]] static DraftSyncMutation upsert(QString ownerID, Draft draft, QDateTime now,
                                                  QUuid id = QUuid::createUuid());
    // A fresh entry, due at once: delete the draft `draftID` on the server.
    [[nodiscard]] static DraftSyncMutation remove(QString ownerID, QUuid draftID, QDateTime now,
                                                  QUuid id = QUuid::createUuid());

    // Stored form: "id", "ownerID", "operation", "draftID", "queuedAt", "attemptCount", and
    // "draft", "lastError" and "nextAttemptAt" only when present.
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static Result<DraftSyncMutation> fromJson(const JsonReader &json);

    // A queue as a JSON array; reading fails as a whole when any element is unreadable.
    [[nodiscard]] static QJsonArray queueToJson(const QList<DraftSyncMutation> &queue);
    [[nodiscard]] static Result<QList<DraftSyncMutation>> queueFromJson(const QJsonArray &array);

    friend bool operator==(const DraftSyncMutation &, const DraftSyncMutation &) = default;
};
