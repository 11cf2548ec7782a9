#include "LinkedInProfile.h"

using namespace Qt::StringLiterals;

namespace {

const auto memberIdKey = u"memberId"_s;
const auto nameKey = u"name"_s;
const auto pictureUrlKey = u"pictureUrl"_s;
const auto emailKey = u"email"_s;
const auto headlineKey = u"headline"_s;
const auto localizedHeadlineKey = u"localizedHeadline"_s;

std::optional<QString> trimmedIfAny(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

} // namespace

std::optional<QString> LinkedInProfile::displayHeadline() const
{
    if (auto localized = trimmedIfAny(localizedHeadline))
        return localized;
    return trimmedIfAny(headline);
}

QJsonObject LinkedInProfile::toJson() const
{
    QJsonObject json{{memberIdKey, memberID}, {nameKey, name}};
    const auto insertIfPresent = [&](const QString &key, const std::optional<QString> &value) {
        if (value)
            json.insert(key, *value);
    };
    insertIfPresent(pictureUrlKey, pictureURL);
    insertIfPresent(emailKey, email);
    insertIfPresent(headlineKey, headline);
    insertIfPresent(localizedHeadlineKey, localizedHeadline);
    return json;
}

Result<LinkedInProfile> LinkedInProfile::fromJson(const JsonReader &json)
{
    auto memberID = json.string(memberIdKey);
    if (!memberID)
        return fail(memberID.error());
    auto name = json.string(nameKey);
    if (!name)
        return fail(name.error());
    auto pictureURL = json.optionalString(pictureUrlKey);
    if (!pictureURL)
        return fail(pictureURL.error());
    auto email = json.optionalString(emailKey);
    if (!email)
        return fail(email.error());
    auto headline = json.optionalString(headlineKey);
    if (!headline)
        return fail(headline.error());
    auto localizedHeadline = json.optionalString(localizedHeadlineKey);
    if (!localizedHeadline)
        return fail(localizedHeadline.error());
    return LinkedInProfile{*memberID, *name, *pictureURL, *email, *headline, *localizedHeadline};
}
