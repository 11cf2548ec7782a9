#include "Draft.h"

#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace {

// Calls `visit(start, length)` for each extended grapheme cluster of `text`.
template<typename Visit> void forEachCharacter(const QString &text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        if (!visit(start, end - start))
            return;
        start = end;
    }
}

} // namespace

QString Draft::title() const
{
    // A line feed on its own is a separator; CR LF is one character and separates nothing.
    QString firstLine;
    qsizetype lineStart = 0;
    bool found = false;
    forEachCharacter(body, [&](qsizetype start, qsizetype length) {
        if (length == 1 && body.at(start) == u'\n') {
            if (start > lineStart) {
                firstLine = body.mid(lineStart, start - lineStart);
                found = true;
                return false;
            }
            lineStart = start + 1;
        }
        return true;
    });
    if (!found) {
        if (lineStart >= body.size())
            return u"Untitled draft"_s;
        firstLine = body.mid(lineStart);
    }

    const QString trimmed = firstLine.trimmed();
    qsizetype end = 0;
    int count = 0;
    forEachCharacter(trimmed, [&](qsizetype start, qsizetype length) {
        if (count == titleLength)
            return false;
        ++count;
        end = start + length;
        return true;
    });
    return trimmed.left(end);
}

QJsonObject Draft::toJson() const
{
    return {
        {u"id"_s, AppJson::encodeUuid(id)},
        {u"body"_s, body},
        {u"createdAt"_s, AppJson::encodeDate(createdAt)},
        {u"updatedAt"_s, AppJson::encodeDate(updatedAt)},
    };
}

Result<Draft> Draft::fromJson(const JsonReader &json)
{
    auto id = json.uuid(u"id"_s);
    if (!id)
        return fail(id.error());
    auto body = json.string(u"body"_s);
    if (!body)
        return fail(body.error());
    auto createdAt = json.date(u"createdAt"_s);
    if (!createdAt)
        return fail(createdAt.error());
    auto updatedAt = json.date(u"updatedAt"_s);
    if (!updatedAt)
        return fail(updatedAt.error());
    return Draft{*id, *body, *createdAt, *updatedAt};
}
