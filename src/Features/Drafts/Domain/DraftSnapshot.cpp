#include "DraftSnapshot.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
const auto draftsKey = u"drafts"_s;
const auto ownerIDKey = u"ownerID"_s;
const auto loadedAtKey = u"loadedAt"_s;
const auto lastSuccessfulSyncAtKey = u"lastSuccessfulSyncAt"_s;
const auto schemaVersionKey = u"schemaVersion"_s;
} // namespace

DraftSnapshot DraftSnapshot::empty(std::optional<QString> ownerID, QDateTime now)
{
    return {{}, std::move(ownerID), std::move(now), std::nullopt, currentSchemaVersion};
}

QJsonObject DraftSnapshot::toJson() const
{
    QJsonObject json{
        {draftsKey, draftsToJson(drafts)},
        {loadedAtKey, AppJson::encodeDate(loadedAt)},
        {schemaVersionKey, schemaVersion},
    };
    if (ownerID)
        json.insert(ownerIDKey, *ownerID);
    if (lastSuccessfulSyncAt)
        json.insert(lastSuccessfulSyncAtKey, AppJson::encodeDate(*lastSuccessfulSyncAt));
    return json;
}

Result<DraftSnapshot> DraftSnapshot::fromJson(const JsonReader &json)
{
    auto array = json.array(draftsKey);
    if (!array)
        return fail(array.error());
    auto drafts = draftsFromJson(*array, json.pathOf(draftsKey));
    if (!drafts)
        return fail(drafts.error());
    auto ownerID = json.optionalString(ownerIDKey);
    if (!ownerID)
        return fail(ownerID.error());
    auto loadedAt = json.date(loadedAtKey);
    if (!loadedAt)
        return fail(loadedAt.error());
    auto lastSuccessfulSyncAt = json.optionalDate(lastSuccessfulSyncAtKey);
    if (!lastSuccessfulSyncAt)
        return fail(lastSuccessfulSyncAt.error());
    auto schemaVersion = json.integer(schemaVersionKey);
    if (!schemaVersion)
        return fail(schemaVersion.error());
    // Clamped, so that a version beyond int stays "too new" instead of wrapping round.
    const auto version = int(std::clamp<qint64>(*schemaVersion, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
    return DraftSnapshot{std::move(*drafts), std::move(*ownerID), *loadedAt, *lastSuccessfulSyncAt,
                         version};
}

QJsonArray DraftSnapshot::draftsToJson(const QList<Draft> &drafts)
{
    QJsonArray array;
    for (const auto &draft : drafts)
        array.append(draft.toJson());
    return array;
}

Result<QList<Draft>> DraftSnapshot::draftsFromJson(const QJsonArray &array, const QString &path)
{
    QList<Draft> drafts;
    drafts.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const auto elementPath = u"%1[%2]"_s.arg(path).arg(i);
        const auto value = array.at(i);
        if (!value.isObject())
            return fail(JsonReader::wrongType(elementPath, "an object"));
        auto draft = Draft::fromJson(JsonReader(value.toObject(), elementPath));
        if (!draft)
            return fail(draft.error());
        drafts.append(std::move(*draft));
    }
    return drafts;
}
