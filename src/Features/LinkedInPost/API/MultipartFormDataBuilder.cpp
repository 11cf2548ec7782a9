#include "MultipartFormDataBuilder.h"

namespace {

constexpr char crlf[] = "\r\n";
constexpr char delimiterPrefix[] = "--";
constexpr char closingSuffix[] = "--";
constexpr char dispositionPrefix[] = "Content-Disposition: form-data; name=\"";
constexpr char dispositionSuffix[] = "\"";

} // namespace

MultipartFormDataBuilder::MultipartFormDataBuilder(QString boundary)
    : m_boundary(std::move(boundary))
{}

QByteArray MultipartFormDataBuilder::body(const QHash<QString, QString> &fields) const
{
    const QByteArray boundary = m_boundary.toUtf8();
    QByteArray body;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        body += delimiterPrefix + boundary + crlf;
        body += dispositionPrefix + it.key().toUtf8() + dispositionSuffix + crlf + crlf;
        body += it.value().toUtf8() + crlf;
    }
    body += delimiterPrefix + boundary + closingSuffix + crlf;
    return body;
}
