#pragma once

#include "AppJson.h"
#include "Draft.h"
#include "Result.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QUuid>

#include <optional>

// Everything the development server keeps between runs, and its JSON form in the data file:
//   {"format": 1,
//    "members": {"<member id>": <LinkedInProfile JSON>},
//    "tokens":  {"<SHA-256 of an access token, hex>": "<member id>"},
//    "drafts":  {"<member id>": [<draft JSON>, ...]},
//    "posts":    [{"id", "memberId", "commentary", "timezone", "publishedAt"}, ...],
//    "feedback": [{"id", "receivedAt", "name", "linkedInId", "email", "title", "message",
//                  "attachments": [{"filename", "size", "content"}]}, ...]}
// Access tokens are kept only as digests, so the file holds no usable credential.
struct DevData {
    static constexpr int format = 1;

    QMap<QString, QJsonObject> members;
    QMap<QString, QString> tokens;
    QMap<QString, QMap<QUuid, Draft>> drafts;
    QJsonArray posts;
    QJsonArray feedback;

    [[nodiscard]] QJsonObject toJson() const;
    [[nodiscard]] static Result<DevData> fromJson(const JsonReader &json);

    [[nodiscard]] static QString tokenDigest(const QString &accessToken);
    [[nodiscard]] std::optional<QString> memberForToken(const QString &accessToken) const;
    void issueToken(const QString &accessToken, const QString &memberId);
    // Every token of the member stops working; its profile and drafts stay.
    void revokeTokens(const QString &memberId);
    // Tokens, profile and drafts of the member go. Posts stay: they stand for what is
    // published on LinkedIn, which deleting the account here does not take back.
    void removeMember(const QString &memberId);
};
