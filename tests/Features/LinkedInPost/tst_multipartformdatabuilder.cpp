#include "MultipartFormDataBuilder.h"

#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

using Fields = QHash<QString, QString>;

namespace {

struct Part {
    QList<QByteArray> headers;
    QByteArray name;
    QByteArray value;
};

// A small multipart/form-data reader written from the format's grammar, independent of the
// builder: "--boundary" CRLF, header lines, an empty line, the value, then CRLF "--boundary"
// again, until "--boundary--" CRLF ends the body. Returns nothing when the body is malformed.
std::optional<QList<Part>> parseMultipart(const QByteArray &body, const QByteArray &boundary)
{
    const QByteArray delimiter = "--" + boundary;
    const QByteArray nextDelimiter = "\r\n" + delimiter;
    if (!body.startsWith(delimiter))
        return std::nullopt;
    qsizetype at = delimiter.size();
    QList<Part> parts;
    for (;;) {
        if (body.mid(at, 4) == "--\r\n")
            return at + 4 == body.size() ? std::optional(parts) : std::nullopt;
        if (body.mid(at, 2) != "\r\n")
            return std::nullopt;
        at += 2;
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", at);
        if (headersEnd < 0)
            return std::nullopt;
        Part part;
        const QByteArray headerBlock = body.mid(at, headersEnd - at);
        for (qsizetype from = 0;;) {
            const qsizetype end = headerBlock.indexOf("\r\n", from);
            part.headers.append(headerBlock.mid(from, end < 0 ? -1 : end - from));
            if (end < 0)
                break;
            from = end + 2;
        }
        static const QByteArray namePrefix = "Content-Disposition: form-data; name=\"";
        const QByteArray &disposition = part.headers.first();
        if (!disposition.startsWith(namePrefix) || !disposition.endsWith('"'))
            return std::nullopt;
        part.name = disposition.mid(namePrefix.size(), disposition.size() - namePrefix.size() - 1);
        const qsizetype valueStart = headersEnd + 4;
        const qsizetype valueEnd = body.indexOf(nextDelimiter, valueStart);
        if (valueEnd < 0)
            return std::nullopt;
        part.value = body.mid(valueStart, valueEnd - valueStart);
        parts.append(part);
        at = valueEnd + nextDelimiter.size();
    }
}

// Checks that `body` reads back as exactly `fields`, each part with the one header.
void verifyParsesAs(const QByteArray &body, const QString &boundary, const Fields &fields)
{
    const auto parts = parseMultipart(body, boundary.toUtf8());
    QVERIFY2(parts, body.constData());
    Fields parsed;
    for (const auto &part : *parts) {
        QCOMPARE(part.headers.size(), 1);
        QVERIFY2(!parsed.contains(QString::fromUtf8(part.name)), part.name.constData());
        parsed.insert(QString::fromUtf8(part.name), QString::fromUtf8(part.value));
    }
    QCOMPARE(parsed, fields);
}

} // namespace

class TestMultipartFormDataBuilder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void singleFieldBodies_data()
    {
        QTest::addColumn<QString>("boundary");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("one field") << u"B"_s << Fields{{u"a"_s, u"x"_s}}
                                   << QByteArray("--B\r\n"
                                                 "Content-Disposition: form-data; name=\"a\"\r\n"
                                                 "\r\n"
                                                 "x\r\n"
                                                 "--B--\r\n");
        QTest::newRow("no fields is only the closing line")
            << u"Boundary-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0"_s << Fields{}
            << QByteArray("--Boundary-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0--\r\n");
        QTest::newRow("empty value") << u"B"_s << Fields{{u"commentary"_s, QString()}}
                                     << QByteArray("--B\r\n"
                                                   "Content-Disposition: form-data; "
                                                   "name=\"commentary\"\r\n"
                                                   "\r\n"
                                                   "\r\n"
                                                   "--B--\r\n");
        QTest::newRow("line breaks copied as they are")
            << u"B"_s << Fields{{u"commentary"_s, u"one\ntwo\r\nthree\rfour\n\n"_s}}
            << QByteArray("--B\r\n"
                          "Content-Disposition: form-data; name=\"commentary\"\r\n"
                          "\r\n"
                          "one\ntwo\r\nthree\rfour\n\n\r\n"
                          "--B--\r\n");
        // Sans-serif bold "Hi" (U+1D5DB U+1D5F6), a combining low line (U+0332) under "o",
        // "é" and a rocket (U+1F680), in UTF-8.
        QTest::newRow("styled letters and emoji as UTF-8")
            << u"B"_s
            << Fields{{u"commentary"_s, u"\U0001D5DB\U0001D5F6 o\u0332 caf\u00e9 \U0001F680"_s}}
            << QByteArray(
                   "--B\r\n"
                   "Content-Disposition: form-data; name=\"commentary\"\r\n"
                   "\r\n"
                   "\xF0\x9D\x97\x9B\xF0\x9D\x97\xB6 o\xCC\xB2 caf\xC3\xA9 \xF0\x9F\x9A\x80\r\n"
                   "--B--\r\n");
        QTest::newRow("non-ASCII field name")
            << u"B"_s << Fields{{u"n\u00e4me"_s, u"v"_s}}
            << QByteArray("--B\r\n"
                          "Content-Disposition: form-data; name=\"n\xC3\xA4me\"\r\n"
                          "\r\n"
                          "v\r\n"
                          "--B--\r\n");
    }
    void singleFieldBodies()
    {
        QFETCH(QString, boundary);
        QFETCH(Fields, fields);
        QFETCH(QByteArray, expected);

        const QByteArray body = MultipartFormDataBuilder(boundary).body(fields);
        QCOMPARE(body, expected);
        verifyParsesAs(body, boundary, fields);
    }

    void postFieldsReadBackInAnyOrder()
    {
        const QString boundary = u"Boundary-5C3A1F0E-9B7D-4E2C-8A61-3F5D7B9C1E2A"_s;
        const Fields fields{
            {u"accessToken"_s, u"AQX-token_value"_s},
            {u"memberId"_s, u"abc123"_s},
            {u"commentary"_s,
             u"\U0001D5E7\U0001D5F2\U0001D600\U0001D601 post\n\nwith a blank line \U0001F44B"_s},
            {u"timezone"_s, u"Europe/Paris"_s},
        };
        const MultipartFormDataBuilder builder(boundary);
        const QByteArray body = builder.body(fields);
        verifyParsesAs(body, boundary, fields);
        // The same builder serves any number of bodies.
        QCOMPARE(builder.body(fields), body);
        QCOMPARE(builder.body({{u"a"_s, u"x"_s}}),
                 MultipartFormDataBuilder(boundary).body({{u"a"_s, u"x"_s}}));
    }
};

QTEST_GUILESS_MAIN(TestMultipartFormDataBuilder)
#include "tst_multipartformdatabuilder.moc"
