#pragma once

#include "AppJson.h"
#include "LinkedInProfile.h"
#include "Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// A connected LinkedIn account: the access token, the member's profile and when the account
// was connected. The same JSON form comes from the server and is kept in the keychain.
// The token stays usable until it is replaced or removed; `expiresIn` is carried, not used.
struct LinkedInToken {
    QString accessToken;
    std::optional<QString> idToken;
    std::optional<QString> tokenType;
    std::optional<QString> scope;
    std::optional<qint64> expiresIn; // seconds, as received
    LinkedInProfile profile;
    QDateTime connectedAt;

    // JSON keys equal the member names; "profile" is the nested profile object. Absent
    // optionals are left out, and read back absent when missing or null.
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static Result<LinkedInToken> fromJson(const JsonReader &json);

    // The compact UTF-8 JSON text, and back.
    [[nodiscard]] QByteArray encoded() const;
    [[nodiscard]] static Result<LinkedInToken> decode(const QByteArray &bytes);

    friend bool operator==(const LinkedInToken &, const LinkedInToken &) = default;
};
