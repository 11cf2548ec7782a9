#include "DraftStore.h"

#include "AppJson.h"
#include "DraftSnapshot.h"
#include "DraftSyncPolicy.h"
#include "PerformanceSignposts.h"

#include <QPointer>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString operationParameter(DraftSyncOperation operation)
{
    return operation == DraftSyncOperation::upsert ? QString(AppTelemetryParameter::upsert)
                                                   : QString(AppTelemetryParameter::remove);
}

} // namespace

QDateTime DraftStore::systemClock()
{
    return QDateTime::currentDateTimeUtc();
}

double DraftStore::randomJitter()
{
    return QRandomGenerator::global()->bounded(DraftSyncPolicy::maxJitterSeconds);
}

DraftStore::DraftStore(DraftRepository &repository, DraftSyncing *syncService,
                       AppTelemetry::Function telemetry, QObject *parent)
    : DraftStore(repository, syncService, std::move(telemetry), &DraftStore::systemClock,
                 &DraftStore::randomJitter, parent)
{}

DraftStore::DraftStore(DraftRepository &repository, DraftSyncing *syncService,
                       AppTelemetry::Function telemetry, Clock clock, Jitter jitter,
                       QObject *parent)
    : QObject(parent)
    , m_repository(repository)
    , m_syncService(syncService)
    , m_telemetry(std::move(telemetry))
    , m_clock(clock ? std::move(clock) : Clock(&DraftStore::systemClock))
    , m_jitter(jitter ? std::move(jitter) : Jitter(&DraftStore::randomJitter))
{
    loadDrafts();
}

// MARK: Published fields

void DraftStore::setEditorText(const QString &text)
{
    m_editorText = text;
    Q_EMIT editorTextChanged();
}

void DraftStore::setDrafts(QList<Draft> drafts)
{
    m_drafts = std::move(drafts);
    Q_EMIT draftsChanged();
}

void DraftStore::setEditingDraftID(std::optional<QUuid> id)
{
    m_editingDraftID = id;
    Q_EMIT editingDraftIDChanged();
}

QString DraftStore::editingDraftIDText() const
{
    return m_editingDraftID ? AppJson::encodeUuid(*m_editingDraftID) : QString();
}

void DraftStore::setStatusMessage(const QString &message)
{
    assignStatusMessage(message);
}

void DraftStore::clearStatusMessage()
{
    assignStatusMessage(std::nullopt);
}

void DraftStore::assignStatusMessage(std::optional<QString> message)
{
    m_statusMessage = std::move(message);
    Q_EMIT statusMessageChanged();
}

void DraftStore::setSyncStatus(DraftSyncStatus status)
{
    m_syncStatus = status;
    Q_EMIT syncStatusChanged();
}

// MARK: Local operations

void DraftStore::loadDrafts()
{
    const auto snapshot = PerformanceSignposts::draftCacheLoad(
        [this] { return m_repository.loadSnapshot(m_ownerID); });
    setDrafts(snapshot.drafts);
    m_lastSuccessfulSyncAt = snapshot.lastSuccessfulSyncAt;
}

void DraftStore::persistDrafts(const std::optional<QString> &ownerID)
{
    m_repository.saveSnapshot(
        {m_drafts, ownerID, m_clock(), m_lastSuccessfulSyncAt, DraftSnapshot::currentSchemaVersion},
        ownerID);
}

void DraftStore::setSession(const std::optional<LinkedInToken> &token)
{
    const auto ownerID = token ? std::optional(token->profile.memberID) : std::nullopt;
    const auto accessToken = token ? std::optional(token->accessToken) : std::nullopt;
    if (ownerID == m_ownerID && accessToken == m_accessToken)
        return;

    m_ownerID = ownerID;
    m_accessToken = accessToken;
    bumpLocalRevision();
    loadDrafts();
    startNewPost();
    rearmParkedSyncMutations();
    drainSyncQueue(true);
}

void DraftStore::startNewPost()
{
    setEditorText(newPostText);
    setEditingDraftID(std::nullopt);
    clearStatusMessage();
}

void DraftStore::openDraft(const Draft &draft)
{
    setEditorText(draft.body);
    setEditingDraftID(draft.id);
}

