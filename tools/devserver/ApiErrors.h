#pragma once

#include "DevResponse.h"

#include <QByteArray>
#include <QString>

// The error envelopes the development server answers with, each text in one place.
namespace ApiErrors {

// 401: no bearer token, or one the server did not issue or has revoked.
[[nodiscard]] DevResponse invalidToken();
// 400: a request the endpoint cannot read; `description` says what is wrong.
[[nodiscard]] DevResponse invalidRequest(const QString &description);
// 500: the data file could not be written; nothing was changed.
[[nodiscard]] DevResponse storageFailed();
[[nodiscard]] DevResponse notFound(const QByteArray &method, const QString &path);
[[nodiscard]] DevResponse methodNotAllowed(const QByteArray &method, const QString &path);
[[nodiscard]] DevResponse foreignHost();
[[nodiscard]] DevResponse bodyTooLarge(qsizetype limit);

} // namespace ApiErrors
