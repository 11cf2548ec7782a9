#include "EditorFormat.h"
#include "RichTextEditorController.h"
#include "TextFormatting.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(Quillet_SharedPlugin)
Q_IMPORT_QML_PLUGIN(Quillet_EditorPlugin)

using namespace Qt::StringLiterals;

namespace {

QString boldText(const QString &text)
{
    return TextFormatting::bold(text);
}

} // namespace

// Drives RichTextEditor in a window the way a screen uses it: the text is bound from outside
// and user edits come back through textEdited().
class TestRichTextEditor : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QQuickView> m_view;

    QQuickItem *scene() const { return m_view->rootObject(); }
    QQuickItem *editor() const { return scene()->property("editor").value<QQuickItem *>(); }
    QQuickItem *area() const { return editor()->property("textArea").value<QQuickItem *>(); }
    RichTextEditorController *controller() const
    {
        return editor()->property("controller").value<RichTextEditorController *>();
    }
    QString editorText() const { return scene()->property("editorText").toString(); }
    QString shownText() const { return area()->property("text").toString(); }
    int firstEdits() const { return scene()->property("firstEdits").toInt(); }
    void setEditorText(const QString &text) { scene()->setProperty("editorText", text); }
    void select(int start, int end)
    {
        QMetaObject::invokeMethod(area(), "select", Q_ARG(int, start), Q_ARG(int, end));
    }
    TextSelection selection() const { return controller()->selection(); }
    void apply(EditorFormat::Command command)
    {
        QMetaObject::invokeMethod(editor(), "apply",
                                  Q_ARG(QVariant, QVariant::fromValue(int(command))));
    }
    void type(const char *text)
    {
        for (; *text; ++text)
            QTest::keyClick(m_view.get(), *text);
    }
    void screenshot(const QString &name)
    {
        const QString folder = QCoreApplication::applicationDirPath() + u"/screenshots"_s;
        QDir().mkpath(folder);
        QVERIFY(m_view->grabWindow().save(folder + u'/' + name + u".png"_s));
    }

private Q_SLOTS:
    void init()
    {
        m_view = std::make_unique<QQuickView>();
        m_view->engine()->addImportPath(u"qrc:/"_s);
        m_view->setSource(
            QUrl::fromLocalFile(QStringLiteral(QUILLET_TEST_DATA_DIR) + u"/EditorScene.qml"_s));
        QVERIFY2(scene(),
                 qPrintable(m_view->errors().isEmpty() ? QString()
                                                       : m_view->errors().first().toString()));
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        area()->forceActiveFocus();
        QTRY_VERIFY(area()->hasActiveFocus());
    }
    void cleanup() { m_view.reset(); }

    void commandReplacesTheSelectionAndSelectsTheResult_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<EditorFormat::Command>("command");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("expectedStart");
        QTest::addColumn<int>("expectedEnd");

        QTest::newRow("bold grows the selection to the styled letters")
            << u"Hello world"_s << 0 << 5 << EditorFormat::Command::Bold
            << boldText(u"Hello"_s) + u" world"_s << 0 << 10;
        QTest::newRow("selection made backwards")
            << u"Hello world"_s << 11 << 6 << EditorFormat::Command::Code << u"Hello `world`"_s << 6
            << 13;
        QTest::newRow("strikethrough marks every character")
            << u"ab"_s << 0 << 2 << EditorFormat::Command::Strikethrough << u"a\u0336b\u0336"_s << 0
            << 4;
        QTest::newRow("code without a selection does nothing")
            << u"x"_s << 1 << 1 << EditorFormat::Command::Code << u"x"_s << 1 << 1;
        QTest::newRow("clear gives back plain letters")
            << boldText(u"Hi"_s) + u" there"_s << 0 << 4 << EditorFormat::Command::Clear
            << u"Hi there"_s << 0 << 2;
        QTest::newRow("bullets on the first of two lines prefix both")
            << u"abc\ndef"_s << 1 << 1 << EditorFormat::Command::Bullets << u"- abc\n- def"_s << 0
            << 8;
        QTest::newRow("numbered over lines given with CR LF")
            << u"abc\r\ndef\r\nghi"_s << 5 << 6 << EditorFormat::Command::Numbered
            << u"abc\n1. def\n2. ghi"_s << 4 << 14;
    }
    void commandReplacesTheSelectionAndSelectsTheResult()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(EditorFormat::Command, command);
        QFETCH(QString, expected);
        QFETCH(int, expectedStart);
        QFETCH(int, expectedEnd);

        setEditorText(text);
        select(start, end);
        apply(command);

        QCOMPARE(editorText(), expected);
        QCOMPARE(shownText(), expected);
        QCOMPARE(selection(), TextSelection(expectedStart, expectedEnd - expectedStart));
        QCOMPARE(firstEdits(), 0);
    }

    void undoAndRedoTakeACommandAsOneStep()
    {
        setEditorText(u"Hello world"_s);
        select(0, 5);
        apply(EditorFormat::Command::Bold);
        const QString bolded = boldText(u"Hello"_s) + u" world"_s;
        QCOMPARE(editorText(), bolded);
        screenshot(u"editor-bold-selected"_s);

        QTest::keyClick(m_view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shownText(), u"Hello world"_s);
        QCOMPARE(editorText(), u"Hello world"_s);

        QTest::keyClick(m_view.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editorText(), bolded);
    }

    void textFromOutsideIsNotAnEdit()
    {
        QSignalSpy edits(editor(), SIGNAL(textEdited(QString)));
        setEditorText(u"A draft"_s);
        QCOMPARE(shownText(), u"A draft"_s);

        // The user's edits to the previous text are not undone into the opened one.
        area()->setProperty("cursorPosition", 7);
        type("!");
        QCOMPARE(editorText(), u"A draft!"_s);
        setEditorText(u"<b>Another</b> draft"_s);
        QTest::keyClick(m_view.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shownText(), u"<b>Another</b> draft"_s);
        QCOMPARE(editorText(), u"<b>Another</b> draft"_s);
        QCOMPARE(edits.count(), 1);

        // A canonically equivalent text leaves the content as it is.
        setEditorText(u"Cafe\u0301"_s);
        setEditorText(u"Caf\u00e9"_s);
        QCOMPARE(shownText(), u"Cafe\u0301"_s);
        QCOMPARE(edits.count(), 1);
    }

    void firstEditIsReportedOnce()
    {
        setEditorText(u"Write a LinkedIn post..."_s);
        QCOMPARE(firstEdits(), 0);
        area()->setProperty("cursorPosition", 0);
        type("Hi ");
        QCOMPARE(editorText(), u"Hi Write a LinkedIn post..."_s);
        QCOMPARE(firstEdits(), 1);
        select(0, 2);
        apply(EditorFormat::Command::Italic);
        QTest::keyClick(m_view.get(), Qt::Key_End);
        type("!");
        QCOMPARE(firstEdits(), 1);
        screenshot(u"editor-typed"_s);
    }

    void longTextWrapsWithinTheWidth()
    {
        setEditorText(QString(u"word "_s).repeated(200));
        QVERIFY(area()->width() <= editor()->width());
        QVERIFY(area()->height() > editor()->height());
        screenshot(u"editor-long-text"_s);
    }
};

QTEST_MAIN(TestRichTextEditor)
#include "tst_richtexteditor.moc"
