#pragma once

#include "AuthorizationFlows.h"
#include "DevStore.h"

#include <QLatin1StringView>
#include <QString>
#include <QUrl>

class DevServer;
struct DevRequest;
struct DevResponse;

// The development stand-in for LinkedIn's sign-in page: a form that signs in as a test member
// (name, headline, e-mail, picture address), or declines. Submitting it settles the flow of its
// state, as LinkedIn and the production server would together, and sends the browser on to the
// application's callback scheme, which ends the sign-in sheet.
class SignInPage {
public:
    static constexpr QLatin1StringView pagePath{"/dev/linkedin/authorize"};
    // A generated profile picture, so that a test member has one without going online.
    static constexpr QLatin1StringView picturePath{"/dev/linkedin/picture.png"};
    // The error of a flow the member declined.
    static constexpr QLatin1StringView declinedError{"user_cancelled_authorize"};

    // What the form holds; also what a page shows again when a value is refused.
    struct Form {
        QString state;
        QString name;
        QString headline;
        QString email;
        QString pictureUrl;
    };

    SignInPage(DevStore &store, AuthorizationFlows &flows, QUrl origin, QString callbackScheme);

    void install(DevServer &server);

    // The page that opens the sign-in of the flow `state`.
    [[nodiscard]] QUrl pageUrl(const QString &state) const;

private:
    [[nodiscard]] DevResponse show(const DevRequest &request) const;
    [[nodiscard]] DevResponse submit(const DevRequest &request);
    [[nodiscard]] DevResponse signIn(const Form &form);
    // Where the browser goes once the flow is settled; see the definition for its address.
    [[nodiscard]] QUrl callbackUrl(const QString &state, const QString &error = {}) const;

    DevStore &m_store;
    AuthorizationFlows &m_flows;
    QUrl m_origin;
    QString m_callbackScheme;
};
