#include "MultipartForm.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView crlf = "\r\n";
constexpr QByteArrayView emptyLine = "\r\n\r\n";

Error malformed(const QString &reason)
{
    return Error::decoding(u"malformed multipart body: %1"_s.arg(reason));
}

// The value of parameter `name` in a header such as `form-data; name="a"`, unquoted.
std::optional<QByteArray> parameter(QByteArrayView header, QByteArrayView name)
{
    const QList<QByteArray> pieces = header.toByteArray().split(';');
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray piece = pieces.at(i).trimmed();
        const auto equals = piece.indexOf('=');
        if (equals < 0 || piece.first(equals).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QByteArray value = piece.sliced(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.sliced(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

// The field name of a part, from its Content-Disposition header.
std::optional<QByteArray> partName(QByteArrayView headers)
{
    for (const QByteArray &line : headers.toByteArray().split('\n')) {
        const QByteArray trimmed = line.trimmed();
        const auto colon = trimmed.indexOf(':');
        if (colon < 0 ||
            trimmed.first(colon).trimmed().compare("content-disposition", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray value = trimmed.sliced(colon + 1).trimmed();
        if (!value.toLower().startsWith("form-data"))
            return std::nullopt;
        return parameter(value, "name");
    }
    return std::nullopt;
}

std::optional<QString> utf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

Result<MultipartForm> MultipartForm::parse(QByteArrayView contentType, const QByteArray &body)
{
    const QByteArray type = contentType.toByteArray().trimmed();
    if (!type.toLower().startsWith("multipart/form-data"))
        return fail(malformed(u"the content type is not multipart/form-data"_s));
    const auto boundary = parameter(type, "boundary");
    if (!boundary || boundary->isEmpty() || boundary->size() > 200)
        return fail(malformed(u"the content type names no boundary"_s));
    const QByteArray delimiter = "--" + *boundary;
    const QByteArray separator = crlf.toByteArray() + delimiter;

    // The first delimiter opens the body, or follows a preamble and its CRLF.
    qsizetype position = 0;
    if (!body.startsWith(delimiter)) {
        position = body.indexOf(separator);
        if (position < 0)
            return fail(malformed(u"the boundary does not occur"_s));
        position += crlf.size();
    }
    position += delimiter.size();

    MultipartForm form;
    while (true) {
        if (QByteArrayView(body).sliced(position).startsWith("--"))
            return form;
        if (!QByteArrayView(body).sliced(position).startsWith(crlf))
            return fail(malformed(u"a delimiter is not followed by a line break"_s));
        position += crlf.size();
        const auto headersEnd = body.indexOf(emptyLine, position);
        if (headersEnd < 0)
            return fail(malformed(u"a part's headers do not end"_s));
        const auto name = partName(QByteArrayView(body).sliced(position, headersEnd - position));
        if (!name)
            return fail(malformed(u"a part has no form-data name"_s));
        position = headersEnd + emptyLine.size();
        const auto next = body.indexOf(separator, position);
        if (next < 0)
            return fail(malformed(u"the closing delimiter is missing"_s));
        const auto key = utf8(*name);
        const auto value = utf8(QByteArrayView(body).sliced(position, next - position));
        if (!key || !value)
            return fail(malformed(u"a field is not UTF-8 text"_s));
        form.m_fields.insert(*key, *value);
        position = next + separator.size();
    }
}

std::optional<QString> MultipartForm::field(const QString &name) const
{
    const auto it = m_fields.constFind(name);
    if (it == m_fields.cend())
        return std::nullopt;
    return it.value();
}
