#include "ResultEnvelope.h"

Result<ResultEnvelope> ResultEnvelope::fromJson(const JsonReader &json)
{
    auto status = json.string(statusKey);
    if (!status)
        return fail(status.error());
    auto tokenJson = json.optionalObject(tokenKey);
    if (!tokenJson)
        return fail(tokenJson.error());
    std::optional<LinkedInToken> token;
    if (*tokenJson) {
        auto decoded = LinkedInToken::fromJson(**tokenJson);
        if (!decoded)
            return fail(decoded.error());
        token = std::move(*decoded);
    }
    auto error = json.optionalString(errorKey);
    if (!error)
        return fail(error.error());
    auto errorDescription = json.optionalString(errorDescriptionKey);
    if (!errorDescription)
        return fail(errorDescription.error());
    if (const auto httpStatus = json.optionalNumber(httpStatusKey); !httpStatus)
        return fail(httpStatus.error());
    if (const auto upstreamBody = json.optionalString(upstreamBodyKey); !upstreamBody)
        return fail(upstreamBody.error());
    return ResultEnvelope{*status, std::move(token), *error, *errorDescription};
}
