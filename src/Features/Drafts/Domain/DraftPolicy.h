#pragma once

#include "Draft.h"

#include <QList>
#include <QUuid>

#include <optional>

// Pure rules that turn a save or a deletion into a new list of drafts. The list is kept in
// display order: index 0 is the top row.
namespace DraftPolicy {

inline constexpr int maxDrafts = 15;

struct SaveResult {
    QList<Draft> drafts;
    std::optional<QUuid> editingDraftID;
    std::optional<Draft> changedDraft;

    friend bool operator==(const SaveResult &, const SaveResult &) = default;
};

// Updates the draft being edited in place, or creates a new draft (with `newDraftID`) at the
// top; keeps at most 15. Saving the same text (under canonical equivalence) changes nothing.
[[nodiscard]] SaveResult save(const QList<Draft> &drafts, std::optional<QUuid> editingDraftID,
                              const QString &body, const QDateTime &now,
                              const QUuid &newDraftID = QUuid::createUuid());

[[nodiscard]] QList<Draft> remove(const QList<Draft> &drafts, const QUuid &id);

// White space and line breaks removed from both ends; inner ones stay.
[[nodiscard]] QString trimmedBody(const QString &text);

[[nodiscard]] QList<Draft> prune(const QList<Draft> &drafts,
                                 int maxDrafts = DraftPolicy::maxDrafts);

// String equality under Unicode canonical equivalence.
[[nodiscard]] bool canonicallyEqual(const QString &a, const QString &b);

} // namespace DraftPolicy
