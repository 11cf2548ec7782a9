#include "LinkedInToken.h"

using namespace Qt::StringLiterals;

namespace {

const auto accessTokenKey = u"accessToken"_s;
const auto idTokenKey = u"idToken"_s;
const auto tokenTypeKey = u"tokenType"_s;
const auto scopeKey = u"scope"_s;
const auto expiresInKey = u"expiresIn"_s;
const auto profileKey = u"profile"_s;
const auto connectedAtKey = u"connectedAt"_s;

Result<std::optional<qint64>> optionalInteger(const JsonReader &json, const QString &key)
{
    const QJsonValue value = json.json().value(key);
    if (value.isUndefined() || value.isNull())
        return std::optional<qint64>();
    auto integer = json.integer(key);
    if (!integer)
        return fail(integer.error());
    return std::optional<qint64>(*integer);
}

} // namespace

QJsonObject LinkedInToken::toJson() const
{
    QJsonObject json{
        {accessTokenKey, accessToken},
        {profileKey, profile.toJson()},
        {connectedAtKey, AppJson::encodeDate(connectedAt)},
    };
    const auto insertIfPresent = [&](const QString &key, const std::optional<QString> &value) {
        if (value)
            json.insert(key, *value);
    };
    insertIfPresent(idTokenKey, idToken);
    insertIfPresent(tokenTypeKey, tokenType);
    insertIfPresent(scopeKey, scope);
    if (expiresIn)
        json.insert(expiresInKey, *expiresIn);
    return json;
}

Result<LinkedInToken> LinkedInToken::fromJson(const JsonReader &json)
{
    auto accessToken = json.string(accessTokenKey);
    if (!accessToken)
        return fail(accessToken.error());
    auto idToken = json.optionalString(idTokenKey);
    if (!idToken)
        return fail(idToken.error());
    auto tokenType = json.optionalString(tokenTypeKey);
    if (!tokenType)
        return fail(tokenType.error());
    auto scope = json.optionalString(scopeKey);
    if (!scope)
        return fail(scope.error());
    auto expiresIn = optionalInteger(json, expiresInKey);
    if (!expiresIn)
        return fail(expiresIn.error());
    auto profileJson = json.object(profileKey);
    if (!profileJson)
        return fail(profileJson.error());
    auto profile = LinkedInProfile::fromJson(*profileJson);
    if (!profile)
        return fail(profile.error());
    auto connectedAt = json.date(connectedAtKey);
    if (!connectedAt)
        return fail(connectedAt.error());
    return LinkedInToken{*accessToken, *idToken, *tokenType,  *scope,
                         *expiresIn,   *profile, *connectedAt};
}

QByteArray LinkedInToken::encoded() const
{
    return AppJson::encode(toJson());
}

Result<LinkedInToken> LinkedInToken::decode(const QByteArray &bytes)
{
    auto object = AppJson::decodeObject(bytes);
    if (!object)
        return fail(object.error());
    return fromJson(JsonReader(*object));
}
