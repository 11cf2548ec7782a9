#pragma once

#include "Draft.h"
#include "DraftSyncMutation.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The data every benchmark works on: posts of realistic length and a full set of drafts.
namespace BenchText {

inline constexpr int postLength = 3000;
inline constexpr int draftCount = 15;

// A fixed moment: the newest draft's time stamps, and "now" for the rules.
[[nodiscard]] QDateTime baseTime();

// A plain post of `length` UTF-16 units: sentences with words, digits, punctuation and
// paragraph breaks, as people write them.
[[nodiscard]] QString post(int length = postLength);

// `count` drafts of `length` characters each, newest first, a minute apart, with distinct ids
// that are the same on every call.
[[nodiscard]] QList<Draft> drafts(int count = draftCount, int length = postLength,
                                  const QDateTime &newest = baseTime());

// One upsert per draft, oldest entry first, for `ownerID`.
[[nodiscard]] QList<DraftSyncMutation> upserts(const QList<Draft> &drafts, const QString &ownerID);

} // namespace BenchText
