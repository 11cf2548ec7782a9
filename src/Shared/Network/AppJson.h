#pragma once

#include "Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <optional>

// The one JSON convention of the application, used for every server body and every record
// stored as JSON: compact output, dates as RFC 3339 UTC text with whole seconds and "Z",
// UUIDs in their canonical 36-character form written in upper case.
namespace AppJson {

// "2026-12-11T04:11:20Z"; fractional seconds are dropped.
[[nodiscard]] QString encodeDate(const QDateTime &date);
// Accepts "Z" or a numeric offset; rejects fractional seconds and anything not RFC 3339.
[[nodiscard]] std::optional<QDateTime> decodeDate(QStringView text);
// The instant `date` truncated to whole seconds, in UTC: what a date reads back as.
[[nodiscard]] QDateTime wholeSeconds(const QDateTime &date);

// Upper-case canonical form without braces.
[[nodiscard]] QString encodeUuid(const QUuid &id);
// Canonical 8-4-4-4-12 hexadecimal form only, either case; no braces.
[[nodiscard]] std::optional<QUuid> decodeUuid(QStringView text);

[[nodiscard]] QByteArray encode(const QJsonObject &object);
[[nodiscard]] QByteArray encode(const QJsonArray &array);
[[nodiscard]] Result<QJsonObject> decodeObject(const QByteArray &bytes);
[[nodiscard]] Result<QJsonArray> decodeArray(const QByteArray &bytes);

} // namespace AppJson

// Typed, checked access to the members of one JSON object. Every failure is a decoding
// error whose description names the member by its path from the top ("drafts[2].id").
// Members the caller does not ask for are ignored; optional members may be absent or null.
class JsonReader {
public:
    explicit JsonReader(QJsonObject object, QString path = {});

    [[nodiscard]] Result<QString> string(const QString &key) const;
    [[nodiscard]] Result<std::optional<QString>> optionalString(const QString &key) const;
    [[nodiscard]] Result<double> number(const QString &key) const;
    [[nodiscard]] Result<std::optional<double>> optionalNumber(const QString &key) const;
    [[nodiscard]] Result<qint64> integer(const QString &key) const;
    [[nodiscard]] Result<bool> boolean(const QString &key) const;
    [[nodiscard]] Result<std::optional<bool>> optionalBoolean(const QString &key) const;
    [[nodiscard]] Result<QDateTime> date(const QString &key) const;
    [[nodiscard]] Result<std::optional<QDateTime>> optionalDate(const QString &key) const;
    [[nodiscard]] Result<QUuid> uuid(const QString &key) const;
    [[nodiscard]] Result<JsonReader> object(const QString &key) const;
    [[nodiscard]] Result<std::optional<JsonReader>> optionalObject(const QString &key) const;
    [[nodiscard]] Result<QJsonArray> array(const QString &key) const;

    // Reader for element `index` of an array member read through array(key).
    [[nodiscard]] Result<JsonReader> element(const QString &key, const QJsonArray &array,
                                             qsizetype index) const;

    [[nodiscard]] bool contains(const QString &key) const;
    [[nodiscard]] const QJsonObject &json() const { return m_object; }
    [[nodiscard]] QString pathOf(const QString &key) const;

    [[nodiscard]] static Error missing(const QString &path);
    [[nodiscard]] static Error wrongType(const QString &path, const char *expected);

private:
    // The member, or an error when it is absent or null.
    [[nodiscard]] Result<QJsonValue> required(const QString &key) const;
    [[nodiscard]] bool isAbsent(const QString &key) const;

    QJsonObject m_object;
    QString m_path;
};
