// The editor's text transforms. Input: a command byte, the selection's location and length
// (two bytes each), then the text as UTF-16. For well-formed text the result is well-formed,
// the selection lies inside it, and the replacement, applied as one edit, gives the result.
#include "FuzzInput.h"
#include "TextFormatting.h"

#include <QStringView>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 5)
        return 0;
    const auto command = EditorFormatCommand(data[0] % 8);
    // Signed, so that selections before the text and of negative length are tried too.
    const TextSelection selection{qsizetype(std::int16_t(data[1] | data[2] << 8)),
                                  qsizetype(std::int16_t(data[3] | data[4] << 8))};
    const QString text(reinterpret_cast<const QChar *>(data + 5), qsizetype((size - 5) / 2));

    const auto result = TextFormatting::apply(command, text, selection);
    FUZZ_CHECK(result.selection.location >= 0 && result.selection.length >= 0);
    FUZZ_CHECK(result.selection.end() <= result.text.size());
    if (QStringView(text).isValidUtf16())
        FUZZ_CHECK(QStringView(result.text).isValidUtf16());

    const auto edit = TextFormatting::replacement(command, text, selection);
    if (edit) {
        FUZZ_CHECK(edit->range.location >= 0 && edit->range.end() <= text.size());
        QString edited = text;
        edited.replace(edit->range.location, edit->range.length, edit->text);
        FUZZ_CHECK(edited == result.text);
    } else {
        FUZZ_CHECK(result.text == text);
    }
    if (QStringView(text).isValidUtf16()) {
        FUZZ_CHECK(QStringView(TextFormatting::plain(text)).isValidUtf16());
        FUZZ_CHECK(QStringView(TextFormatting::bold(text)).isValidUtf16());
        FUZZ_CHECK(QStringView(TextFormatting::italic(text)).isValidUtf16());
        FUZZ_CHECK(QStringView(TextFormatting::code(text)).isValidUtf16());
        FUZZ_CHECK(QStringView(TextFormatting::bulleted(text)).isValidUtf16());
        FUZZ_CHECK(QStringView(TextFormatting::numbered(text)).isValidUtf16());
    }
    return 0;
}
