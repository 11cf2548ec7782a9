#pragma once

#include "Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>

// The text fields of a "multipart/form-data" body. Each part is read up to the CRLF before the
// next delimiter, so values keep their own line breaks byte for byte; parts may come in any
// order. A field sent twice keeps its last value.
class MultipartForm {
public:
    // `contentType` is the request's Content-Type header, which names the boundary.
    [[nodiscard]] static Result<MultipartForm> parse(QByteArrayView contentType,
                                                     const QByteArray &body);

    [[nodiscard]] std::optional<QString> field(const QString &name) const;

private:
    QHash<QString, QString> m_fields;
};
