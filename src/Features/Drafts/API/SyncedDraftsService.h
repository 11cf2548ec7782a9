#pragma once

#include "DraftSyncing.h"
#include "HttpRequest.h"
#include "HttpResponse.h"
#include "SyncedDraftsError.h"

#include <QLatin1StringView>
#include <QUrl>

#include <chrono>

// DraftSyncing over the maker's server: one request per call through the shared HTTP client,
// with the account's token as a bearer credential. Stateless; no retry, no queue, no cache of
// its own (retrying is the sync queue's business).
class SyncedDraftsService final : public DraftSyncing {
public:
    static constexpr std::chrono::milliseconds defaultTimeout = std::chrono::seconds(15);
    static constexpr QLatin1StringView draftsPath{"/api/drafts"};
    // The message of a failing answer whose body is no error envelope.
    static constexpr QLatin1StringView fallbackMessage{"Draft sync failed."};
    static constexpr QLatin1StringView draftsKey{"drafts"};

    // `timeout` is the same for every call; only tests choose another one.
    explicit SyncedDraftsService(QUrl apiBaseURL,
                                 std::chrono::milliseconds timeout = defaultTimeout);

    [[nodiscard]] const QUrl &apiBaseURL() const { return m_apiBaseURL; }
    [[nodiscard]] std::chrono::milliseconds timeout() const { return m_timeout; }

    // GET /api/drafts. Entries whose "id" is no UUID are left out; any other malformed entry
    // fails the whole list with a decoding error.
    [[nodiscard]] QCoro::Task<Result<QList<Draft>>> listDrafts(QString accessToken) override;
    // PUT /api/drafts/<ID> with the draft as JSON. An answer whose "id" is no UUID gives back
    // the draft that was sent.
    [[nodiscard]] QCoro::Task<Result<Draft>> upsertDraft(Draft draft, QString accessToken) override;
    // DELETE /api/drafts/<ID>; the answer's body is not read.
    [[nodiscard]] QCoro::Task<Result<void>> deleteDraft(QUuid id, QString accessToken) override;

    // The body of a successful list answer, read as listDrafts() reads it.
    [[nodiscard]] static Result<QList<Draft>> decodeDraftList(const QByteArray &body);
    // The body of a successful upsert answer; `sent` when its "id" is no UUID.
    [[nodiscard]] static Result<Draft> decodeUpsertAnswer(const QByteArray &body,
                                                          const Draft &sent);

private:
    [[nodiscard]] HttpRequest authorizedRequest(const QString &path,
                                                const QString &accessToken) const;
    [[nodiscard]] static QString draftPath(const QUuid &id);
    // A 2xx answer passes; any other status is `server` with the envelope's message, or
    // fallbackMessage when the body is no envelope.
    [[nodiscard]] static Result<void> validate(const HttpResponse &response);

    QUrl m_apiBaseURL;
    std::chrono::milliseconds m_timeout;
};
