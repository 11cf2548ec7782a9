#include "TextFormatting.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <QtNumeric>

#include <algorithm>
#include <cstdint>

namespace TextFormatting {

namespace {

constexpr char32_t lastScalar = 0x10FFFF;

[[nodiscard]] bool isScalar(std::uint64_t value)
{
    return value <= lastScalar && !(value >= 0xD800 && value <= 0xDFFF);
}

// Calls `visit(scalar)` for each Unicode scalar of `text`. A lone surrogate (malformed input) is
// visited as itself, so it passes through every transform untouched.
template<typename Visit> void forEachScalar(QStringView text, Visit visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            visit(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else {
            visit(char32_t(unit));
        }
    }
}

void appendScalar(QString &out, char32_t scalar)
{
    if (QChar::requiresSurrogates(scalar)) {
        out += QChar(QChar::highSurrogate(scalar));
        out += QChar(QChar::lowSurrogate(scalar));
    } else {
        out += QChar(char16_t(scalar));
    }
}

[[nodiscard]] bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// True when `position` falls between the two halves of a surrogate pair.
[[nodiscard]] bool splitsPair(const QString &text, qsizetype position)
{
    return position > 0 && position < text.size() && text[position].isLowSurrogate() &&
           text[position - 1].isHighSurrogate();
}

// Prefixes every piece between line feeds, the empty piece after a final line feed included.
// A line range usually ends with its line break, so that empty last piece is where the following
// line starts: its prefix lands in front of that line.
template<typename Prefix> QString prefixPieces(const QString &lines, Prefix prefixFor)
{
    const QStringList pieces = lines.split(u'\n', Qt::KeepEmptyParts);
    QString out;
    out.reserve(lines.size() + pieces.size() * 4);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += u'\n';
        out += prefixFor(i);
        out += pieces[i];
    }
    return out;
}

} // namespace

TextSelection normalized(const QString &text, TextSelection selection)
{
    const qsizetype size = text.size();
    // Keep the part of the selection that lies inside the text; a negative length is a caret.
    qsizetype requestedEnd = 0;
    if (qAddOverflow(selection.location, std::max<qsizetype>(selection.length, 0), &requestedEnd))
        requestedEnd = size;
    qsizetype start = std::clamp<qsizetype>(selection.location, 0, size);
    qsizetype end = std::clamp<qsizetype>(requestedEnd, start, size);
    const bool isCaret = start == end;
    if (splitsPair(text, start))
        --start;
    if (isCaret)
        end = start;
    else if (splitsPair(text, end))
        ++end;
    return {start, end - start};
}

TextSelection lineRange(const QString &text, TextSelection selection)
{
    const TextSelection range = normalized(text, selection);
    const qsizetype size = text.size();

    // A caret between CR and LF belongs to the line that this CR LF ends.
    qsizetype scan = range.location;
    if (scan > 0 && scan < size && text[scan] == u'\n' && text[scan - 1] == u'\r')
        --scan;
    qsizetype start = scan;
    while (start > 0 && !isLineBreak(text[start - 1]))
        --start;

    // The line of the last selected unit (of the caret when nothing is selected) ends after its
    // line break; a CR LF counts whole.
    qsizetype end = range.isEmpty() ? range.location : range.end() - 1;
    while (end < size && !isLineBreak(text[end]))
        ++end;
    if (end < size) {
        const bool crlf = text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n';
        end += crlf ? 2 : 1;
    }
    return {start, end - start};
}

QString transform(const QString &text, char32_t upperOffset, char32_t lowerOffset,
                  std::optional<char32_t> digitOffset)
{
    QString out;
    out.reserve(text.size() * 2);
    forEachScalar(text, [&](char32_t scalar) {
        std::uint64_t mapped = scalar;
        if (scalar >= U'A' && scalar <= U'Z')
            mapped = std::uint64_t(upperOffset) + (scalar - U'A');
        else if (scalar >= U'a' && scalar <= U'z')
            mapped = std::uint64_t(lowerOffset) + (scalar - U'a');
        else if (digitOffset && scalar >= U'0' && scalar <= U'9')
            mapped = std::uint64_t(*digitOffset) + (scalar - U'0');
        appendScalar(out, isScalar(mapped) ? char32_t(mapped) : scalar);
    });
    return out;
}

