#pragma once

#include <QtGlobal>

// A range of text in UTF-16 code units, the units of QString and of the text controls: a
// styled letter outside the Basic Multilingual Plane counts two. A length of 0 is a caret.
struct TextSelection {
    qsizetype location = 0;
    qsizetype length = 0;

    [[nodiscard]] constexpr qsizetype end() const { return location + length; }
    [[nodiscard]] constexpr bool isEmpty() const { return length == 0; }

    friend constexpr bool operator==(const TextSelection &, const TextSelection &) = default;
};
