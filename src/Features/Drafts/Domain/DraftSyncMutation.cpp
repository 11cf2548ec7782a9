#include "DraftSyncMutation.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {
const auto idKey = u"id"_s;
const auto ownerIDKey = u"ownerID"_s;
const auto operationKey = u"operation"_s;
const auto draftIDKey = u"draftID"_s;
const auto draftKey = u"draft"_s;
const auto queuedAtKey = u"queuedAt"_s;
const auto attemptCountKey = u"attemptCount"_s;
const auto lastErrorKey = u"lastError"_s;
const auto nextAttemptAtKey = u"nextAttemptAt"_s;
} // namespace

QDateTime DraftSyncMutation::parkedMarker()
{
    return QDateTime(QDate(4001, 1, 1), QTime(0, 0), Qt::UTC);
}

DraftSyncMutation DraftSyncMutation::upsert(QString ownerID, Draft draft, QDateTime now, QUuid id)
{
    const QUuid draftID = draft.id;
    return {id,      std::move(ownerID), DraftSyncOperation::upsert,
            draftID, std::move(draft),   std::move(now),
            0,       std::nullopt,       std::nullopt};
}

DraftSyncMutation DraftSyncMutation::remove(QString ownerID, QUuid draftID, QDateTime now, QUuid id)
{
    return {id,      std::move(ownerID), DraftSyncOperation::remove,
            draftID, std::nullopt,       std::move(now),
            0,       std::nullopt,       std::nullopt};
}

QJsonObject DraftSyncMutation::toJson() const
{
    QJsonObject json{
        {idKey, AppJson::encodeUuid(id)},
        {ownerIDKey, ownerID},
        {operationKey, operationName(operation)},
        {draftIDKey, AppJson::encodeUuid(draftID)},
        {queuedAtKey, AppJson::encodeDate(queuedAt)},
        {attemptCountKey, attemptCount},
    };
    if (draft)
        json.insert(draftKey, draft->toJson());
    if (lastError)
        json.insert(lastErrorKey, *lastError);
    if (nextAttemptAt)
        json.insert(nextAttemptAtKey, AppJson::encodeDate(*nextAttemptAt));
    return json;
}

Result<DraftSyncMutation> DraftSyncMutation::fromJson(const JsonReader &json)
{
    auto id = json.uuid(idKey);
    if (!id)
        return fail(id.error());
    auto ownerID = json.string(ownerIDKey);
    if (!ownerID)
        return fail(ownerID.error());
    auto operationText = json.string(operationKey);
    if (!operationText)
        return fail(operationText.error());
    const auto operation = draftSyncOperationFromName(*operationText);
    if (!operation)
        return fail(Error::decoding(u"unknown operation \"%1\" for key \"%2\""_s.arg(
            *operationText, json.pathOf(operationKey))));
    auto draftID = json.uuid(draftIDKey);
    if (!draftID)
        return fail(draftID.error());
    auto draftJson = json.optionalObject(draftKey);
    if (!draftJson)
        return fail(draftJson.error());
    std::optional<Draft> draft;
    if (*draftJson) {
        auto decoded = Draft::fromJson(**draftJson);
        if (!decoded)
            return fail(decoded.error());
        draft = std::move(*decoded);
    }
    auto queuedAt = json.date(queuedAtKey);
    if (!queuedAt)
        return fail(queuedAt.error());
    auto attemptCount = json.integer(attemptCountKey);
    if (!attemptCount)
        return fail(attemptCount.error());
    // A count that does not fit is corrupt data, not a count to wrap round.
    if (*attemptCount < std::numeric_limits<int>::min() ||
        *attemptCount > std::numeric_limits<int>::max())
        return fail(JsonReader::wrongType(json.pathOf(attemptCountKey), "a 32-bit integer"));
    auto lastError = json.optionalString(lastErrorKey);
    if (!lastError)
        return fail(lastError.error());
    auto nextAttemptAt = json.optionalDate(nextAttemptAtKey);
    if (!nextAttemptAt)
        return fail(nextAttemptAt.error());
    return DraftSyncMutation{*id,
                             std::move(*ownerID),
                             *operation,
                             *draftID,
                             std::move(draft),
                             *queuedAt,
                             int(*attemptCount),
                             std::move(*lastError),
                             *nextAttemptAt};
}

QJsonArray DraftSyncMutation::queueToJson(const QList<DraftSyncMutation> &queue)
{
    QJsonArray array;
    for (const auto &mutation : queue)
        array.append(mutation.toJson());
    return array;
}

Result<QList<DraftSyncMutation>> DraftSyncMutation::queueFromJson(const QJsonArray &array)
{
    QList<DraftSyncMutation> queue;
    queue.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const auto path = u"[%1]"_s.arg(i);
        const auto value = array.at(i);
        if (!value.isObject())
            return fail(JsonReader::wrongType(path, "an object"));
        auto mutation = fromJson(JsonReader(value.toObject(), path));
        if (!mutation)
            return fail(mutation.error());
        queue.append(std::move(*mutation));
    }
    return queue;
}
