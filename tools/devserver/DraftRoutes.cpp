#include "DraftRoutes.h"

#include "ApiErrors.h"
#include "DevServer.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

std::optional<QString> memberOf(const DevRequest &request, const DevData &data)
{
    const auto token = request.bearerToken();
    return token ? data.memberForToken(*token) : std::nullopt;
}

} // namespace

DraftRoutes::DraftRoutes(DevStore &store)
    : m_store(store)
{}

void DraftRoutes::install(DevServer &server)
{
    const QString onePath = draftsPath + u"/([^/]+)"_s;
    server.route("GET", draftsPath, [this](const DevRequest &request) { return list(request); });
    server.route("PUT", onePath, [this](const DevRequest &request) { return upsert(request); });
    server.route("DELETE", onePath, [this](const DevRequest &request) { return remove(request); });
}

DevResponse DraftRoutes::list(const DevRequest &request) const
{
    const auto member = memberOf(request, m_store.data());
    if (!member)
        return ApiErrors::invalidToken();
    QList<Draft> drafts = m_store.data().drafts.value(*member).values();
    std::ranges::stable_sort(drafts, std::ranges::greater(), &Draft::updatedAt);
    QJsonArray list;
    for (const Draft &draft : drafts)
        list.append(draft.toJson());
    return DevResponse::json({{u"drafts"_s, list}});
}

DevResponse DraftRoutes::upsert(const DevRequest &request)
{
    const auto member = memberOf(request, m_store.data());
    if (!member)
        return ApiErrors::invalidToken();
    const auto id = AppJson::decodeUuid(request.captures.value(0));
    if (!id)
        return ApiErrors::invalidRequest(
            u"\"%1\" is not a draft id (a UUID)."_s.arg(request.captures.value(0)));
    const auto object = AppJson::decodeObject(request.body);
    if (!object)
        return ApiErrors::invalidRequest(object.error().description);
    const auto draft = Draft::fromJson(JsonReader(*object));
    if (!draft)
        return ApiErrors::invalidRequest(draft.error().description);
    if (draft->id != *id)
        return ApiErrors::invalidRequest(u"The draft's \"id\" differs from the id in the path."_s);

    // The newer copy wins, so a change queued long ago on another machine cannot overwrite a
    // later edit; the caller merges the copy it gets back.
    const auto stored = m_store.data().drafts.value(*member).value(*id);
    if (stored.id == *id && stored.updatedAt > draft->updatedAt)
        return DevResponse::json(stored.toJson());
    if (!m_store.update([&](DevData &data) { data.drafts[*member].insert(*id, *draft); }))
        return ApiErrors::storageFailed();
    return DevResponse::json(draft->toJson());
}

DevResponse DraftRoutes::remove(const DevRequest &request)
{
    const auto member = memberOf(request, m_store.data());
    if (!member)
        return ApiErrors::invalidToken();
    const auto id = AppJson::decodeUuid(request.captures.value(0));
    if (!id)
        return ApiErrors::invalidRequest(
            u"\"%1\" is not a draft id (a UUID)."_s.arg(request.captures.value(0)));
    // Deleting a draft the server does not hold succeeds: a retried delete whose first answer
    // was lost must not fail forever.
    if (m_store.data().drafts.value(*member).contains(*id) &&
        !m_store.update([&](DevData &data) { data.drafts[*member].remove(*id); }))
        return ApiErrors::storageFailed();
    return DevResponse::empty(204);
}
