// A stored draft snapshot, read as the repository reads it: the current object form, else
// the legacy bare array. What decodes must encode to a form that decodes to the same value,
// or a later save would store something unreadable.
#include "AppJson.h"
#include "DraftSnapshot.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    if (const auto object = AppJson::decodeObject(bytes)) {
        if (const auto snapshot = DraftSnapshot::fromJson(JsonReader(*object))) {
            const auto again = DraftSnapshot::fromJson(
                JsonReader(*AppJson::decodeObject(AppJson::encode(snapshot->toJson()))));
            FUZZ_CHECK(again && *again == *snapshot);
        }
    }
    if (const auto array = AppJson::decodeArray(bytes)) {
        if (const auto drafts = DraftSnapshot::draftsFromJson(*array)) {
            const auto again = DraftSnapshot::draftsFromJson(
                *AppJson::decodeArray(AppJson::encode(DraftSnapshot::draftsToJson(*drafts))));
            FUZZ_CHECK(again && *again == *drafts);
        }
    }
    return 0;
}
