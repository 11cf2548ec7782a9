#include "RichTextEditorController.h"

#include "TextFormatting.h"

#include <QQuickTextDocument>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

constexpr auto textAreaTextProperty = "text";
constexpr auto textAreaFormatProperty = "textFormat";
constexpr auto textAreaDocumentProperty = "textDocument";
constexpr auto selectionStartProperty = "selectionStart";
constexpr auto selectionEndProperty = "selectionEnd";
constexpr auto selectMethod = "select";

// Characters that QTextDocument stores as paragraph breaks (or frame markers) instead of as
// themselves.
constexpr char16_t frameStart = 0xFDD0;
constexpr char16_t frameEnd = 0xFDD1;

bool canonicallyEqual(const QString &a, const QString &b)
{
    return a == b ||
           a.normalized(QString::NormalizationForm_D) == b.normalized(QString::NormalizationForm_D);
}

} // namespace

void RichTextEditorController::setTextArea(QQuickItem *textArea)
{
    if (m_textArea == textArea)
        return;
    if (QTextDocument *old = document())
        QObject::disconnect(old, nullptr, this, nullptr);
    m_textArea = textArea;
    if (m_textArea) {
        // Rich text would read "<b>" in a post as markup; posts are plain text.
        m_textArea->setProperty(textAreaFormatProperty, int(Qt::PlainText));
        loadText();
        if (QTextDocument *doc = document())
            connect(doc, &QTextDocument::contentsChanged, this,
                    &RichTextEditorController::documentChanged);
    }
    emit textAreaChanged();
}

void RichTextEditorController::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged();
    if (m_textArea && !canonicallyEqual(displayable(text), m_shownText))
        loadText();
}

TextSelection RichTextEditorController::selection() const
{
    if (!m_textArea)
        return {};
    const int start = m_textArea->property(selectionStartProperty).toInt();
    const int end = m_textArea->property(selectionEndProperty).toInt();
    return {start, end - start};
}

void RichTextEditorController::apply(EditorFormatCommand command)
{
    QTextDocument *doc = document();
    if (!doc)
        return;
    const auto replacement = TextFormatting::replacement(command, documentText(), selection());
    if (!replacement)
        return;

    // The document reports the change when it sees fit, not always inside this call; knowing
    // the result beforehand keeps the command from reading as a user edit.
    QString result = documentText();
    result.replace(replacement->range.location, replacement->range.length, replacement->text);
    m_shownText = result;
    m_updating = true;
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setPosition(int(replacement->range.location));
    cursor.setPosition(int(replacement->range.end()), QTextCursor::KeepAnchor);
    cursor.insertText(replacement->text);
    cursor.endEditBlock();
    m_updating = false;

    select({replacement->range.location, replacement->text.size()});
    m_shownText = documentText();
    m_text = m_shownText;
    emit textChanged();
    emit textEdited(m_text);
}

QString RichTextEditorController::displayable(const QString &text)
{
    QString result = text;
    result.replace(u"\r\n"_s, u"\n"_s);
    result.replace(u'\r', u'\n');
    result.replace(QChar::ParagraphSeparator, u'\n');
    result.remove(QChar(frameStart));
    result.remove(QChar(frameEnd));
    return result;
}

QTextDocument *RichTextEditorController::document() const
{
    if (!m_textArea)
        return nullptr;
    auto *quickDocument =
        m_textArea->property(textAreaDocumentProperty).value<QQuickTextDocument *>();
    return quickDocument ? quickDocument->textDocument() : nullptr;
}

QString RichTextEditorController::documentText() const
{
    const QTextDocument *doc = document();
    if (!doc)
        return {};
    // Raw text keeps no-break spaces and line separators as they are; only the paragraph
    // breaks between blocks become the line feeds they were typed as.
    QString text = doc->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void RichTextEditorController::loadText()
{
    m_shownText = displayable(m_text);
    m_updating = true;
    m_textArea->setProperty(textAreaTextProperty, displayable(m_text));
    if (QTextDocument *doc = document())
        doc->clearUndoRedoStacks();
    m_updating = false;
    m_shownText = documentText();
}

void RichTextEditorController::documentChanged()
{
    if (m_updating)
        return;
    const QString current = documentText();
    if (current == m_shownText)
        return;
    m_shownText = current;
    // A text area that is still being created takes the text it was given only when it
    // completes; that arrival is the owner's text, not a user edit.
    if (current == displayable(m_text))
        return;
    if (!m_didTrackFirstEdit) {
        m_didTrackFirstEdit = true;
        emit firstEdit();
    }
    m_text = current;
    emit textChanged();
    emit textEdited(m_text);
}

void RichTextEditorController::select(TextSelection selection)
{
    QMetaObject::invokeMethod(m_textArea, selectMethod, Q_ARG(int, int(selection.location)),
                              Q_ARG(int, int(selection.end())));
}
