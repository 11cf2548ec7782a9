#include "TodayReminder.h"

Result<TodayReminder> TodayReminder::fromJson(const JsonReader &json)
{
    auto title = json.string(titleKey);
    if (!title)
        return fail(title.error());
    auto body = json.string(bodyKey);
    if (!body)
        return fail(body.error());
    auto deeplink = json.string(deeplinkKey);
    if (!deeplink)
        return fail(deeplink.error());
    return TodayReminder{*title, *body, *deeplink};
}
