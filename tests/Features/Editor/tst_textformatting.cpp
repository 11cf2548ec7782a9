#include "TextFormatting.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// Lets QCOMPARE print selections.
char *toString(const TextSelection &selection)
{
    return QTest::toString(u"(%1, %2)"_s.arg(selection.location).arg(selection.length));
}

namespace {

using Command = EditorFormatCommand;

constexpr Command everyCommand[] = {
    Command::bold, Command::italic, Command::strikethrough, Command::underline,
    Command::code, Command::clear,  Command::bullets,       Command::numbered,
};
constexpr Command selectionCommands[] = {
    Command::bold,      Command::italic, Command::strikethrough,
    Command::underline, Command::code,   Command::clear,
};

bool isLineCommand(Command command)
{
    return command == Command::bullets || command == Command::numbered;
}

// Escapes everything outside printable ASCII, so failures show the code units.
QString visible(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            out += c;
        else
            out += u"\\u%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
    }
    return out;
}

bool isWellFormed(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            if (i + 1 == text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (text[i].isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

bool cutsPair(const QString &text, qsizetype position)
{
    return position > 0 && position < text.size() && text[position].isLowSurrogate();
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029';
}

QString randomText(QRandomGenerator &random, const QStringList &pieces, int maxPieces)
{
    QString text;
    const int count = random.bounded(maxPieces + 1);
    for (int i = 0; i < count; ++i)
        text += pieces.at(random.bounded(int(pieces.size())));
    return text;
}

} // namespace

class TestTextFormatting : public QObject {
    Q_OBJECT

    // Checks one row of the command tables.
    void verifyCommand()
    {
        QFETCH(Command, command);
        QFETCH(QString, text);
        QFETCH(TextSelection, selection);
        QFETCH(QString, expected);
        QFETCH(TextSelection, expectedSelection);

        const auto result = TextFormatting::apply(command, text, selection);
        QCOMPARE(visible(result.text), visible(expected));
        QCOMPARE(result.selection, expectedSelection);
    }

private Q_SLOTS:
    void characterCommands_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextSelection>("selection");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<TextSelection>("expectedSelection");

        // Sans-serif bold H, e, l, l, o, then bold digits two, zero, two, five: 2 units each.
        const QString boldHello = u"\U0001D5DB\U0001D5F2\U0001D5F9\U0001D5F9\U0001D5FC"_s;
        const QString boldYear = u"\U0001D7EE\U0001D7EC\U0001D7EE\U0001D7F1"_s;
        QTest::newRow("bold maps letters and digits")
            << Command::bold << u"Hello 2025!"_s << TextSelection{0, 11}
            << boldHello + u" "_s + boldYear + u"!"_s << TextSelection{0, 20};
        // Sans-serif italic H, e, l, l, o.
        const QString italicHello = u"\U0001D60F\U0001D626\U0001D62D\U0001D62D\U0001D630"_s;
        QTest::newRow("italic leaves digits plain")
            << Command::italic << u"Hello 2025!"_s << TextSelection{0, 11}
            << italicHello + u" 2025!"_s << TextSelection{0, 16};
        // Sans-serif bold small h, small i.
        QTest::newRow("bold touches only the selection")
            << Command::bold << u"say hi now"_s << TextSelection{4, 2}
            << u"say \U0001D5F5\U0001D5F6 now"_s << TextSelection{4, 4};
        QTest::newRow("bold on bold changes nothing")
            << Command::bold << boldHello << TextSelection{0, 10} << boldHello
            << TextSelection{0, 10};
        QTest::newRow("italic leaves bold letters bold")
            << Command::italic << boldHello + u"!"_s << TextSelection{0, 11} << boldHello + u"!"_s
            << TextSelection{0, 11};
        // Sans-serif bold small c, a, f; the precomposed é and the other scripts stay.
        QTest::newRow("bold maps ASCII letters only")
            << Command::bold << u"caf\u00e9 \u00df\u03a9\uff21\U0001F600"_s << TextSelection{0, 10}
            << u"\U0001D5F0\U0001D5EE\U0001D5F3\u00e9 \u00df\u03a9\uff21\U0001F600"_s
            << TextSelection{0, 13};

        QTest::newRow("strikethrough after each letter")
            << Command::strikethrough << u"ab"_s << TextSelection{0, 2} << u"a\u0336b\u0336"_s
            << TextSelection{0, 4};
        QTest::newRow("underline marks spaces and line feeds")
            << Command::underline << u"a b\nc"_s << TextSelection{0, 5}
            << u"a\u0332 \u0332b\u0332\n\u0332c\u0332"_s << TextSelection{0, 10};
        QTest::newRow("strikethrough keeps CR LF together")
            << Command::strikethrough << u"a\r\nb"_s << TextSelection{0, 4}
            << u"a\u0336\r\n\u0336b\u0336"_s << TextSelection{0, 7};
        // Sans-serif bold capital A is one character of two units.
        QTest::newRow("strikethrough marks a styled letter once")
            << Command::strikethrough << u"\U0001D5D4b"_s << TextSelection{0, 3}
            << u"\U0001D5D4\u0336b\u0336"_s << TextSelection{0, 5};
        QTest::newRow("underline after a letter with its accent")
            << Command::underline << u"e\u0301!"_s << TextSelection{0, 3}
            << u"e\u0301\u0332!\u0332"_s << TextSelection{0, 5};
        const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s;
        QTest::newRow("underline after a whole emoji sequence")
            << Command::underline << family << TextSelection{0, 8} << family + u"\u0332"_s
            << TextSelection{0, 9};
        QTest::newRow("strikethrough twice gives two marks")
            << Command::strikethrough << u"a\u0336"_s << TextSelection{0, 2} << u"a\u0336\u0336"_s
            << TextSelection{0, 3};

        QTest::newRow("code wraps a letter")
            << Command::code << u"x"_s << TextSelection{0, 1} << u"`x`"_s << TextSelection{0, 3};
        QTest::newRow("code wraps the selection only")
            << Command::code << u"run ls now"_s << TextSelection{4, 2} << u"run `ls` now"_s
            << TextSelection{4, 4};

        // Sans-serif bold capital H and small i, each followed by a combining low line.
        QTest::newRow("clear bold and underlined word")
            << Command::clear << u"\U0001D5DB\u0332\U0001D5F6\u0332"_s << TextSelection{0, 6}
            << u"Hi"_s << TextSelection{0, 2};
        // Sans-serif italic capital H and small i, sans-serif bold digits four and two.
        QTest::newRow("clear italic letters and bold digits")
            << Command::clear << u"\U0001D60F\U0001D62A \U0001D7F0\U0001D7EE"_s
            << TextSelection{0, 9} << u"Hi 42"_s << TextSelection{0, 5};
        QTest::newRow("clear removes every backtick and strikethrough")
            << Command::clear << u"`a\u0336`b``"_s << TextSelection{0, 7} << u"ab"_s
            << TextSelection{0, 2};
        QTest::newRow("clear leaves accents decomposed")
            << Command::clear << u"caf\u00e9 \u00c5"_s << TextSelection{0, 6}
            << u"cafe\u0301 A\u030a"_s << TextSelection{0, 8};
        // Serif bold A, monospace A, sans-serif bold italic A, plain sans-serif A, a tilde,
        // a line prefix.
        const QString others = u"\U0001D400\U0001D670\U0001D63C\U0001D5A0 n\u0303 - x"_s;
        QTest::newRow("clear keeps other alphabets and marks")
            << Command::clear << others << TextSelection{0, 15} << others << TextSelection{0, 15};
        QTest::newRow("clear only the selection")
            << Command::clear << u"\U0001D5DB\U0001D5F6 \U0001D5DB\U0001D5F6"_s
            << TextSelection{0, 4} << u"Hi \U0001D5DB\U0001D5F6"_s << TextSelection{0, 2};

        // Selections are UTF-16 ranges; one that cuts a pair takes the whole pair.
        QTest::newRow("selection starting inside a pair")
            << Command::bold << u"\U0001D5D4bc"_s << TextSelection{1, 2}
            << u"\U0001D5D4\U0001D5EFc"_s << TextSelection{0, 4};
        QTest::newRow("selection ending inside a pair")
            << Command::strikethrough << u"ab\U0001D5D4"_s << TextSelection{0, 3}
            << u"a\u0336b\u0336\U0001D5D4\u0336"_s << TextSelection{0, 7};
        QTest::newRow("selection inside one pair")
            << Command::code << u"a\U0001F600b"_s << TextSelection{2, 0} << u"a\U0001F600b"_s
            << TextSelection{1, 0};
        QTest::newRow("selection past the end")
            << Command::code << u"abc"_s << TextSelection{1, 100} << u"a`bc`"_s
            << TextSelection{1, 4};
        QTest::newRow("selection before the start")
            << Command::code << u"abc"_s << TextSelection{-5, 7} << u"`ab`c"_s
            << TextSelection{0, 4};
        QTest::newRow("selection wholly outside")
            << Command::code << u"abc"_s << TextSelection{7, 2} << u"abc"_s << TextSelection{3, 0};
        QTest::newRow("negative length")
            << Command::code << u"abc"_s << TextSelection{2, -1} << u"abc"_s << TextSelection{2, 0};
    }
    void characterCommands() { verifyCommand(); }

    void characterCommandsNeedASelection()
    {
        const QString text = u"Hello `x`\n\U0001D5D4"_s;
        for (const Command command : selectionCommands) {
            for (const qsizetype caret : {0, 3, 12}) {
                QVERIFY(!TextFormatting::replacement(command, text, {caret, 0}));
                const auto result = TextFormatting::apply(command, text, {caret, 0});
                QCOMPARE(result.text, text);
                QCOMPARE(result.selection, (TextSelection{caret, 0}));
            }
        }
    }

    void lineCommands_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextSelection>("selection");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<TextSelection>("expectedSelection");

        QTest::newRow("bullets on the only line")
            << Command::bullets << u"abc"_s << TextSelection{1, 0} << u"- abc"_s
            << TextSelection{0, 5};
        QTest::newRow("bullets on the first of two lines reach the second")
            << Command::bullets << u"abc\ndef"_s << TextSelection{1, 0} << u"- abc\n- def"_s
            << TextSelection{0, 8};
        QTest::newRow("numbered on the first of two lines")
            << Command::numbered << u"abc\ndef"_s << TextSelection{3, 0} << u"1. abc\n2. def"_s
            << TextSelection{0, 10};
        QTest::newRow("bullets on the last line")
            << Command::bullets << u"abc\ndef"_s << TextSelection{5, 0} << u"abc\n- def"_s
            << TextSelection{4, 5};
        QTest::newRow("numbered three lines in the middle and the next")
            << Command::numbered << u"zero\none\ntwo\nthree\nfour\nfive"_s << TextSelection{6, 9}
            << u"zero\n1. one\n2. two\n3. three\n4. four\nfive"_s << TextSelection{5, 26};
        QTest::newRow("selection ending after a line feed stays on its line")
            << Command::bullets << u"abc\ndef\nghi"_s << TextSelection{0, 4}
            << u"- abc\n- def\nghi"_s << TextSelection{0, 8};
        QTest::newRow("selection to the end of the text")
            << Command::bullets << u"abc\ndef"_s << TextSelection{0, 7} << u"- abc\n- def"_s
            << TextSelection{0, 11};
        QTest::newRow("ten lines count in decimal")
            << Command::numbered << u"a\n"_s.repeated(9) + u"a"_s << TextSelection{0, 19}
            << u"1. a\n2. a\n3. a\n4. a\n5. a\n6. a\n7. a\n8. a\n9. a\n10. a"_s
            << TextSelection{0, 50};
        QTest::newRow("bullets twice stack")
            << Command::bullets << u"- abc"_s << TextSelection{0, 0} << u"- - abc"_s
            << TextSelection{0, 7};
        QTest::newRow("numbering restarts at one")
            << Command::numbered << u"1. a\n2. b"_s << TextSelection{5, 4} << u"1. a\n1. 2. b"_s
            << TextSelection{5, 7};
        QTest::newRow("empty text") << Command::numbered << QString() << TextSelection{0, 0}
                                    << u"1. "_s << TextSelection{0, 3};
        QTest::newRow("caret after a final line feed")
            << Command::bullets << u"abc\n"_s << TextSelection{4, 0} << u"abc\n- "_s
            << TextSelection{4, 2};
        QTest::newRow("caret before a line feed")
            << Command::bullets << u"abc\ndef"_s << TextSelection{3, 0} << u"- abc\n- def"_s
            << TextSelection{0, 8};

        QTest::newRow("CR LF lines") << Command::bullets << u"abc\r\ndef"_s << TextSelection{1, 0}
                                     << u"- abc\r\n- def"_s << TextSelection{0, 9};
        QTest::newRow("CR LF caret between CR and LF")
            << Command::bullets << u"abc\r\ndef"_s << TextSelection{4, 0} << u"- abc\r\n- def"_s
            << TextSelection{0, 9};
        QTest::newRow("CR LF selection ending on the CR")
            << Command::numbered << u"a\r\nb\r\nc"_s << TextSelection{0, 5}
            << u"1. a\r\n2. b\r\n3. c"_s << TextSelection{0, 15};
        QTest::newRow("lone CR ends a line but splits no piece")
            << Command::bullets << u"abc\rdef\nghi"_s << TextSelection{5, 0}
            << u"abc\r- def\n- ghi"_s << TextSelection{4, 8};
        QTest::newRow("line separator ends a line")
            << Command::bullets << u"ab\u2028cd"_s << TextSelection{1, 0} << u"- ab\u2028cd"_s
            << TextSelection{0, 5};
        QTest::newRow("caret inside a pair")
            << Command::bullets << u"x\n\U0001D5D4"_s << TextSelection{3, 0} << u"x\n- \U0001D5D4"_s
            << TextSelection{2, 4};
        QTest::newRow("selection past the end")
            << Command::bullets << u"ab\ncd"_s << TextSelection{4, 50} << u"ab\n- cd"_s
            << TextSelection{3, 4};
    }
    void lineCommands() { verifyCommand(); }

    // The two alphabets in use, checked against the names the Unicode Character Database gives
    // their code points: bold maps every ASCII letter and digit to the sans-serif bold letter or
    // digit of the same name, italic every letter to the sans-serif italic one, and clear maps
    // exactly those back. Other mathematical alphabets are left alone.
    void alphabetsMatchTheirUnicodeNames()
    {
        QFile file(QUILLET_TEST_DATA_DIR "/MathematicalAlphanumerics.txt"_L1);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        static const QRegularExpression entry(
            u"^([0-9A-F]+);MATHEMATICAL ([A-Z -]+) (CAPITAL|SMALL|DIGIT) ([A-Z]+)$"_s);
        static const QStringList digitNames = {
            u"ZERO"_s, u"ONE"_s, u"TWO"_s,   u"THREE"_s, u"FOUR"_s,
            u"FIVE"_s, u"SIX"_s, u"SEVEN"_s, u"EIGHT"_s, u"NINE"_s,
        };
        int boldCount = 0;
        int italicCount = 0;
        int otherCount = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.startsWith(u'#'))
                continue;
            const auto match = entry.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            const char32_t scalar = match.captured(1).toUInt(nullptr, 16);
            const QString styled = QString::fromUcs4(&scalar, 1);
            const QString kind = match.captured(3);
            const QString which = match.captured(4);
            QString ascii;
            if (kind == u"DIGIT"_s)
                ascii = QString::number(digitNames.indexOf(which));
            else
                ascii = kind == u"CAPITAL"_s ? which : which.toLower();
            QCOMPARE(ascii.size(), 1);

            const QString style = match.captured(2);
            if (style == u"SANS-SERIF BOLD"_s) {
                QVERIFY2(TextFormatting::bold(ascii) == styled, qPrintable(line));
                QVERIFY2(TextFormatting::plain(styled) == ascii, qPrintable(line));
                ++boldCount;
            } else if (style == u"SANS-SERIF ITALIC"_s) {
                QVERIFY2(TextFormatting::italic(ascii) == styled, qPrintable(line));
                QVERIFY2(TextFormatting::plain(styled) == ascii, qPrintable(line));
                ++italicCount;
            } else {
                QVERIFY2(TextFormatting::plain(styled) == styled, qPrintable(line));
                ++otherCount;
            }
        }
        QCOMPARE(boldCount, 26 + 26 + 10);
        QCOMPARE(italicCount, 26 + 26);
        QVERIFY(otherCount > 100);
        QCOMPARE(TextFormatting::italic(u"0123456789"_s), u"0123456789"_s);
    }

    // A mapped value that is no Unicode scalar leaves the letter as it was.
    void transformKeepsLettersWithoutAScalar()
    {
        QCOMPARE(visible(TextFormatting::transform(u"AZaz09"_s, 0x10FFF0, 0xD7F0, 0x10FFFA)),
                 visible(u"\U0010FFF0Z\ud7f0z\U0010FFFA9"_s));
    }

    // Random texts and selections, in and out of range: every command gives well-formed UTF-16,
    // selects exactly what it replaced, leaves the text around it alone, and starts line
    // commands at the start of a line.
    void randomTextsStayWellFormed()
    {
        const QStringList pieces = {
            u"a"_s,
            u"Z"_s,
            u"7"_s,
            u" "_s,
            u"!"_s,
            u"\n"_s,
            u"\r\n"_s,
            u"\r"_s,
            u"`"_s,
            u"\u00e9"_s,
            u"e\u0301"_s,
            u"\u0336"_s,
            u"\u0332"_s,
            u"\u2028"_s,
            u"\u4e2d"_s,
            u"\U0001D5D4"_s,
            u"\U0001D622"_s,
            u"\U0001D7F5"_s,
            u"\U0001D400"_s,
            u"\U0001F600"_s,
            u"\U0001F1EB\U0001F1F7"_s,
            u"\U0001F468\u200D\U0001F469"_s,
            u"- "_s,
        };
        QRandomGenerator random(20250611);
        for (int round = 0; round < 1500; ++round) {
            const QString text = randomText(random, pieces, 12);
            const int size = int(text.size());
            const TextSelection selection{random.bounded(-3, size + 4),
                                          random.bounded(-3, size + 4)};
            for (const Command command : everyCommand) {
                const auto result = TextFormatting::apply(command, text, selection);
                const auto context = u"command %1 on \"%2\" at (%3, %4)"_s.arg(int(command))
                                         .arg(visible(text))
                                         .arg(selection.location)
                                         .arg(selection.length)
                                         .toUtf8();
                const char *why = context.constData();
                const TextSelection after = result.selection;
                QVERIFY2(isWellFormed(result.text), why);
                QVERIFY2(after.location >= 0 && after.length >= 0 &&
                             after.end() <= result.text.size(),
                         why);
                QVERIFY2(!cutsPair(result.text, after.location) &&
                             !cutsPair(result.text, after.end()),
                         why);
                const qsizetype tail = result.text.size() - after.end();
                QVERIFY2(tail <= text.size() && after.location <= text.size(), why);
                QVERIFY2(result.text.first(after.location) == text.first(after.location), why);
                QVERIFY2(result.text.last(tail) == text.last(tail), why);
                if (isLineCommand(command)) {
                    QVERIFY2(after.location == 0 || isLineBreak(text[after.location - 1]), why);
                } else if (TextFormatting::normalized(text, selection).isEmpty()) {
                    QVERIFY2(result.text == text, why);
                }
            }
        }
    }

    // Clear takes back every style of plain text, one at a time or stacked.
    void clearUndoesEveryStyle()
    {
        const QStringList pieces = {
            u"a"_s,       u"Q"_s,      u"5"_s,          u" "_s,
            u"!"_s,       u"\n"_s,     u"\r\n"_s,       u"\u00e9"_s,
            u"e\u0301"_s, u"\u4e2d"_s, u"\U0001F600"_s, u"\U0001F468\u200D\U0001F469"_s,
        };
        QRandomGenerator random(7);
        for (int round = 0; round < 500; ++round) {
            const QString text = randomText(random, pieces, 10);
            const QString expected = text.normalized(QString::NormalizationForm_D);
            const QString styled[] = {
                TextFormatting::bold(text),
                TextFormatting::italic(text),
                TextFormatting::combine(text, TextFormatting::strikethroughMark),
                TextFormatting::combine(text, TextFormatting::underlineMark),
                TextFormatting::code(text),
                TextFormatting::code(
                    TextFormatting::combine(TextFormatting::combine(TextFormatting::bold(text),
                                                                    TextFormatting::underlineMark),
                                            TextFormatting::strikethroughMark)),
            };
            for (const QString &each : styled)
                QCOMPARE(visible(TextFormatting::plain(each)), visible(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestTextFormatting)
#include "tst_textformatting.moc"