void DraftStore::saveCurrentDraft()
{
    const auto body = DraftPolicy::trimmedBody(m_editorText);
    if (body.isEmpty()) {
        setStatusMessage(emptyDraftMessage);
        return;
    }

    const auto result = PerformanceSignposts::measure(PerformanceSignposts::draftSaveName, [&] {
        return DraftPolicy::save(m_drafts, m_editingDraftID, body, m_clock());
    });
    setDrafts(result.drafts);
    setEditingDraftID(result.editingDraftID);
    if (!result.changedDraft) {
        setStatusMessage(draftSavedMessage);
        return;
    }

    // The draft and its queue entry are written together.
    const DraftRepository::WriteGroup writes(m_repository);
    persistDrafts(m_ownerID);
    bumpLocalRevision();
    const auto saved = std::find_if(m_drafts.cbegin(), m_drafts.cend(), [this](const Draft &d) {
        return m_editingDraftID && d.id == *m_editingDraftID;
    });
    if (saved != m_drafts.cend()) {
        const Draft draft = *saved;
        enqueueSync(DraftSyncOperation::upsert, draft.id, draft);
    }
    track(AppTelemetryEvent::draftSaved);
    setStatusMessage(draftSavedMessage);
}

void DraftStore::saveOpenedDraftAndClearEditor()
{
    if (m_editingDraftID)
        saveCurrentDraft();
    setEditorText(QString());
    setEditingDraftID(std::nullopt);
    clearStatusMessage();
}

void DraftStore::deleteDraft(const Draft &draft)
{
    const QUuid id = draft.id; // `draft` may be an element of m_drafts
    setDrafts(DraftPolicy::remove(m_drafts, id));
    if (m_editingDraftID == id)
        setEditingDraftID(std::nullopt);
    const DraftRepository::WriteGroup writes(m_repository);
    persistDrafts(m_ownerID);
    bumpLocalRevision();
    syncDelete(id);
}

void DraftStore::deletePostedDraftIfSaved()
{
    if (!m_editingDraftID)
        return;
    const QUuid id = *m_editingDraftID;
    setEditingDraftID(std::nullopt);
    auto remaining = DraftPolicy::remove(m_drafts, id);
    if (remaining.size() == m_drafts.size())
        return;
    setDrafts(std::move(remaining));
    const DraftRepository::WriteGroup writes(m_repository);
    persistDrafts(m_ownerID);
    bumpLocalRevision();
    syncDelete(id);
}

void DraftStore::deleteAccountData(const std::optional<QString> &ownerID)
{
    const DraftRepository::WriteGroup writes(m_repository);
    if (ownerID) {
        m_repository.deleteDrafts(ownerID);
        m_repository.deleteSyncMutations(*ownerID);
    }
    m_repository.deleteDrafts(std::nullopt);
    m_ownerID.reset();
    setDrafts({});
    setSyncStatus(DraftSyncStatus::localOnly);
    bumpLocalRevision();
    startNewPost();
}

// MARK: Telemetry

void DraftStore::track(AppTelemetryEvent event, QMap<QString, QString> parameters) const
{
    if (m_telemetry)
        m_telemetry(event, std::move(parameters));
}

void DraftStore::trackQueueLength(qsizetype length) const
{
    track(AppTelemetryEvent::syncQueueLength,
          {{AppTelemetryParameter::count, QString::number(length)}});
}

// MARK: Synchronisation

void DraftStore::enqueueSync(DraftSyncOperation operation, const QUuid &draftID,
                             const std::optional<Draft> &draft)
{
    if (!m_ownerID) {
        setSyncStatus(DraftSyncStatus::localOnly);
        return;
    }
    const auto now = m_clock();
    const auto mutation = operation == DraftSyncOperation::upsert && draft
                              ? DraftSyncMutation::upsert(*m_ownerID, *draft, now)
                              : DraftSyncMutation::remove(*m_ownerID, draftID, now);
    const auto queue =
        DraftSyncPolicy::enqueue(mutation, m_repository.loadSyncMutations(*m_ownerID));
    m_repository.saveSyncMutations(queue, *m_ownerID);
    trackQueueLength(queue.size());
    setSyncStatus(DraftSyncStatus::pending);
    drainSyncQueue(false);
}

