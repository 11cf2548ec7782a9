// The server's error envelope: the only part of the post and feedback answers that is read,
// and the message of every failing answer of the drafts, connection and account endpoints.
#include "ErrorEnvelope.h"
#include "FuzzInput.h"
#include "NaturalizeService.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body = fuzzBytes(data, size);
    const QString fallback = QStringLiteral("Request failed.");
    const QString message = ErrorEnvelope::message(body, fallback);
    const auto envelope = ErrorEnvelope::message(body);
    FUZZ_CHECK(envelope ? message == *envelope : message == fallback);
    // The AI provider's error body has its own shape.
    FUZZ_CHECK(!NaturalizeService::failureMessage(body).isNull());
    return 0;
}
