#pragma once

#include "Draft.h"
#include "DraftSyncMutation.h"
#include "Result.h"

#include <QDateTime>
#include <QList>

// Pure rules of the sync queue: adding an entry, choosing the due ones, recording a failure
// with exponential backoff and jitter, parking and re-arming, and merging the server's drafts
// into the local list. The caller passes the current time and the random jitter.
namespace DraftSyncPolicy {

// Failed attempts after which an entry is parked until re-armed.
inline constexpr int maxFailedAttempts = 5;
// The delay after the first failure; it doubles with each further one.
inline constexpr double baseDelaySeconds = 30;
// The caller draws the jitter from 0 to this; larger values are clamped to it.
inline constexpr double maxJitterSeconds = 15;
inline constexpr double maxDelaySeconds = 300;

// The queue without any older entry for the same owner and draft, with `mutation` appended:
// a newer change replaces a pending one and starts afresh at the back.
[[nodiscard]] QList<DraftSyncMutation> enqueue(const DraftSyncMutation &mutation,
                                               const QList<DraftSyncMutation> &queue);

// The entries to attempt at `now`, in queue order: not parked, and with no next attempt
// time or one not later than `now`.
[[nodiscard]] QList<DraftSyncMutation> dueMutations(const QList<DraftSyncMutation> &queue,
                                                    const QDateTime &now);

[[nodiscard]] bool isParked(const DraftSyncMutation &mutation);

// Parked entries get attempt count 0 and are due at once; their last error stays. Other
// entries and the order are unchanged.
[[nodiscard]] QList<DraftSyncMutation> resetParked(const QList<DraftSyncMutation> &queue);

// The entry after one more failed attempt: the error's description recorded, and the next
// attempt scheduled by the backoff, or parked on the fifth failure.
[[nodiscard]] DraftSyncMutation markFailed(const DraftSyncMutation &mutation, const Error &error,
                                           const QDateTime &now, double jitter);

// The server's drafts merged into the local list: the newer copy of each draft wins (the
// local one on a tie), nothing is deleted, the result is sorted newest first and cut to
// `maxDrafts`.
[[nodiscard]] QList<Draft> merge(const QList<Draft> &local, const QList<Draft> &remote,
                                 int maxDrafts);

} // namespace DraftSyncPolicy
