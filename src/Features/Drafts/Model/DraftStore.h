#pragma once

#include "AppTelemetry.h"
#include "Draft.h"
#include "DraftPolicy.h"
#include "DraftRepository.h"
#include "DraftSyncMutation.h"
#include "DraftSyncOperation.h"
#include "DraftSyncStatus.h"
#include "DraftSyncing.h"
#include "LinkedInToken.h"

#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QLatin1StringView>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

// The one source of truth for drafts: the editor text, the current account's drafts, the
// editor's status line and the state of synchronisation with the server. Lives on the main
// thread. Every local change is written to the repository first; for a signed-in account it
// is also queued for the server, and the queue keeps each change until the server has
// confirmed it, whatever happens to the network or the session meanwhile.
class DraftStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString editorText READ editorText WRITE setEditorText NOTIFY editorTextChanged)
    Q_PROPERTY(int draftCount READ draftCount NOTIFY draftsChanged)
    Q_PROPERTY(
        QString statusMessage READ statusMessage WRITE setStatusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QString syncStatusMessage READ syncStatusMessage NOTIFY syncStatusChanged)
    // The open draft's id in upper case, or empty for a new, unsaved post.
    Q_PROPERTY(QString editingDraftID READ editingDraftIDText NOTIFY editingDraftIDChanged)
    Q_PROPERTY(bool isEditingDraft READ isEditingDraft NOTIFY editingDraftIDChanged)

public:
    using Clock = std::function<QDateTime()>;
    // A random delay in seconds, from 0 to DraftSyncPolicy::maxJitterSeconds.
    using Jitter = std::function<double()>;

    // The editor text of a new post: ordinary text, saved like any other.
    static constexpr QLatin1StringView newPostText{"Write a LinkedIn post..."};
    static constexpr QLatin1StringView emptyDraftMessage{"Draft is empty"};
    static constexpr QLatin1StringView draftSavedMessage{"Draft saved"};
    static constexpr int maxDrafts = DraftPolicy::maxDrafts;

    [[nodiscard]] static QDateTime systemClock();
    [[nodiscard]] static double randomJitter();

    // Loads the signed-out drafts; nothing is synchronised until setSession(). Without a
    // sync service, an account's changes wait in its queue.
    DraftStore(DraftRepository &repository, DraftSyncing *syncService,
               AppTelemetry::Function telemetry, QObject *parent = nullptr);
    DraftStore(DraftRepository &repository, DraftSyncing *syncService,
               AppTelemetry::Function telemetry, Clock clock, Jitter jitter,
               QObject *parent = nullptr);

    [[nodiscard]] const QString &editorText() const { return m_editorText; }
    void setEditorText(const QString &text);

    [[nodiscard]] const QList<Draft> &drafts() const { return m_drafts; }
    [[nodiscard]] int draftCount() const { return int(m_drafts.size()); }

    // The status line; empty and hasStatusMessage() false while there is none. The editor
    // view model writes its own results here too: the latest writer wins.
    [[nodiscard]] QString statusMessage() const { return m_statusMessage.value_or(QString()); }
    [[nodiscard]] bool hasStatusMessage() const { return m_statusMessage.has_value(); }
    void setStatusMessage(const QString &message);
    void clearStatusMessage();

    [[nodiscard]] DraftSyncStatus syncStatus() const { return m_syncStatus; }
    [[nodiscard]] QString syncStatusMessage() const { return message(m_syncStatus); }

    [[nodiscard]] const std::optional<QUuid> &editingDraftID() const { return m_editingDraftID; }
    [[nodiscard]] QString editingDraftIDText() const;
    [[nodiscard]] bool isEditingDraft() const { return m_editingDraftID.has_value(); }

    [[nodiscard]] const std::optional<QString> &ownerID() const { return m_ownerID; }
    [[nodiscard]] bool isDrainingSyncQueue() const { return m_isDrainingSyncQueue; }
    [[nodiscard]] quint64 localRevision() const { return m_localRevision; }
    [[nodiscard]] const std::optional<QDateTime> &lastSuccessfulSyncAt() const
    {
        return m_lastSuccessfulSyncAt;
    }

    // Switches to the token's account (or to signed out without one): loads its drafts,
    // resets the editor, re-arms parked queue entries, sends the queue and then fetches the
    // server's drafts. The same account with the same access token changes nothing.
    void setSession(const std::optional<LinkedInToken> &token);

    // Resets the editor to the new-post text, detached from any draft, without a message.
    Q_INVOKABLE void startNewPost();
    // Loads `draft` into the editor; the previous text is not saved.
    void openDraft(const Draft &draft);
    // Saves the trimmed editor text as a new draft or into the open one.
    Q_INVOKABLE void saveCurrentDraft();
    // Saves the open draft (if any), then empties the editor.
    Q_INVOKABLE void saveOpenedDraftAndClearEditor();
    // Removes the draft here and queues its deletion on the server.
    void deleteDraft(const Draft &draft);
    // After a publish: removes the open draft, if it is still in the list.
    Q_INVOKABLE void deletePostedDraftIfSaved();
    // After the server deleted the account: removes that account's drafts and queue and the
    // signed-out drafts, and leaves the store signed out.
    void deleteAccountData(const std::optional<QString> &ownerID);

