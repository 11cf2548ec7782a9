#pragma once

#include <cstdint>

// The formatting commands of the editor's toolbar, in toolbar order. Each is applied once to
// the current selection (see TextFormatting).
enum class EditorFormatCommand : std::uint8_t {
    bold,
    italic,
    strikethrough,
    underline,
    code,
    clear,
    bullets,
    numbered,
};
