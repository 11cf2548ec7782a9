#include "DraftSyncPolicy.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace DraftSyncPolicy {

namespace {

// Seconds to wait after `attemptCount` failed attempts: 30 × 2^(n−1), at least 30, plus the
// jitter clamped to 0…15, at most 300 in all.
double backoffSeconds(int attemptCount, double jitter)
{
    // Written so that NaN, which is "not above 0", also counts as no jitter.
    const double clampedJitter =
        !(jitter > 0) ? 0.0 : (jitter > maxJitterSeconds ? maxJitterSeconds : jitter);
    const double base =
        std::max(baseDelaySeconds * std::pow(2.0, double(attemptCount) - 1), baseDelaySeconds);
    return std::min(clampedJitter + base, maxDelaySeconds);
}

} // namespace

QList<DraftSyncMutation> enqueue(const DraftSyncMutation &mutation,
                                 const QList<DraftSyncMutation> &queue)
{
    QList<DraftSyncMutation> result;
    result.reserve(queue.size() + 1);
    std::ranges::copy_if(queue, std::back_inserter(result), [&](const DraftSyncMutation &m) {
        return m.ownerID != mutation.ownerID || m.draftID != mutation.draftID;
    });
    result.append(mutation);
    return result;
}

QList<DraftSyncMutation> dueMutations(const QList<DraftSyncMutation> &queue, const QDateTime &now)
{
    QList<DraftSyncMutation> due;
    std::ranges::copy_if(queue, std::back_inserter(due), [&](const DraftSyncMutation &m) {
        return !isParked(m) && (!m.nextAttemptAt || *m.nextAttemptAt <= now);
    });
    return due;
}

bool isParked(const DraftSyncMutation &mutation)
{
    return mutation.nextAttemptAt && *mutation.nextAttemptAt == DraftSyncMutation::parkedMarker();
}

QList<DraftSyncMutation> resetParked(const QList<DraftSyncMutation> &queue)
{
    QList<DraftSyncMutation> result = queue;
    for (auto &mutation : result) {
        if (isParked(mutation)) {
            mutation.attemptCount = 0;
            mutation.nextAttemptAt.reset();
        }
    }
    return result;
}

DraftSyncMutation markFailed(const DraftSyncMutation &mutation, const Error &error,
                             const QDateTime &now, double jitter)
{
    DraftSyncMutation failed = mutation;
    // Saturates rather than overflowing on a corrupt stored count.
    failed.attemptCount = mutation.attemptCount == std::numeric_limits<int>::max()
                              ? mutation.attemptCount
                              : mutation.attemptCount + 1;
    failed.lastError = error.description;
    if (failed.attemptCount < maxFailedAttempts) {
        const double delay = backoffSeconds(failed.attemptCount, jitter);
        failed.nextAttemptAt = now.addMSecs(std::llround(delay * 1000));
    } else {
        failed.nextAttemptAt = DraftSyncMutation::parkedMarker();
    }
    return failed;
}

QList<Draft> merge(const QList<Draft> &local, const QList<Draft> &remote, int maxDrafts)
{
    // The merged drafts in first-seen order, with an index from id to position. A later copy
    // replaces an indexed one only when strictly newer, so the local copy wins ties and, among
    // several copies with one id (which a well-formed list never has), the first newest wins.
    QList<Draft> merged;
    QHash<QUuid, qsizetype> index;
    merged.reserve(local.size() + remote.size());
    const auto put = [&](const Draft &draft) {
        const auto it = index.constFind(draft.id);
        if (it == index.constEnd()) {
            index.insert(draft.id, merged.size());
            merged.append(draft);
        } else if (draft.updatedAt > merged.at(*it).updatedAt) {
            merged[*it] = draft;
        }
    };
    std::ranges::for_each(local, put);
    std::ranges::for_each(remote, put);

    // Stable, so drafts with equal times keep a predictable order: local ones first.
    std::ranges::stable_sort(merged, std::greater<>(), &Draft::updatedAt);
    return merged.first(std::clamp<qsizetype>(maxDrafts, 0, merged.size()));
}

} // namespace DraftSyncPolicy