Q_SIGNALS:
    void editorTextChanged();
    void draftsChanged();
    void statusMessageChanged();
    void syncStatusChanged();
    void editingDraftIDChanged();

private:
    // What a sync run works with, fixed when it starts.
    struct SyncRun {
        QString ownerID;
        QString accessToken;
        DraftSyncing *service = nullptr;
        QList<DraftSyncMutation> due;
        bool thenFetchRemote = false;
    };
    // What a fetch of the server's list checks before it applies the answer.
    struct Fetch {
        QString ownerID;
        QString accessToken;
        DraftSyncing *service = nullptr;
        quint64 localRevision = 0;
        QList<Draft> local;
    };
    // The run's results by entry id: absent for an entry the server confirmed, else the
    // entry as marked after a failure.
    using RunResults = QHash<QUuid, std::optional<DraftSyncMutation>>;

    void setDrafts(QList<Draft> drafts);
    void setEditingDraftID(std::optional<QUuid> id);
    void assignStatusMessage(std::optional<QString> message);
    void setSyncStatus(DraftSyncStatus status);
    void loadDrafts();
    void persistDrafts(const std::optional<QString> &ownerID);
    void bumpLocalRevision() { ++m_localRevision; }
    void track(AppTelemetryEvent event, QMap<QString, QString> parameters = {}) const;
    void trackQueueLength(qsizetype length) const;

    void enqueueSync(DraftSyncOperation operation, const QUuid &draftID,
                     const std::optional<Draft> &draft);
    void syncDelete(const QUuid &id);
    void rearmParkedSyncMutations();
    void drainSyncQueue(bool thenFetchRemote);
    void syncFromRemote();
    [[nodiscard]] bool isCurrent(const QString &ownerID, const QString &accessToken) const;
    [[nodiscard]] QList<DraftSyncMutation> reloadQueue(const QString &ownerID,
                                                       const RunResults &results) const;
    QCoro::Task<> runSyncQueue(SyncRun run);
    QCoro::Task<> fetchRemote(Fetch fetch);

    DraftRepository &m_repository;
    DraftSyncing *m_syncService;
    AppTelemetry::Function m_telemetry;
    Clock m_clock;
    Jitter m_jitter;

    QString m_editorText{newPostText};
    QList<Draft> m_drafts;
    std::optional<QString> m_statusMessage;
    DraftSyncStatus m_syncStatus = DraftSyncStatus::localOnly;
    std::optional<QUuid> m_editingDraftID;
    std::optional<QString> m_ownerID;
    std::optional<QString> m_accessToken;
    bool m_isDrainingSyncQueue = false;
    // A run asked for while another was in flight, and whether it wanted a fetch; honoured
    // when the running run ends, so a session switch during a run is not left unsynced.
    std::optional<bool> m_deferredDrain;
    quint64 m_localRevision = 0;
    std::optional<QDateTime> m_lastSuccessfulSyncAt;
};
