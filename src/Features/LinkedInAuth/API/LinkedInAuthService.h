#pragma once

#include "AccountAuthServicing.h"
#include "HttpResponse.h"
#include "LinkedInTokenStore.h"
#include "Result.h"
#include "StartResponse.h"
#include "WebAuthenticationSession.h"

#include <QLatin1StringView>
#include <QString>
#include <QUrl>

#include <chrono>

// Connects a LinkedIn account through the maker's server, and tells the server to disconnect
// an account or delete it. A connection runs in four steps: the server opens a flow; the user
// signs in on the flow's authorization page in the sign-in sheet; a callback addressed to the
// server is handed on to it; the server is asked for the flow's result, back to back, until it
// is done, failed or out of attempts. The token is saved in the token store before it is
// returned; putting it in the session store is the caller's business.
//
// None of the requests carries an Authorization header. Main thread only; nothing guards
// against two sign-ins at once (the screens disable their button while one runs).
class LinkedInAuthService final : public AccountAuthServicing {
public:
    static constexpr QLatin1StringView startPath{"/api/linkedin/cli/start"};
    static constexpr QLatin1StringView callbackPath{"/api/linkedin/callback"};
    static constexpr QLatin1StringView resultPath{"/api/linkedin/cli/result"};
    static constexpr QLatin1StringView disconnectPath{"/api/linkedin/disconnect"};
    static constexpr QLatin1StringView deleteAccountPath{"/api/account/delete"};
    static constexpr QLatin1StringView stateQueryItem{"state"};
    static constexpr QLatin1StringView waitQueryItem{"wait"};
    // How long the server may hold one result request, in seconds.
    static constexpr QLatin1StringView waitSeconds{"2"};
    static constexpr int maxResultRequests = 45;
    static constexpr std::chrono::milliseconds accountRequestTimeout = std::chrono::seconds(60);

    LinkedInAuthService(QUrl apiBaseURL, QString callbackURLScheme, LinkedInTokenStore &tokenStore,
                        WebAuthenticationSession &sheet);

    [[nodiscard]] const QUrl &apiBaseURL() const { return m_apiBaseURL; }
    [[nodiscard]] const QString &callbackURLScheme() const { return m_callbackURLScheme; }
    [[nodiscard]] bool requiresEphemeralSignIn() const { return m_requiresEphemeralSignIn; }

    [[nodiscard]] QCoro::Task<Result<LinkedInToken>> signIn() override;
    // POST /api/linkedin/disconnect with the member id.
    [[nodiscard]] QCoro::Task<Result<void>> disconnect(QString memberID) override;
    // POST /api/account/delete with the member id.
    [[nodiscard]] QCoro::Task<Result<void>> deleteAccount(QString memberID) override;
    void requireEphemeralSignInOnce() override;

private:
    [[nodiscard]] QCoro::Task<Result<StartResponse>> startFlow();
    // The callback URL that ended the sheet; empty when it ended without one.
    [[nodiscard]] QCoro::Task<Result<QUrl>> openAuthorization(QUrl authURL);
    [[nodiscard]] QCoro::Task<Result<void>> completeInterceptedCallback(QUrl callbackURL);
    [[nodiscard]] QCoro::Task<Result<LinkedInToken>> pollResult(QString state);
    [[nodiscard]] QCoro::Task<Result<void>> postMember(QString path, QString memberID);

    // Whether `callbackURL` names the server's own callback: the API's host and the callback
    // path, both compared exactly.
    [[nodiscard]] bool isServerCallback(const QUrl &callbackURL) const;
    // A 2xx answer passes; any other is `server` with the error envelope's message, or
    // "Request failed with status <code>." when the body is no envelope.
    [[nodiscard]] static Result<void> validate(const HttpResponse &response);

    QUrl m_apiBaseURL;
    QString m_callbackURLScheme;
    LinkedInTokenStore &m_tokenStore;
    WebAuthenticationSession &m_sheet;
    bool m_requiresEphemeralSignIn = false;
};
