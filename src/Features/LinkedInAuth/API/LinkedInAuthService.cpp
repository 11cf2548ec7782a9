#include "LinkedInAuthService.h"

#include "AppJson.h"
#include "DisconnectRequest.h"
#include "ErrorEnvelope.h"
#include "Http.h"
#include "LinkedInAuthError.h"
#include "ResultEnvelope.h"

using namespace Qt::StringLiterals;

LinkedInAuthService::LinkedInAuthService(QUrl apiBaseURL, QString callbackURLScheme,
                                         LinkedInTokenStore &tokenStore,
                                         WebAuthenticationSession &sheet)
    : m_apiBaseURL(std::move(apiBaseURL))
    , m_callbackURLScheme(std::move(callbackURLScheme))
    , m_tokenStore(tokenStore)
    , m_sheet(sheet)
{}

void LinkedInAuthService::requireEphemeralSignInOnce()
{
    m_requiresEphemeralSignIn = true;
}

Result<void> LinkedInAuthService::validate(const HttpResponse &response)
{
    if (Http::isSuccess(response.status))
        return {};
    const QString fallback =
        LinkedInAuthErrorText::requestFailedPrefix + QString::number(response.status) + u'.';
    return fail(linkedInAuthError(LinkedInAuthError::server,
                                  ErrorEnvelope::message(response.body, fallback)));
}

QCoro::Task<Result<LinkedInToken>> LinkedInAuthService::signIn()
{
    const auto start = co_await startFlow();
    if (!start)
        co_return fail(start.error());

    const auto callbackURL = co_await openAuthorization(start->authURL);
    if (!callbackURL)
        co_return fail(callbackURL.error());

    if (!callbackURL->isEmpty()) {
        const auto forwarded = co_await completeInterceptedCallback(*callbackURL);
        if (!forwarded)
            co_return fail(forwarded.error());
    }

    auto token = co_await pollResult(start->state);
    if (!token)
        co_return fail(token.error());
    m_tokenStore.save(*token);
    co_return *token;
}

QCoro::Task<Result<StartResponse>> LinkedInAuthService::startFlow()
{
    HttpRequest request;
    request.url = Http::url(m_apiBaseURL, startPath);
    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    if (const auto valid = validate(*response); !valid)
        co_return fail(valid.error());
    auto object = AppJson::decodeObject(response->body);
    if (!object)
        co_return fail(object.error());
    co_return StartResponse::fromJson(JsonReader(std::move(*object)));
}

QCoro::Task<Result<QUrl>> LinkedInAuthService::openAuthorization(QUrl authURL)
{
    // The preference is used up by this sheet, whether or not it manages to open.
    const bool ephemeral = std::exchange(m_requiresEphemeralSignIn, false);
    auto callbackURL = co_await m_sheet.start(std::move(authURL), m_callbackURLScheme, ephemeral);
    if (!callbackURL) {
        if (callbackURL.error().is(WebAuthenticationSession::Failure::cancelled))
            co_return fail(linkedInAuthError(LinkedInAuthError::cancelled));
        if (callbackURL.error().is(WebAuthenticationSession::Failure::missingWindow))
            co_return fail(linkedInAuthError(LinkedInAuthError::missingWindow));
        co_return fail(callbackURL.error());
    }
    co_return *callbackURL;
}

bool LinkedInAuthService::isServerCallback(const QUrl &callbackURL) const
{
    // Both hosts absent count as equal: QUrl gives an empty host for either.
    return callbackURL.host() == m_apiBaseURL.host() && callbackURL.path() == callbackPath;
}

QCoro::Task<Result<void>> LinkedInAuthService::completeInterceptedCallback(QUrl callbackURL)
{
    if (!isServerCallback(callbackURL))
        co_return Result<void>{};

    // The callback usually arrives under the application's own scheme, which no HTTP client
    // can fetch: it is delivered to the server under the API's scheme and port instead, with
    // host, path and query as they came. An http or https callback is fetched unchanged.
    QUrl target = callbackURL;
    if (target.scheme() != "http"_L1 && target.scheme() != "https"_L1) {
        target.setScheme(m_apiBaseURL.scheme());
        target.setPort(m_apiBaseURL.port());
    }
    HttpRequest request;
    request.url = target;
    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    co_return validate(*response);
}

QCoro::Task<Result<LinkedInToken>> LinkedInAuthService::pollResult(QString state)
{
    const QUrl resultURL = Http::url(m_apiBaseURL, resultPath,
                                     {{stateQueryItem, state}, {waitQueryItem, waitSeconds}});
    if (!resultURL.isValid() || resultURL.isEmpty())
        co_return fail(linkedInAuthError(LinkedInAuthError::invalidStartURL));

    // Back to back, with no pause of our own: the server holds each request for a while.
    for (int attempt = 0;; ++attempt) {
        HttpRequest request;
        request.url = resultURL;
        const auto response = co_await Http::send(std::move(request));
        if (!response)
            co_return fail(response.error());
        if (const auto valid = validate(*response); !valid)
            co_return fail(valid.error());
        auto object = AppJson::decodeObject(response->body);
        if (!object)
            co_return fail(object.error());
        auto result = ResultEnvelope::fromJson(JsonReader(std::move(*object)));
        if (!result)
            co_return fail(result.error());

        if (result->status == ResultEnvelope::done) {
            if (!result->token)
                co_return fail(linkedInAuthError(LinkedInAuthError::server,
                                                 LinkedInAuthErrorText::tokenMissing));
            co_return std::move(*result->token);
        }
        if (result->status == ResultEnvelope::pending) {
            if (attempt + 1 >= maxResultRequests)
                co_return fail(linkedInAuthError(LinkedInAuthError::timedOut));
            continue;
        }
        if (result->status == ResultEnvelope::failed) {
            const QString message = result->errorDescription.value_or(
                result->error.value_or(LinkedInAuthErrorText::authorizationFailed));
            co_return fail(linkedInAuthError(LinkedInAuthError::server, message));
        }
        co_return fail(
            linkedInAuthError(LinkedInAuthError::server, LinkedInAuthErrorText::unexpectedStatus));
    }
}

QCoro::Task<Result<void>> LinkedInAuthService::postMember(QString path, QString memberID)
{
    HttpRequest request;
    request.method = QByteArrayLiteral("POST");
    request.url = Http::url(m_apiBaseURL, path);
    request.timeout = accountRequestTimeout;
    request.setJsonBody(AppJson::encode(DisconnectRequest{memberID}.toJson()));
    const auto response = co_await Http::send(std::move(request));
    if (!response)
        co_return fail(response.error());
    co_return validate(*response);
}

QCoro::Task<Result<void>> LinkedInAuthService::disconnect(QString memberID)
{
    return postMember(disconnectPath, std::move(memberID));
}

QCoro::Task<Result<void>> LinkedInAuthService::deleteAccount(QString memberID)
{
    return postMember(deleteAccountPath, std::move(memberID));
}
