#pragma once

#include "AppJson.h"
#include "Result.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// The LinkedIn member behind a connection, as the server reports it.
struct LinkedInProfile {
    QString memberID;
    QString name;
    std::optional<QString> pictureURL; // address of the photo, kept as text
    std::optional<QString> email;
    std::optional<QString> headline;
    std::optional<QString> localizedHeadline;

    // The headline to show: the localised one trimmed, else the plain one trimmed, whichever
    // is first to leave any characters; absent when neither does.
    [[nodiscard]] std::optional<QString> displayHeadline() const;

    // JSON form: "memberId", "name", "pictureUrl", "email", "headline", "localizedHeadline";
    // absent optionals are left out, and read back absent when missing or null.
    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static Result<LinkedInProfile> fromJson(const JsonReader &json);

    friend bool operator==(const LinkedInProfile &, const LinkedInProfile &) = default;
};
