#pragma once

#include "DraftRepository.h"

#include <QDateTime>
#include <QString>

#include <functional>

class UserDefaults;

// The draft repository on the user-defaults store. Records are UTF-8 JSON under keys made
// from the base key: "<key>.<member id>" and "<key>.signed-out" for snapshots,
// "<key>.syncQueue.<member id>" for queues. Keeps no cache: every call reads or writes the
// store.
class UserDefaultsDraftRepository final : public DraftRepository {
public:
    using Clock = std::function<QDateTime()>;

    // `defaults` is shared with other users of the store and must outlive the repository.
    // `clock` stamps the snapshots made when nothing readable is stored.
    UserDefaultsDraftRepository(QString key, UserDefaults &defaults,
                                Clock clock = &QDateTime::currentDateTimeUtc);

    [[nodiscard]] DraftSnapshot loadSnapshot(const std::optional<QString> &ownerID) const override;
    void saveSnapshot(const DraftSnapshot &snapshot,
                      const std::optional<QString> &ownerID) override;
    void deleteDrafts(const std::optional<QString> &ownerID) override;

    [[nodiscard]] QList<DraftSyncMutation> loadSyncMutations(const QString &ownerID) const override;
    void saveSyncMutations(const QList<DraftSyncMutation> &mutations,
                           const QString &ownerID) override;
    void deleteSyncMutations(const QString &ownerID) override;
    void beginWrites() override;
    void endWrites() override;

private:
    [[nodiscard]] QString scopedKey(const std::optional<QString> &ownerID) const;
    [[nodiscard]] QString syncQueueKey(const QString &ownerID) const;

    QString m_key;
    UserDefaults &m_defaults;
    Clock m_clock;
};
