#pragma once

// A draft store wired to an in-memory repository, a scripted drafts service, a recorded
// telemetry function and a clock the test moves by hand.

#include "DraftFixtures.h"
#include "DraftRepository.h"
#include "DraftStore.h"
#include "LinkedInToken.h"
#include "ScriptedDraftSyncing.h"

#include <QHash>
#include <QMap>
#include <QPair>

#include <memory>

// Keeps records in maps, like the real repository keeps them in the user-defaults store.
class MemoryDraftRepository final : public DraftRepository {
public:
    [[nodiscard]] DraftSnapshot loadSnapshot(const std::optional<QString> &ownerID) const override
    {
        return snapshots.value(key(ownerID), DraftSnapshot::empty(ownerID, Fixtures::at(0)));
    }
    void saveSnapshot(const DraftSnapshot &snapshot, const std::optional<QString> &ownerID) override
    {
        ++snapshotWrites;
        snapshots.insert(key(ownerID), snapshot);
    }
    void deleteDrafts(const std::optional<QString> &ownerID) override
    {
        snapshots.remove(key(ownerID));
    }
    [[nodiscard]] QList<DraftSyncMutation> loadSyncMutations(const QString &ownerID) const override
    {
        return queues.value(ownerID);
    }
    void saveSyncMutations(const QList<DraftSyncMutation> &mutations,
                           const QString &ownerID) override
    {
        queues.insert(ownerID, mutations);
    }
    void deleteSyncMutations(const QString &ownerID) override { queues.remove(ownerID); }

    static QString key(const std::optional<QString> &ownerID)
    {
        return ownerID.value_or(QStringLiteral("signed-out"));
    }

    QHash<QString, DraftSnapshot> snapshots;
    QHash<QString, QList<DraftSyncMutation>> queues;
    int snapshotWrites = 0;
};

using TrackedEvent = QPair<AppTelemetryEvent, QMap<QString, QString>>;

inline char *toString(const AppTelemetryEvent &event)
{
    return QTest::toString(QString(wireName(event)));
}

struct DraftStoreHarness {
    explicit DraftStoreHarness(bool withService = true) { makeStore(withService); }

    void makeStore(bool withService = true)
    {
        store = std::make_unique<DraftStore>(
            repository, withService ? &service : nullptr,
            [this](AppTelemetryEvent event, QMap<QString, QString> parameters) {
                events.append({event, parameters});
            },
            [this] { return now; }, [this] { return jitter; });
    }

    static LinkedInToken token(const QString &memberID, const QString &accessToken)
    {
        LinkedInToken token;
        token.accessToken = accessToken;
        token.profile.memberID = memberID;
        token.connectedAt = Fixtures::at(0);
        return token;
    }

    [[nodiscard]] QList<DraftSyncMutation> queue(const QString &ownerID) const
    {
        return repository.queues.value(ownerID);
    }

    // The events of one kind, by their parameters.
    [[nodiscard]] QList<QMap<QString, QString>> tracked(AppTelemetryEvent event) const
    {
        QList<QMap<QString, QString>> found;
        for (const auto &[e, parameters] : events) {
            if (e == event)
                found.append(parameters);
        }
        return found;
    }

    [[nodiscard]] QList<qsizetype> queueLengths() const
    {
        QList<qsizetype> lengths;
        for (const auto &parameters : tracked(AppTelemetryEvent::syncQueueLength))
            lengths.append(parameters.value(QString(AppTelemetryParameter::count)).toLongLong());
        return lengths;
    }

    // Saves `text` as the editor's content.
    void save(const QString &text)
    {
        store->setEditorText(text);
        store->saveCurrentDraft();
    }

    MemoryDraftRepository repository;
    ScriptedDraftSyncing service;
    QList<TrackedEvent> events;
    QDateTime now = Fixtures::at(1000);
    double jitter = 0;
    std::unique_ptr<DraftStore> store;
};
