#pragma once

#include "Draft.h"
#include "Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// One owner's stored drafts with a little bookkeeping: the record that the draft repository
// keeps per account and for the signed-out state.
struct DraftSnapshot {
    QList<Draft> drafts;
    std::optional<QString> ownerID;
    QDateTime loadedAt;
    std::optional<QDateTime> lastSuccessfulSyncAt;
    int schemaVersion = currentSchemaVersion;

    // The format version of every snapshot this application makes; a stored snapshot with a
    // higher version is not understood.
    static constexpr int currentSchemaVersion = 1;

    // The snapshot of an owner who has nothing stored.
    [[nodiscard]] static DraftSnapshot empty(std::optional<QString> ownerID, QDateTime now);

    // Stored form: "drafts", "loadedAt", "schemaVersion", and "ownerID" and
    // "lastSuccessfulSyncAt" only when present.
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static Result<DraftSnapshot> fromJson(const JsonReader &json);

    // The legacy stored form: a bare array of draft objects. One unreadable element makes the
    // whole array unreadable.
    [[nodiscard]] static QJsonArray draftsToJson(const QList<Draft> &drafts);
    [[nodiscard]] static Result<QList<Draft>> draftsFromJson(const QJsonArray &array,
                                                             const QString &path = {});

    friend bool operator==(const DraftSnapshot &, const DraftSnapshot &) = default;
};