QString bold(const QString &text)
{
    return transform(text, boldCapitalA, boldSmallA, boldDigitZero);
}

QString italic(const QString &text)
{
    return transform(text, italicCapitalA, italicSmallA, std::nullopt);
}

QString combine(const QString &text, char16_t mark)
{
    QString out;
    out.reserve(text.size() * 2);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        // Qt 6.4 reports a boundary inside a surrogate pair in some sequences (an unassigned
        // supplementary code point after certain scripts); a mark there would break the pair.
        if (end > 0 && end < text.size() && text.at(end - 1).isHighSurrogate() &&
            text.at(end).isLowSurrogate())
            continue;
        out += QStringView(text).sliced(start, end - start);
        out += QChar(mark);
        start = end;
    }
    return out;
}

QString code(const QString &text)
{
    return backtick + text + backtick;
}

char32_t plainScalar(char32_t scalar)
{
    struct Alphabet {
        char32_t first;
        char32_t plainFirst;
        char32_t count;
    };
    static constexpr Alphabet alphabets[] = {
        {boldCapitalA, U'A', 26},   {boldSmallA, U'a', 26},   {boldDigitZero, U'0', 10},
        {italicCapitalA, U'A', 26}, {italicSmallA, U'a', 26},
    };
    for (const Alphabet &alphabet : alphabets) {
        if (scalar >= alphabet.first && scalar - alphabet.first < alphabet.count)
            return alphabet.plainFirst + (scalar - alphabet.first);
    }
    return scalar;
}

QString plain(const QString &text)
{
    QString withoutBackticks = text;
    withoutBackticks.remove(backtick);
    const QString decomposed = withoutBackticks.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    forEachScalar(decomposed, [&](char32_t scalar) {
        if (scalar != strikethroughMark && scalar != underlineMark)
            appendScalar(out, plainScalar(scalar));
    });
    return out;
}

QString bulleted(const QString &lines)
{
    return prefixPieces(lines, [](qsizetype) -> QString { return bulletPrefix; });
}

QString numbered(const QString &lines)
{
    return prefixPieces(lines, [](qsizetype index) -> QString {
        return QString::number(index + 1) + numberSuffix;
    });
}

std::optional<Replacement> replacement(EditorFormatCommand command, const QString &text,
                                       TextSelection selection)
{
    const TextSelection range = normalized(text, selection);

    // The line commands act on whole lines, so a caret is enough for them.
    if (command == EditorFormatCommand::bullets || command == EditorFormatCommand::numbered) {
        const TextSelection lines = lineRange(text, range);
        const QString original = text.sliced(lines.location, lines.length);
        return Replacement{lines, command == EditorFormatCommand::bullets ? bulleted(original)
                                                                          : numbered(original)};
    }

    if (range.isEmpty())
        return std::nullopt;
    const QString selected = text.sliced(range.location, range.length);
    switch (command) {
    case EditorFormatCommand::bold:
        return Replacement{range, bold(selected)};
    case EditorFormatCommand::italic:
        return Replacement{range, italic(selected)};
    case EditorFormatCommand::strikethrough:
        return Replacement{range, combine(selected, strikethroughMark)};
    case EditorFormatCommand::underline:
        return Replacement{range, combine(selected, underlineMark)};
    case EditorFormatCommand::code:
        return Replacement{range, code(selected)};
    case EditorFormatCommand::clear:
        return Replacement{range, plain(selected)};
    case EditorFormatCommand::bullets:
    case EditorFormatCommand::numbered:
        break;
    }
    return std::nullopt;
}

Result apply(EditorFormatCommand command, const QString &text, TextSelection selection)
{
    const auto edit = replacement(command, text, selection);
    if (!edit)
        return {text, normalized(text, selection)};
    const qsizetype at = edit->range.location;
    return {text.first(at) + edit->text + text.sliced(edit->range.end()), {at, edit->text.size()}};
}

} // namespace TextFormatting
