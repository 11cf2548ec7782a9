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
    // "YYYY-MM-DDThh:mm:ss" then "Z" or "+hh:mm"/"-hh:mm", read by position: stored queues and
    // snapshots hold many dates, and a pattern match per date dominated decoding them.
    const qsizetype length = text.size();
    if (length != 20 && length != 25)
        return std::nullopt;
    bool digitsOk = true;
    const auto number = [&](qsizetype at, qsizetype count) {
        int value = 0;
        for (qsizetype i = at; i < at + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9') {
                digitsOk = false;
                return 0;
            }
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const auto is = [&](qsizetype at, char16_t c) { return text[at].unicode() == c; };
    if (!is(4, u'-') || !is(7, u'-') || !(is(10, u'T') || is(10, u't')) || !is(13, u':') ||
        !is(16, u':'))
        return std::nullopt;
    const QDate day(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!digitsOk || !day.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (length == 20) {
        if (!is(19, u'Z') && !is(19, u'z'))
            return std::nullopt;
    } else {
        if ((!is(19, u'+') && !is(19, u'-')) || !is(22, u':'))
            return std::nullopt;
        const int hours = number(20, 2), minutes = number(23, 2);
        if (!digitsOk || hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (is(19, u'-') ? -1 : 1);
    }
    return QDateTime(day, time, Qt::UTC).addSecs(-offsetSeconds);
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
