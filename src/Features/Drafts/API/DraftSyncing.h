#pragma once

#include "Draft.h"
#include "Result.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUuid>

// The server's copy of an account's drafts, as the draft store sees it: list, create or
// replace, delete. Every call authenticates with the account's LinkedIn access token.
// Implemented over HTTP by SyncedDraftsService; tests give the store a scripted fake.
class DraftSyncing {
public:
    virtual ~DraftSyncing() = default;

    // The account's drafts as the server holds them, in the server's order.
    [[nodiscard]] virtual QCoro::Task<Result<QList<Draft>>> listDrafts(QString accessToken) = 0;
    // The draft as the server holds it after the call.
    [[nodiscard]] virtual QCoro::Task<Result<Draft>> upsertDraft(Draft draft,
                                                                 QString accessToken) = 0;
    [[nodiscard]] virtual QCoro::Task<Result<void>> deleteDraft(QUuid id, QString accessToken) = 0;

protected:
    DraftSyncing() = default;
    DraftSyncing(const DraftSyncing &) = default;
    DraftSyncing &operator=(const DraftSyncing &) = default;
};
