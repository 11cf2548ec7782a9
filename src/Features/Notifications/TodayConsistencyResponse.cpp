#include "TodayConsistencyResponse.h"

Result<TodayConsistencyResponse> TodayConsistencyResponse::fromJson(const JsonReader &json)
{
    auto localDate = json.string(localDateKey);
    if (!localDate)
        return fail(localDate.error());
    auto action = json.optionalString(actionKey);
    if (!action)
        return fail(action.error());
    const auto reminderJson = json.object(reminderKey);
    if (!reminderJson)
        return fail(reminderJson.error());
    auto reminder = TodayReminder::fromJson(*reminderJson);
    if (!reminder)
        return fail(reminder.error());
    return TodayConsistencyResponse{*localDate, *action, *reminder};
}

Result<TodayConsistencyResponse> TodayConsistencyResponse::decode(const QByteArray &body)
{
    auto object = AppJson::decodeObject(body);
    if (!object)
        return fail(object.error());
    return fromJson(JsonReader(std::move(*object)));
}
