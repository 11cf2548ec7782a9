#pragma once

#include "AppJson.h"
#include "Result.h"

#include <QLatin1StringView>
#include <QString>
#include <QUrl>

// The server's answer to the start of a LinkedIn connection: the authorization page to open
// and the flow state to poll with. All four keys are required.
struct StartResponse {
    static constexpr QLatin1StringView authURLKey{"authUrl"};
    static constexpr QLatin1StringView stateKey{"state"};
    static constexpr QLatin1StringView redirectURIKey{"redirectUri"};
    static constexpr QLatin1StringView pollURLKey{"pollUrl"};

    QUrl authURL;
    QString state;
    QUrl redirectURI; // checked to be an address, not used further
    QString pollURL;  // required, not used: results are asked for under the API's base URL

    // `authUrl` must be an absolute http or https address, since it is opened in a browser
    // view; `redirectUri` any valid address.
    [[nodiscard]] static Result<StartResponse> fromJson(const JsonReader &json);
};
