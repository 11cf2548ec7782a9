// The stored token (the keychain item), which is also the server's token answer.
#include "FuzzInput.h"
#include "LinkedInToken.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto token = LinkedInToken::decode(fuzzBytes(data, size));
    if (!token)
        return 0;
    const auto again = LinkedInToken::decode(token->encoded());
    FUZZ_CHECK(again && *again == *token);
    return 0;
}
