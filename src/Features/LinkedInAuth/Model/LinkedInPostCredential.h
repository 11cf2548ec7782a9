#pragma once

#include <QString>

// What publishing needs from the connected account: its access token and member id.
struct LinkedInPostCredential {
    QString accessToken;
    QString memberID;

    friend bool operator==(const LinkedInPostCredential &,
                           const LinkedInPostCredential &) = default;
};
