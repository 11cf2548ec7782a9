#pragma once

#include "DraftSnapshot.h"
#include "DraftSyncMutation.h"

#include <QList>
#include <QString>

#include <optional>

// Where the draft store keeps each owner's drafts and each account's sync queue. The owner
// is a LinkedIn member id, or nobody (std::nullopt) for the signed-out state, which has
// drafts but no queue. Nothing here fails: unreadable data reads as empty and a write that
// cannot be made is dropped.
class DraftRepository {
public:
    virtual ~DraftRepository() = default;

    // The owner's snapshot; an empty one for that owner when nothing readable is stored.
    [[nodiscard]] virtual DraftSnapshot
    loadSnapshot(const std::optional<QString> &ownerID) const = 0;
    // Stores `snapshot` as the owner's; the owner argument, not the snapshot's field, decides.
    virtual void saveSnapshot(const DraftSnapshot &snapshot,
                              const std::optional<QString> &ownerID) = 0;
    virtual void deleteDrafts(const std::optional<QString> &ownerID) = 0;

    // The account's queue, oldest first; empty when none is stored or it cannot be read.
    [[nodiscard]] virtual QList<DraftSyncMutation>
    loadSyncMutations(const QString &ownerID) const = 0;
    // Stores the queue; an empty queue is stored as such, not removed.
    virtual void saveSyncMutations(const QList<DraftSyncMutation> &mutations,
                                   const QString &ownerID) = 0;
    virtual void deleteSyncMutations(const QString &ownerID) = 0;

    // The writes made between beginWrites() and the matching endWrites() reach storage as
    // one, so a crash keeps all of them or none: a draft change and its queue entry are never
    // torn apart. Pairs nest; reads in between see the writes. By default each write stands
    // alone.
    virtual void beginWrites() {}
    virtual void endWrites() {}

    // beginWrites() for the life of the object.
    class WriteGroup {
    public:
        explicit WriteGroup(DraftRepository &repository)
            : m_repository(repository)
        {
            m_repository.beginWrites();
        }
        ~WriteGroup() { m_repository.endWrites(); }
        WriteGroup(const WriteGroup &) = delete;
        WriteGroup &operator=(const WriteGroup &) = delete;

    private:
        DraftRepository &m_repository;
    };

protected:
    DraftRepository() = default;
    DraftRepository(const DraftRepository &) = default;
    DraftRepository &operator=(const DraftRepository &) = default;
};
