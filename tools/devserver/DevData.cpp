#include "DevData.h"

#include <QCryptographicHash>

using namespace Qt::StringLiterals;

namespace {

constexpr auto formatKey = "format"_L1;
constexpr auto membersKey = "members"_L1;
constexpr auto tokensKey = "tokens"_L1;
constexpr auto draftsKey = "drafts"_L1;
constexpr auto postsKey = "posts"_L1;
constexpr auto feedbackKey = "feedback"_L1;

// The optional object member `key` of `json`, as a reader; an absent one reads as empty.
Result<JsonReader> section(const JsonReader &json, const QString &key)
{
    auto object = json.optionalObject(key);
    if (!object)
        return fail(object.error());
    return object->value_or(JsonReader({}, json.pathOf(key)));
}

Result<QJsonArray> records(const JsonReader &json, const QString &key)
{
    if (!json.contains(key))
        return QJsonArray();
    auto array = json.array(key);
    if (!array)
        return fail(array.error());
    for (qsizetype i = 0; i < array->size(); ++i) {
        auto element = json.element(key, *array, i);
        if (!element)
            return fail(element.error());
    }
    return *array;
}

} // namespace

QJsonObject DevData::toJson() const
{
    QJsonObject memberObject;
    for (auto it = members.cbegin(); it != members.cend(); ++it)
        memberObject.insert(it.key(), it.value());
    QJsonObject tokenObject;
    for (auto it = tokens.cbegin(); it != tokens.cend(); ++it)
        tokenObject.insert(it.key(), it.value());
    QJsonObject draftObject;
    for (auto it = drafts.cbegin(); it != drafts.cend(); ++it) {
        QJsonArray list;
        for (const Draft &draft : it.value())
            list.append(draft.toJson());
        draftObject.insert(it.key(), list);
    }
    return {
        {formatKey, format},      {membersKey, memberObject}, {tokensKey, tokenObject},
        {draftsKey, draftObject}, {postsKey, posts},          {feedbackKey, feedback},
    };
}

Result<DevData> DevData::fromJson(const JsonReader &json)
{
    auto version = json.integer(formatKey);
    if (!version)
        return fail(version.error());
    if (*version != format)
        return fail(Error::decoding(u"unknown data format %1"_s.arg(*version)));

    DevData data;
    auto members = section(json, membersKey);
    if (!members)
        return fail(members.error());
    for (const QString &memberId : members->json().keys()) {
        auto profile = members->object(memberId);
        if (!profile)
            return fail(profile.error());
        for (const auto key : {"memberId"_L1, "name"_L1}) {
            if (auto text = profile->string(key); !text)
                return fail(text.error());
        }
        data.members.insert(memberId, profile->json());
    }

    auto tokens = section(json, tokensKey);
    if (!tokens)
        return fail(tokens.error());
    for (const QString &digest : tokens->json().keys()) {
        auto memberId = tokens->string(digest);
        if (!memberId)
            return fail(memberId.error());
        data.tokens.insert(digest, *memberId);
    }

    auto drafts = section(json, draftsKey);
    if (!drafts)
        return fail(drafts.error());
    for (const QString &memberId : drafts->json().keys()) {
        auto list = drafts->array(memberId);
        if (!list)
            return fail(list.error());
        QMap<QUuid, Draft> &owned = data.drafts[memberId];
        for (qsizetype i = 0; i < list->size(); ++i) {
            auto element = drafts->element(memberId, *list, i);
            if (!element)
                return fail(element.error());
            auto draft = Draft::fromJson(*element);
            if (!draft)
                return fail(draft.error());
            owned.insert(draft->id, *draft);
        }
    }

    auto posts = records(json, postsKey);
    if (!posts)
        return fail(posts.error());
    data.posts = *posts;
    auto feedback = records(json, feedbackKey);
    if (!feedback)
        return fail(feedback.error());
    data.feedback = *feedback;
    return data;
}

QString DevData::tokenDigest(const QString &accessToken)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(accessToken.toUtf8(), QCryptographicHash::Sha256).toHex());
}

std::optional<QString> DevData::memberForToken(const QString &accessToken) const
{
    const auto it = tokens.constFind(tokenDigest(accessToken));
    if (it == tokens.cend())
        return std::nullopt;
    return it.value();
}

void DevData::issueToken(const QString &accessToken, const QString &memberId)
{
    tokens.insert(tokenDigest(accessToken), memberId);
}

void DevData::revokeTokens(const QString &memberId)
{
    tokens.removeIf([&](const auto &entry) { return entry.value() == memberId; });
}

void DevData::removeMember(const QString &memberId)
{
    revokeTokens(memberId);
    members.remove(memberId);
    drafts.remove(memberId);
}
