#include "DraftPolicy.h"

#include <algorithm>

namespace DraftPolicy {

bool canonicallyEqual(const QString &a, const QString &b)
{
    return a == b ||
           a.normalized(QString::NormalizationForm_D) == b.normalized(QString::NormalizationForm_D);
}

SaveResult save(const QList<Draft> &drafts, std::optional<QUuid> editingDraftID,
                const QString &body, const QDateTime &now, const QUuid &newDraftID)
{
    if (editingDraftID) {
        const auto it = std::ranges::find(drafts, *editingDraftID, &Draft::id);
        if (it != drafts.end()) {
            if (canonicallyEqual(it->body, body))
                return {drafts, editingDraftID, std::nullopt};
            QList<Draft> updated = drafts;
            Draft &changed = updated[it - drafts.begin()];
            changed.body = body;
            changed.updatedAt = now;
            const Draft result = changed;
            return {prune(updated), editingDraftID, result};
        }
    }
    const Draft created{newDraftID, body, now, now};
    QList<Draft> updated;
    updated.reserve(drafts.size() + 1);
    updated.append(created);
    updated.append(drafts);
    return {prune(updated), created.id, created};
}

QList<Draft> remove(const QList<Draft> &drafts, const QUuid &id)
{
    QList<Draft> kept;
    kept.reserve(drafts.size());
    std::ranges::copy_if(drafts, std::back_inserter(kept),
                         [&](const Draft &d) { return d.id != id; });
    return kept;
}

QString trimmedBody(const QString &text)
{
    return text.trimmed();
}

QList<Draft> prune(const QList<Draft> &drafts, int maxDrafts)
{
    return drafts.size() > maxDrafts ? drafts.first(maxDrafts) : drafts;
}

} // namespace DraftPolicy
