#pragma once

#include "AuthorizationFlows.h"
#include "DevStore.h"
#include "SignInPage.h"

#include <QLatin1StringView>
#include <QUrl>

#include <chrono>

class DevServer;
class DevReply;
struct DevRequest;
struct DevResponse;

// Connecting a LinkedIn account (start a flow, the forwarded callback, the flow's result) and
// the two account operations by member id: disconnect and account deletion.
class LinkedInRoutes {
public:
    static constexpr QLatin1StringView startPath{"/api/linkedin/cli/start"};
    static constexpr QLatin1StringView callbackPath{"/api/linkedin/callback"};
    static constexpr QLatin1StringView resultPath{"/api/linkedin/cli/result"};
    static constexpr QLatin1StringView disconnectPath{"/api/linkedin/disconnect"};
    static constexpr QLatin1StringView deletePath{"/api/account/delete"};
    // The longest a result request is held while its flow is pending.
    static constexpr std::chrono::milliseconds longestWait{2000};

    LinkedInRoutes(DevStore &store, AuthorizationFlows &flows, const SignInPage &signInPage,
                   QUrl origin);

    void install(DevServer &server);

private:
    [[nodiscard]] DevResponse start(const DevRequest &request) const;
    [[nodiscard]] DevResponse callback(const DevRequest &request) const;
    void result(const DevRequest &request, DevReply reply);
    [[nodiscard]] DevResponse disconnect(const DevRequest &request);
    [[nodiscard]] DevResponse deleteAccount(const DevRequest &request);

    DevStore &m_store;
    AuthorizationFlows &m_flows;
    const SignInPage &m_signInPage;
    QUrl m_origin;
};
