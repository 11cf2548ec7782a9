#pragma once

#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>

// The body of the disconnect and account-deletion requests: the member id, and nothing else.
struct DisconnectRequest {
    static constexpr QLatin1StringView linkedInIDKey{"linkedInId"};

    QString linkedInID;

    [[nodiscard]] QJsonObject toJson() const { return {{linkedInIDKey, linkedInID}}; }
};
