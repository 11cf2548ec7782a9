// The AI provider's chat-completions answer.
#include "FuzzInput.h"
#include "NaturalizeService.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (const auto rewrite = NaturalizeService::decodeRewrite(fuzzBytes(data, size)))
        FUZZ_CHECK(!rewrite->isEmpty() && *rewrite == rewrite->trimmed());
    return 0;
}
