#include "ErrorEnvelope.h"

#include "AppJson.h"

namespace ErrorEnvelope {

std::optional<QString> message(const QByteArray &body)
{
    auto object = AppJson::decodeObject(body);
    if (!object)
        return std::nullopt;
    const JsonReader json(std::move(*object));
    auto error = json.string(errorKey);
    if (!error)
        return std::nullopt;
    auto description = json.optionalString(errorDescriptionKey);
    if (!description)
        return std::nullopt;
    return description->value_or(*error);
}

QString message(const QByteArray &body, const QString &fallback)
{
    return message(body).value_or(fallback);
}

} // namespace ErrorEnvelope
