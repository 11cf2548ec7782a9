// A stored queue of pending server changes, read as the repository reads it.
#include "AppJson.h"
#include "DraftSyncMutation.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto array = AppJson::decodeArray(fuzzBytes(data, size));
    if (!array)
        return 0;
    const auto queue = DraftSyncMutation::queueFromJson(*array);
    if (!queue)
        return 0;
    const auto again = DraftSyncMutation::queueFromJson(
        *AppJson::decodeArray(AppJson::encode(DraftSyncMutation::queueToJson(*queue))));
    FUZZ_CHECK(again && *again == *queue);
    return 0;
}
