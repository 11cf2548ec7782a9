#pragma once

#include "DraftsListModel.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

class DraftStore;
struct Draft;

// Adapts the draft store for the drafts list: the sync status line, the drafts as a list
// model, and opening and deleting a draft. Reads everything from the store on each access and
// passes every change of the store on as its own `changed()`.
class DraftsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The drafts view model is made by the application")
    Q_PROPERTY(QString syncStatusMessage READ syncStatusMessage NOTIFY syncStatusChanged)
    Q_PROPERTY(DraftsListModel *drafts READ drafts CONSTANT)
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY draftsChanged)

public:
    // `store` must outlive the view model; `locale` formats the rows' dates.
    explicit DraftsViewModel(DraftStore &store, QLocale locale = QLocale(),
                             QObject *parent = nullptr);

    [[nodiscard]] QString syncStatusMessage() const;
    [[nodiscard]] DraftsListModel *drafts() { return &m_drafts; }
    [[nodiscard]] bool isEmpty() const;

    // Loads the draft into the store's editor, then emits draftOpened().
    void open(const Draft &draft);
    // Removes the draft at once, without confirmation; the store queues it for the server.
    void remove(const Draft &draft);

    // The same by the draft's id or its row. An id or row no longer in the list (the list
    // changed under the screen) does nothing and returns false.
    Q_INVOKABLE bool openDraft(const QString &id);
    Q_INVOKABLE bool openDraftAt(int row);
    Q_INVOKABLE bool deleteDraft(const QString &id);
    Q_INVOKABLE bool deleteDraftAt(int row);

Q_SIGNALS:
    // Any change of the store: drafts, sync status, editor text, status line, open draft.
    void changed();
    void draftsChanged();
    void syncStatusChanged();
    // A draft has been loaded into the editor; the window shows the editor.
    void draftOpened();

private:
    [[nodiscard]] std::optional<Draft> draft(const QString &id) const;

    DraftStore &m_store;
    DraftsListModel m_drafts;
};
