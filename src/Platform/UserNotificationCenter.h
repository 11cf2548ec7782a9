#pragma once

#include "Result.h"

#include <QMap>
#include <QString>

#include <qcorotask.h>

// The desktop's local notifications, as the reminder uses them: ask whether notifications may
// be shown, then add a request, which is shown at once. A request with the identifier of an
// earlier one replaces it instead of showing a second notification. An interface, so that
// code that shows notifications can be tested against a scripted centre.
class UserNotificationCenter {
public:
    // The centre's own failures, as `Error::code` of a service error.
    enum class Failure {
        serviceUnavailable, // no session bus, no notification service, or no answer in time
        requestRejected,    // the service answered the request with an error
    };

    struct Request {
        // Requests with equal identifiers replace each other.
        QString identifier;
        QString title;
        QString body;
        // Whether the desktop's default notification sound accompanies it.
        bool playsDefaultSound = false;
        // Carried with the notification for whoever handles it (for example "deeplink").
        QMap<QString, QString> userInfo = {};

        friend bool operator==(const Request &, const Request &) = default;
    };

    virtual ~UserNotificationCenter() = default;

    // True when notifications with an alert and a sound may be shown.
    [[nodiscard]] virtual QCoro::Task<Result<bool>> requestAuthorization() = 0;

    // Shows the request now, replacing an earlier request with the same identifier.
    [[nodiscard]] virtual QCoro::Task<Result<void>> add(Request request) = 0;
};
