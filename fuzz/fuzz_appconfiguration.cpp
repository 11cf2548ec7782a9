// The configuration file: a property list (XML or binary) read through libplist.
#include "AppConfiguration.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto configuration = AppConfiguration::decode(fuzzBytes(data, size));
    if (configuration)
        FUZZ_CHECK(configuration->api.baseURL.isValid());
    else
        FUZZ_CHECK(!configuration.error().description.isEmpty());
    return 0;
}