void DraftStore::syncDelete(const QUuid &id)
{
    enqueueSync(DraftSyncOperation::remove, id, std::nullopt);
}

void DraftStore::rearmParkedSyncMutations()
{
    if (!m_ownerID)
        return;
    const auto queue = m_repository.loadSyncMutations(*m_ownerID);
    const auto rearmed = DraftSyncPolicy::resetParked(queue);
    if (rearmed != queue)
        m_repository.saveSyncMutations(rearmed, *m_ownerID);
}

bool DraftStore::isCurrent(const QString &ownerID, const QString &accessToken) const
{
    return m_ownerID == ownerID && m_accessToken == accessToken;
}

void DraftStore::drainSyncQueue(bool thenFetchRemote)
{
    if (m_isDrainingSyncQueue) {
        m_deferredDrain = m_deferredDrain.value_or(false) || thenFetchRemote;
        return;
    }
    if (!m_syncService || !m_accessToken || !m_ownerID) {
        setSyncStatus(m_ownerID ? DraftSyncStatus::pending : DraftSyncStatus::localOnly);
        return;
    }
    const auto queue = m_repository.loadSyncMutations(*m_ownerID);
    if (queue.isEmpty()) {
        setSyncStatus(DraftSyncStatus::synced);
        if (thenFetchRemote)
            syncFromRemote();
        return;
    }
    auto due = DraftSyncPolicy::dueMutations(queue, m_clock());
    if (due.isEmpty()) {
        setSyncStatus(DraftSyncStatus::pending);
        return;
    }
    m_isDrainingSyncQueue = true;
    // Built as a named value: GCC 12 mishandles a braced temporary passed by value to a
    // coroutine (it may destroy it while the coroutine still uses its copy).
    SyncRun run{*m_ownerID, *m_accessToken, m_syncService, std::move(due), thenFetchRemote};
    runSyncQueue(std::move(run));
}

// The stored queue with this run's results applied by entry id. Entries queued meanwhile
// stay; an entry that a newer change replaced is no longer there to be touched.
QList<DraftSyncMutation> DraftStore::reloadQueue(const QString &ownerID,
                                                 const RunResults &results) const
{
    QList<DraftSyncMutation> queue;
    for (const auto &entry : m_repository.loadSyncMutations(ownerID)) {
        const auto result = results.constFind(entry.id);
        if (result == results.cend())
            queue.append(entry);
        else if (result->has_value())
            queue.append(**result);
    }
    return queue;
}

