#include "SyncedDraftsService.h"

#include "AppJson.h"
#include "ErrorEnvelope.h"
#include "Http.h"

using namespace Qt::StringLiterals;

namespace {

// The wire form of a draft. Its "id" is any string: an entry whose id is no UUID still
// decodes, but has no draft form.
struct SyncedDraft {
    QString id;
    QString body;
    QDateTime createdAt;
    QDateTime updatedAt;

    static SyncedDraft from(const Draft &draft)
    {
        return {AppJson::encodeUuid(draft.id), draft.body, draft.createdAt, draft.updatedAt};
    }

    [[nodiscard]] QJsonObject toJson() const
    {
        return {
            {u"id"_s, id},
            {u"body"_s, body},
            {u"createdAt"_s, AppJson::encodeDate(createdAt)},
            {u"updatedAt"_s, AppJson::encodeDate(updatedAt)},
        };
    }

    static Result<SyncedDraft> fromJson(const JsonReader &json)
    {
        auto id = json.string(u"id"_s);
        if (!id)
            return fail(id.error());
        auto body = json.string(u"body"_s);
        if (!body)
            return fail(body.error());
        auto createdAt = json.date(u"createdAt"_s);
        if (!createdAt)
            return fail(createdAt.error());
        auto updatedAt = json.date(u"updatedAt"_s);
        if (!updatedAt)
            return fail(updatedAt.error());
        return SyncedDraft{*id, *body, *createdAt, *updatedAt};
    }

    [[nodiscard]] std::optional<Draft> draft() const
    {
        const auto uuid = AppJson::decodeUuid(id);
        if (!uuid)
            return std::nullopt;
        return Draft{*uuid, body, createdAt, updatedAt};
    }
};

} // namespace

SyncedDraftsService::SyncedDraftsService(QUrl apiBaseURL, std::chrono::milliseconds timeout)
    : m_apiBaseURL(std::move(apiBaseURL))
    , m_timeout(timeout)
{}

HttpRequest SyncedDraftsService::authorizedRequest(const QString &path,
                                                   const QString &accessToken) const
{
    HttpRequest request;
    request.url = Http::url(m_apiBaseURL, path);
    request.timeout = m_timeout;
    request.setBearerToken(accessToken);
    return request;
}

QString SyncedDraftsService::draftPath(const QUuid &id)
{
    return draftsPath + u'/' + AppJson::encodeUuid(id);
}

Result<void> SyncedDraftsService::validate(const HttpResponse &response)
{
    if (Http::isSuccess(response.status))
        return {};
    return fail(Error::service(SyncedDraftsError::server,
                               ErrorEnvelope::message(response.body, fallbackMessage)));
}

QCoro::Task<Result<QList<Draft>>> SyncedDraftsService::listDrafts(QString accessToken)
{
    HttpRequest request = authorizedRequest(draftsPath, accessToken);
    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (const auto valid = validate(*response); !valid)
        co_return fail(valid.error());

    co_return decodeDraftList(response->body);
}

QCoro::Task<Result<Draft>> SyncedDraftsService::upsertDraft(Draft draft, QString accessToken)
{
    HttpRequest request = authorizedRequest(draftPath(draft.id), accessToken);
    request.method = QByteArrayLiteral("PUT");
    request.setJsonBody(AppJson::encode(SyncedDraft::from(draft).toJson()));
    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (const auto valid = validate(*response); !valid)
        co_return fail(valid.error());

    co_return decodeUpsertAnswer(response->body, draft);
}

Result<QList<Draft>> SyncedDraftsService::decodeDraftList(const QByteArray &body)
{
    auto object = AppJson::decodeObject(body);
    if (!object)
        return fail(object.error());
    const JsonReader json(std::move(*object));
    const auto entries = json.array(draftsKey);
    if (!entries)
        return fail(entries.error());

    QList<Draft> drafts;
    drafts.reserve(entries->size());
    for (qsizetype i = 0; i < entries->size(); ++i) {
        const auto entry = json.element(draftsKey, *entries, i);
        if (!entry)
            return fail(entry.error());
        const auto synced = SyncedDraft::fromJson(*entry);
        if (!synced)
            return fail(synced.error());
        if (auto draft = synced->draft())
            drafts.append(std::move(*draft));
    }
    return drafts;
}

Result<Draft> SyncedDraftsService::decodeUpsertAnswer(const QByteArray &body, const Draft &sent)
{
    auto object = AppJson::decodeObject(body);
    if (!object)
        return fail(object.error());
    const auto synced = SyncedDraft::fromJson(JsonReader(std::move(*object)));
    if (!synced)
        return fail(synced.error());
    return synced->draft().value_or(sent);
}

QCoro::Task<Result<void>> SyncedDraftsService::deleteDraft(QUuid id, QString accessToken)
{
    HttpRequest request = authorizedRequest(draftPath(id), accessToken);
    request.method = QByteArrayLiteral("DELETE");
    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    co_return validate(*response);
}
