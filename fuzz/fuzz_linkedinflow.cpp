// The connection flow's answers: the start answer and the result envelope.
#include "AppJson.h"
#include "FuzzInput.h"
#include "ResultEnvelope.h"
#include "StartResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto object = AppJson::decodeObject(fuzzBytes(data, size));
    if (!object)
        return 0;
    (void)StartResponse::fromJson(JsonReader(*object));
    (void)ResultEnvelope::fromJson(JsonReader(*object));
    return 0;
}
