#include "AppJson.h"

#include <QJsonDocument>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {
// Wraps a present value of a Result into an optional (GCC 12's expected has no transform()).
template<typename T> Result<std::optional<T>> present(Result<T> value)
{
    if (!value)
        return fail(value.error());
    return std::optional<T>(std::move(*value));
}
} // namespace

namespace AppJson {

QDateTime wholeSeconds(const QDateTime &date)
{
    return QDateTime::fromSecsSinceEpoch(date.toSecsSinceEpoch(), Qt::UTC);
}

QString encodeDate(const QDateTime &date)
{
    return wholeSeconds(date).toString(Qt::ISODate);
}

std::optional<QDateTime> decodeDate(QStringView text)
{
    static const QRegularExpression pattern(
        uR"(^(\d{4})-(\d{2})-(\d{2})[Tt](\d{2}):(\d{2}):(\d{2})(?:([Zz])|([+-])(\d{2}):(\d{2}))$)"_s);
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate day(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (match.capturedView(7).isEmpty()) {
        const int hours = number(9), minutes = number(10);
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (match.capturedView(8) == u"-" ? -1 : 1);
    }
    return QDateTime(day, time, Qt::OffsetFromUTC, offsetSeconds).toUTC();
}

QString encodeUuid(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> decodeUuid(QStringView text)
{
    static const QRegularExpression pattern(
        uR"(^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$)"_s);
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

QByteArray encode(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray encode(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

namespace {
Result<QJsonDocument> parse(const QByteArray &bytes)
{
    QJsonParseError error;
    auto document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(Error::decoding(
            u"invalid JSON: %1 at offset %2"_s.arg(error.errorString()).arg(error.offset)));
    return document;
}
} // namespace

Result<QJsonObject> decodeObject(const QByteArray &bytes)
{
    auto document = parse(bytes);
    if (!document)
        return fail(document.error());
    if (!document->isObject())
        return fail(Error::decoding(u"expected a JSON object at the top level"_s));
    return document->object();
}

Result<QJsonArray> decodeArray(const QByteArray &bytes)
{
    auto document = parse(bytes);
    if (!document)
        return fail(document.error());
    if (!document->isArray())
        return fail(Error::decoding(u"expected a JSON array at the top level"_s));
    return document->array();
}

} // namespace AppJson

JsonReader::JsonReader(QJsonObject object, QString path)
    : m_object(std::move(object))
    , m_path(std::move(path))
{}

QString JsonReader::pathOf(const QString &key) const
{
    return m_path.isEmpty() ? key : m_path + u'.' + key;
}

Error JsonReader::missing(const QString &path)
{
    return Error::decoding(u"missing key \"%1\""_s.arg(path));
}

Error JsonReader::wrongType(const QString &path, const char *expected)
{
    return Error::decoding(u"expected %1 for key \"%2\""_s.arg(QLatin1StringView(expected), path));
}

bool JsonReader::contains(const QString &key) const
{
    return m_object.contains(key);
}

bool JsonReader::isAbsent(const QString &key) const
{
    const auto it = m_object.constFind(key);
    return it == m_object.constEnd() || it->isNull() || it->isUndefined();
}

Result<QJsonValue> JsonReader::required(const QString &key) const
{
    if (isAbsent(key))
        return fail(missing(pathOf(key)));
    return m_object.value(key);
}

Result<QString> JsonReader::string(const QString &key) const
{
    auto value = required(key);
    if (!value)
        return fail(value.error());
    if (!value->isString())
        return fail(wrongType(pathOf(key), "a string"));
    return value->toString();
}

Result<std::optional<QString>> JsonReader::optionalString(const QString &key) const
{
    if (isAbsent(key))
        return std::optional<QString>();
    return present(string(key));
}

Result<double> JsonReader::number(const QString &key) const
{
    auto value = required(key);
    if (!value)
        return fail(value.error());
    if (!value->isDouble())
        return fail(wrongType(pathOf(key), "a number"));
    return value->toDouble();
}

Result<std::optional<double>> JsonReader::optionalNumber(const QString &key) const
{
    if (isAbsent(key))
        return std::optional<double>();
    return present(number(key));
}

Result<qint64> JsonReader::integer(const QString &key) const
{
    auto value = number(key);
    if (!value)
        return fail(value.error());
    const double d = *value;
    if (d != static_cast<double>(static_cast<qint64>(d)))
        return fail(wrongType(pathOf(key), "an integer"));
    return static_cast<qint64>(d);
}

Result<bool> JsonReader::boolean(const QString &key) const
{
    auto value = required(key);
    if (!value)
        return fail(value.error());
    if (!value->isBool())
        return fail(wrongType(pathOf(key), "a boolean"));
    return value->toBool();
}

Result<std::optional<bool>> JsonReader::optionalBoolean(const QString &key) const
{
    if (isAbsent(key))
        return std::optional<bool>();
    return present(boolean(key));
}

Result<QDateTime> JsonReader::date(const QString &key) const
{
    auto text = string(key);
    if (!text)
        return fail(text.error());
    auto date = AppJson::decodeDate(*text);
    if (!date)
        return fail(Error::decoding(
            u"invalid date \"%1\" for key \"%2\": expected RFC 3339 with whole seconds"_s.arg(
                *text, pathOf(key))));
    return *date;
}

Result<std::optional<QDateTime>> JsonReader::optionalDate(const QString &key) const
{
    if (isAbsent(key))
        return std::optional<QDateTime>();
    return present(date(key));
}

Result<QUuid> JsonReader::uuid(const QString &key) const
{
    auto text = string(key);
    if (!text)
        return fail(text.error());
    auto id = AppJson::decodeUuid(*text);
    if (!id)
        return fail(
            Error::decoding(u"invalid UUID \"%1\" for key \"%2\""_s.arg(*text, pathOf(key))));
    return *id;
}

Result<JsonReader> JsonReader::object(const QString &key) const
{
    auto value = required(key);
    if (!value)
        return fail(value.error());
    if (!value->isObject())
        return fail(wrongType(pathOf(key), "an object"));
    return JsonReader(value->toObject(), pathOf(key));
}

Result<std::optional<JsonReader>> JsonReader::optionalObject(const QString &key) const
{
    if (isAbsent(key))
        return std::optional<JsonReader>();
    return present(object(key));
}

Result<QJsonArray> JsonReader::array(const QString &key) const
{
    auto value = required(key);
    if (!value)
        return fail(value.error());
    if (!value->isArray())
        return fail(wrongType(pathOf(key), "an array"));
    return value->toArray();
}

Result<JsonReader> JsonReader::element(const QString &key, const QJsonArray &array,
                                       qsizetype index) const
{
    const auto path = u"%1[%2]"_s.arg(pathOf(key)).arg(index);
    const auto value = array.at(index);
    if (!value.isObject())
        return fail(wrongType(path, "an object"));
    return JsonReader(value.toObject(), path);
}
