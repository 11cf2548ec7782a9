// Today's reminder answer.
#include "FuzzInput.h"
#include "TodayConsistencyResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)TodayConsistencyResponse::decode(fuzzBytes(data, size));
    return 0;
}
