#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Builds a multipart/form-data body of named text fields. The caller picks the boundary, sends
// the matching "multipart/form-data; boundary=..." header itself, and makes sure that no field
// value contains the boundary (a fresh random boundary per request does).
class MultipartFormDataBuilder {
public:
    // `boundary` is the text without its leading hyphens.
    explicit MultipartFormDataBuilder(QString boundary);

    [[nodiscard]] const QString &boundary() const { return m_boundary; }

    // One part per field, in the map's own order, each with only a Content-Disposition header;
    // names and values are written as UTF-8, verbatim, line breaks included.
    [[nodiscard]] QByteArray body(const QHash<QString, QString> &fields) const;

private:
    QString m_boundary;
};
