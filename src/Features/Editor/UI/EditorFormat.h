#pragma once

#include "EditorFormatCommand.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The formatting commands as QML sees them (`EditorFormat.Bold`, ...): QML enumerators start
// with a capital letter, so this mirrors EditorFormatCommand value for value.
namespace EditorFormat {
Q_NAMESPACE
QML_ELEMENT

enum class Command {
    Bold = int(EditorFormatCommand::bold),
    Italic = int(EditorFormatCommand::italic),
    Strikethrough = int(EditorFormatCommand::strikethrough),
    Underline = int(EditorFormatCommand::underline),
    Code = int(EditorFormatCommand::code),
    Clear = int(EditorFormatCommand::clear),
    Bullets = int(EditorFormatCommand::bullets),
    Numbered = int(EditorFormatCommand::numbered),
};
Q_ENUM_NS(Command)

[[nodiscard]] constexpr EditorFormatCommand toCommand(Command command)
{
    return EditorFormatCommand(int(command));
}

} // namespace EditorFormat