QCoro::Task<> DraftStore::runSyncQueue(SyncRun run)
{
    // The store may be gone by the time a request returns.
    const QPointer<DraftStore> self(this);
    RunResults results;
    // The server's copies are merged into the list as they arrive and stored once, with the
    // queue, at the end of the run: rewriting the settings file per answer made a run of many
    // drafts slow. Until then each entry stays in the stored queue, so a run that is cut
    // short sends it again and merges the answer then; nothing the user wrote is at risk.
    bool mergedServerCopies = false;

    for (const auto &entry : std::as_const(run.due)) {
        if (!isCurrent(run.ownerID, run.accessToken))
            break;

        std::optional<Error> failure;
        if (entry.operation == DraftSyncOperation::remove) {
            // Each call is started outside the co_await: GCC 12 may destroy the temporaries of a
            // coroutine call inside a co_await expression twice.
            auto request = run.service->deleteDraft(entry.draftID, run.accessToken);
            const auto deleted = co_await std::move(request);
            if (!self)
                co_return;
            if (deleted) {
                results.insert(entry.id, std::nullopt);
                track(AppTelemetryEvent::syncAttemptSucceeded,
                      {{AppTelemetryParameter::operation, operationParameter(entry.operation)}});
                continue;
            }
            failure = deleted.error();
        } else {
            if (!entry.draft)
                continue;
            auto request = run.service->upsertDraft(*entry.draft, run.accessToken);
            const auto upserted = co_await std::move(request);
            if (!self)
                co_return;
            if (upserted) {
                if (isCurrent(run.ownerID, run.accessToken)) {
                    // The server's copy is merged only while this entry is still the latest
                    // change of its draft: after a deletion (or a newer save) replaced it, the
                    // answer describes a state the user has left behind.
                    const auto stored = m_repository.loadSyncMutations(run.ownerID);
                    const bool stillQueued =
                        std::any_of(stored.cbegin(), stored.cend(),
                                    [&](const DraftSyncMutation &m) { return m.id == entry.id; });
                    if (stillQueued) {
                        setDrafts(DraftSyncPolicy::merge(m_drafts, {*upserted}, maxDrafts));
                        mergedServerCopies = true;
                    }
                    results.insert(entry.id, std::nullopt);
                }
                track(AppTelemetryEvent::syncAttemptSucceeded,
                      {{AppTelemetryParameter::operation, operationParameter(entry.operation)}});
                continue;
            }
            failure = upserted.error();
        }

        const auto stored = m_repository.loadSyncMutations(run.ownerID);
        const bool stillQueued =
            std::any_of(stored.cbegin(), stored.cend(),
                        [&](const DraftSyncMutation &m) { return m.id == entry.id; });
        if (stillQueued) {
            results.insert(entry.id,
                           DraftSyncPolicy::markFailed(entry, *failure, m_clock(), m_jitter()));
            track(AppTelemetryEvent::syncAttemptFailed,
                  {{AppTelemetryParameter::operation, operationParameter(entry.operation)}});
        }
    }

    const auto deferred = std::exchange(m_deferredDrain, std::nullopt);
    if (!isCurrent(run.ownerID, run.accessToken)) {
        // The session changed: the old account's stored queue keeps every entry as it was
        // (those sent in this run go again later); the current session gets the run that was
        // refused while this one was in flight.
        m_isDrainingSyncQueue = false;
        if (deferred)
            drainSyncQueue(*deferred);
        co_return;
    }

    const auto queue = reloadQueue(run.ownerID, results);
    {
        // The queue and the drafts it confirmed reach the disk in one replacement.
        const DraftRepository::WriteGroup writes(m_repository);
        m_repository.saveSyncMutations(queue, run.ownerID);
        if (queue.isEmpty())
            m_lastSuccessfulSyncAt = m_clock();
        if (queue.isEmpty() || mergedServerCopies)
            persistDrafts(run.ownerID);
    }
    trackQueueLength(queue.size());
    const bool anyFailed =
        std::any_of(queue.cbegin(), queue.cend(),
                    [](const DraftSyncMutation &m) { return m.lastError.has_value(); });
    setSyncStatus(queue.isEmpty() ? DraftSyncStatus::synced
                  : anyFailed     ? DraftSyncStatus::failed
                                  : DraftSyncStatus::pending);
    m_isDrainingSyncQueue = false;

    if (queue.isEmpty() && (run.thenFetchRemote || deferred.value_or(false)))
        syncFromRemote();
    else if (!DraftSyncPolicy::dueMutations(queue, m_clock()).isEmpty())
        drainSyncQueue(false);
}

void DraftStore::syncFromRemote()
{
    if (!m_syncService || !m_accessToken || !m_ownerID)
        return;
    if (!m_repository.loadSyncMutations(*m_ownerID).isEmpty())
        return;
    Fetch fetch{*m_ownerID, *m_accessToken, m_syncService, m_localRevision, m_drafts};
    fetchRemote(std::move(fetch));
}

QCoro::Task<> DraftStore::fetchRemote(Fetch fetch)
{
    const QPointer<DraftStore> self(this);
    auto request = fetch.service->listDrafts(fetch.accessToken);
    const auto remote = co_await std::move(request);
    if (!self || !remote)
        co_return;

    // The merged list and the queue entries it makes are written together, once.
    const DraftRepository::WriteGroup writes(m_repository);
    QList<Draft> merged;
    if (isCurrent(fetch.ownerID, fetch.accessToken) && m_localRevision == fetch.localRevision) {
        merged = DraftSyncPolicy::merge(fetch.local, *remote, maxDrafts);
        setDrafts(merged);
        m_lastSuccessfulSyncAt = m_clock();
        persistDrafts(m_ownerID);
    }
    for (const auto &draft : std::as_const(merged))
        enqueueSync(DraftSyncOperation::upsert, draft.id, draft);
    drainSyncQueue(false);
}
