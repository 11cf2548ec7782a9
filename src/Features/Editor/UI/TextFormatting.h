#pragma once

#include "EditorFormatCommand.h"
#include "TextSelection.h"

#include <QLatin1StringView>
#include <QString>

#include <optional>

// The editor's formatting commands as pure functions on plain text. LinkedIn posts are plain
// text, so formatting rewrites characters: bold and italic use the Unicode mathematical
// sans-serif letters, strikethrough and underline add a combining mark after every character,
// code adds backticks, bullets and numbering prefix lines, and clear undoes the letter styles,
// the marks and the backticks.
//
// Every position is in UTF-16 code units. Selections are clamped to the text and widened so that
// they never cut a surrogate pair, so the results are always well-formed UTF-16 when the input
// is.
namespace TextFormatting {

// First letters of the two alphabets in use and the first bold digit.
inline constexpr char32_t boldCapitalA = 0x1D5D4;   // MATHEMATICAL SANS-SERIF BOLD CAPITAL A
inline constexpr char32_t boldSmallA = 0x1D5EE;     // MATHEMATICAL SANS-SERIF BOLD SMALL A
inline constexpr char32_t boldDigitZero = 0x1D7EC;  // MATHEMATICAL SANS-SERIF BOLD DIGIT ZERO
inline constexpr char32_t italicCapitalA = 0x1D608; // MATHEMATICAL SANS-SERIF ITALIC CAPITAL A
inline constexpr char32_t italicSmallA = 0x1D622;   // MATHEMATICAL SANS-SERIF ITALIC SMALL A

inline constexpr char16_t strikethroughMark = u'\u0336'; // COMBINING LONG STROKE OVERLAY
inline constexpr char16_t underlineMark = u'\u0332';     // COMBINING LOW LINE
inline constexpr char16_t backtick = u'`';
inline constexpr QLatin1StringView bulletPrefix{"- "};
inline constexpr QLatin1StringView numberSuffix{". "};

// What a command does to a text: `range` of the original text is replaced by `text`.
struct Replacement {
    TextSelection range;
    QString text;

    friend bool operator==(const Replacement &, const Replacement &) = default;
};

// A text after a command, with the selection the editor shows next.
struct Result {
    QString text;
    TextSelection selection;

    friend bool operator==(const Result &, const Result &) = default;
};

// The edit that `command` makes to `text` with `selection`, or none when it has nothing to act
// on (the six character commands need a non-empty selection; bullets and numbered always act).
// Applying it as one edit lets the editor undo a command in one step.
[[nodiscard]] std::optional<Replacement> replacement(EditorFormatCommand command,
                                                     const QString &text, TextSelection selection);

// The text after `command` and the new selection: the whole replacement. Without a change, the
// same text and the selection as `normalized` gives it.
[[nodiscard]] Result apply(EditorFormatCommand command, const QString &text,
                           TextSelection selection);

// The part of `selection` that lies inside the text, widened to whole surrogate pairs; a caret
// inside a pair moves to its start, and a negative length counts as a caret.
[[nodiscard]] TextSelection normalized(const QString &text, TextSelection selection);

// The whole lines that `selection` touches, with the line break that ends the last one. Lines
// end at LF, CR, CR LF, U+2028 or U+2029. A caret gives its own line; a selection that ends just
// after a line break does not reach into the next line.
[[nodiscard]] TextSelection lineRange(const QString &text, TextSelection selection);

// Maps scalar by scalar: A-Z from `upperOffset`, a-z from `lowerOffset`, 0-9 from `digitOffset`
// when given; everything else, and any result that would not be a Unicode scalar, unchanged.
[[nodiscard]] QString transform(const QString &text, char32_t upperOffset, char32_t lowerOffset,
                                std::optional<char32_t> digitOffset);

// Sans-serif bold letters and digits; already styled text stays as it is.
[[nodiscard]] QString bold(const QString &text);

// Sans-serif italic letters; digits stay plain, as the alphabet has no italic digits.
[[nodiscard]] QString italic(const QString &text);

// `mark` after every user-perceived character, spaces and line breaks included (CR LF is one
// character, so the mark never separates CR from LF).
[[nodiscard]] QString combine(const QString &text, char16_t mark);

// The text between two backticks.
[[nodiscard]] QString code(const QString &text);

// Backticks and the two marks removed, the two sans-serif alphabets turned back into ASCII, in
// canonical decomposition (NFD). Other styled alphabets and other marks stay.
[[nodiscard]] QString plain(const QString &text);

// One scalar of the sans-serif bold or italic alphabets as its ASCII letter or digit.
[[nodiscard]] char32_t plainScalar(char32_t scalar);

// Each piece between line feeds prefixed with "- "; a trailing line feed leaves an empty last
// piece, which is prefixed too.
[[nodiscard]] QString bulleted(const QString &lines);

// Each piece between line feeds prefixed with its 1-based position and ". ".
[[nodiscard]] QString numbered(const QString &lines);

} // namespace TextFormatting
