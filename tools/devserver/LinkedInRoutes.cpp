#include "LinkedInRoutes.h"

#include "ApiErrors.h"
#include "DevServer.h"

#include <QUrlQuery>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

DevResponse unknownState(int status)
{
    return DevResponse::error(status, u"invalid_state"_s,
                              u"This LinkedIn sign-in is unknown or has expired."_s);
}

// The member id of a disconnect or delete body: {"linkedInId": "<member id>"}.
Result<QString> memberIdOf(const DevRequest &request)
{
    auto object = AppJson::decodeObject(request.body);
    if (!object)
        return fail(object.error());
    auto memberId = JsonReader(*object).string(u"linkedInId"_s);
    if (!memberId)
        return fail(memberId.error());
    if (memberId->isEmpty())
        return fail(Error::decoding(u"empty \"linkedInId\""_s));
    return *memberId;
}

} // namespace

LinkedInRoutes::LinkedInRoutes(DevStore &store, AuthorizationFlows &flows,
                               const SignInPage &signInPage, QUrl origin)
    : m_store(store)
    , m_flows(flows)
    , m_signInPage(signInPage)
    , m_origin(std::move(origin))
{}

void LinkedInRoutes::install(DevServer &server)
{
    server.route("GET", startPath, [this](const DevRequest &request) { return start(request); });
    server.route("GET", callbackPath,
                 [this](const DevRequest &request) { return callback(request); });
    server.routeDeferred("GET", resultPath, [this](const DevRequest &request, DevReply reply) {
        result(request, std::move(reply));
    });
    server.route("POST", disconnectPath,
                 [this](const DevRequest &request) { return disconnect(request); });
    server.route("POST", deletePath,
                 [this](const DevRequest &request) { return deleteAccount(request); });
}

DevResponse LinkedInRoutes::start(const DevRequest &) const
{
    const QString state = m_flows.begin();
    QUrl pollUrl = m_origin.resolved(QUrl(resultPath));
    pollUrl.setQuery(QUrlQuery{{u"state"_s, state}});
    return DevResponse::json({
        {u"authUrl"_s, m_signInPage.pageUrl(state).toString(QUrl::FullyEncoded)},
        {u"state"_s, state},
        {u"redirectUri"_s, m_origin.resolved(QUrl(callbackPath)).toString(QUrl::FullyEncoded)},
        {u"pollUrl"_s, pollUrl.toString(QUrl::FullyEncoded)},
    });
}

DevResponse LinkedInRoutes::callback(const DevRequest &request) const
{
    // The sign-in page settles the flow itself; a callback forwarded here only has to name a
    // flow this server knows, and the application then polls for its result.
    if (!m_flows.find(request.queryValue(u"state"_s)))
        return unknownState(400);
    return DevResponse::html(u"<!doctype html><title>LinkedIn</title>"
                             "<p>LinkedIn sign-in received. You can return to Quillet.</p>"_s);
}

void LinkedInRoutes::result(const DevRequest &request, DevReply reply)
{
    const QString state = request.queryValue(u"state"_s);
    if (state.isEmpty()) {
        reply.send(ApiErrors::invalidRequest(u"The query item \"state\" is missing."_s));
        return;
    }
    const auto *flow = m_flows.find(state);
    if (!flow) {
        reply.send(unknownState(404));
        return;
    }
    // "wait" asks to hold a pending answer that many seconds, two at most.
    bool isNumber = false;
    double seconds = request.queryValue(u"wait"_s).toDouble(&isNumber);
    if (!isNumber || !(seconds > 0))
        seconds = 0;
    const std::chrono::milliseconds wait(
        std::llround(std::min(seconds * 1000, double(longestWait.count()))));
    if (flow->status == AuthorizationFlows::Flow::Status::Pending && wait.count() > 0) {
        m_flows.hold(state, std::move(reply), wait);
        return;
    }
    reply.send(DevResponse::json(flow->resultJson()));
}

DevResponse LinkedInRoutes::disconnect(const DevRequest &request)
{
    const auto memberId = memberIdOf(request);
    if (!memberId)
        return ApiErrors::invalidRequest(memberId.error().description);
    // Disconnecting a member the server does not know, or knows disconnected, succeeds: the
    // member ends up disconnected either way.
    if (!m_store.update([&](DevData &data) { data.revokeTokens(*memberId); }))
        return ApiErrors::storageFailed();
    return DevResponse::json({{u"status"_s, u"disconnected"_s}});
}

DevResponse LinkedInRoutes::deleteAccount(const DevRequest &request)
{
    const auto memberId = memberIdOf(request);
    if (!memberId)
        return ApiErrors::invalidRequest(memberId.error().description);
    if (!m_store.update([&](DevData &data) { data.removeMember(*memberId); }))
        return ApiErrors::storageFailed();
    return DevResponse::json({{u"status"_s, u"deleted"_s}});
}
