#pragma once

#include "EditorFormat.h"
#include "EditorFormatCommand.h"
#include "TextSelection.h"

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QTextDocument;

// Keeps a Qt Quick TextArea in step with the editor text and applies the formatting commands
// to it. The text area holds plain text only; its font and colour are display settings.
//
// - `text` is the editor text as its owner holds it. Setting it replaces the text area's
//   content (unless the two are canonically equivalent) and clears the undo history: opening a
//   draft or a rewrite is not a user edit and is not taken back by Ctrl+Z.
// - A user edit (typing, pasting, undo, redo) updates `text` and emits textEdited(); the first
//   one in the life of the controller also emits firstEdit().
// - apply() runs one command on the current selection as a single edit, so one undo step takes
//   it back, selects the result and emits textEdited(). Commands are not user edits for
//   firstEdit().
class RichTextEditorController : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QQuickItem *textArea READ textArea WRITE setTextArea NOTIFY textAreaChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)

public:
    using QObject::QObject;

    [[nodiscard]] QQuickItem *textArea() const { return m_textArea; }
    // A TextArea or TextEdit; the controller makes it plain text.
    void setTextArea(QQuickItem *textArea);

    [[nodiscard]] QString text() const { return m_text; }
    void setText(const QString &text);

    // The selection of the text area in UTF-16 units (location at its start).
    [[nodiscard]] TextSelection selection() const;

    void apply(EditorFormatCommand command);
    Q_INVOKABLE void apply(EditorFormat::Command command)
    {
        apply(EditorFormat::toCommand(command));
    }

    // `text` as the text area can hold it: line breaks become line feeds, because the text
    // area's document turns CR, CR LF and U+2029 into paragraph breaks.
    [[nodiscard]] static QString displayable(const QString &text);

Q_SIGNALS:
    void textAreaChanged();
    void textChanged();
    void textEdited(const QString &text);
    void firstEdit();

private:
    [[nodiscard]] QTextDocument *document() const;
    [[nodiscard]] QString documentText() const;
    void loadText();
    void documentChanged();
    void select(TextSelection selection);

    QPointer<QQuickItem> m_textArea;
    QString m_text;
    // What the document held after the last change the controller knows of; a change that
    // leaves it different came from the user.
    QString m_shownText;
    bool m_updating = false;
    bool m_didTrackFirstEdit = false;
};
