#pragma once

// Small builders shared by the drafts tests: fixed instants, numbered ids and drafts, and
// readable QCOMPARE output for the drafts value types.

#include "Draft.h"
#include "DraftSyncMutation.h"

#include <QDateTime>
#include <QTest>
#include <QUuid>

namespace Fixtures {

// A fixed instant plus `seconds`.
inline QDateTime at(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(1'800'000'000 + seconds, Qt::UTC);
}

inline QUuid uuid(int n)
{
    return QUuid(QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QChar(u'0')));
}

// Draft number `n`, last changed at at(updated).
inline Draft draft(int n, qint64 updated, const QString &body = {})
{
    return {uuid(n), body.isEmpty() ? QStringLiteral("body %1").arg(n) : body, at(0), at(updated)};
}

} // namespace Fixtures

inline char *toString(const Draft &draft)
{
    return QTest::toString(
        QStringLiteral("Draft(%1, \"%2\", updated %3)")
            .arg(AppJson::encodeUuid(draft.id), draft.body, AppJson::encodeDate(draft.updatedAt)));
}

inline char *toString(const DraftSyncMutation &m)
{
    return QTest::toString(
        QStringLiteral("Mutation(id %1, owner %2, %3 %4, attempts %5, error %6, next %7)")
            .arg(AppJson::encodeUuid(m.id), m.ownerID, operationName(m.operation),
                 AppJson::encodeUuid(m.draftID))
            .arg(m.attemptCount)
            .arg(m.lastError.value_or(QStringLiteral("-")),
                 m.nextAttemptAt ? AppJson::encodeDate(*m.nextAttemptAt) : QStringLiteral("-")));
}
