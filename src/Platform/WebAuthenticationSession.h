#pragma once

#include "Result.h"

#include <QString>
#include <QUrl>

#include <qcorotask.h>

// A sheet in which the user signs in on a web page, over the application's window. It opens a
// page and ends when the page navigates to an address under the caller's callback scheme, when
// the user closes it, or when it cannot be shown. An interface, so that code that signs in can
// be tested against a scripted sheet.
class WebAuthenticationSession {
public:
    // The sheet's own failures, as `Error::code` of a service error.
    enum class Failure {
        cancelled,     // the user closed the sheet
        missingWindow, // the sheet could not be shown
        failedToLoad,  // the page could not be opened (no connection, unknown host, ...)
    };

    WebAuthenticationSession() = default;
    WebAuthenticationSession(const WebAuthenticationSession &) = delete;
    WebAuthenticationSession &operator=(const WebAuthenticationSession &) = delete;
    virtual ~WebAuthenticationSession() = default;

    // Opens `url` and ends with the first address under `callbackScheme` that the page
    // navigates to; the sheet is closed by then. An empty URL means that the sheet ended
    // without one. `ephemeral` signs in without the cookies and website data of earlier
    // sign-ins, and keeps none afterwards.
    [[nodiscard]] virtual QCoro::Task<Result<QUrl>> start(QUrl url, QString callbackScheme,
                                                          bool ephemeral) = 0;
};
