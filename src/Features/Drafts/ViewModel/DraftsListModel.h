#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

class DraftStore;
struct Draft;

// The store's drafts as rows for the drafts list, in the store's order. Follows the store:
// a change that keeps the same drafts in the same order updates the rows in place, any other
// change rebuilds the list.
class DraftsListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The drafts list belongs to the drafts view model")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1, // "draftID" (QML reserves "id"): the id, upper case
        TitleRole,
        BodyRole,
        DateTextRole, // the last change, in the locale's short date and time
    };
    Q_ENUM(Role)

    // `store` must outlive the model; `locale` formats the dates.
    explicit DraftsListModel(DraftStore &store, QLocale locale = QLocale(),
                             QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    [[nodiscard]] int count() const { return rowCount(); }
    // The draft shown in `row`, if there is such a row.
    [[nodiscard]] std::optional<Draft> draftAt(int row) const;
    // The row of the draft with `id`, or -1.
    [[nodiscard]] int rowOf(const QUuid &id) const;
    // How a draft's last change is shown.
    [[nodiscard]] QString dateText(const Draft &draft) const;

Q_SIGNALS:
    void countChanged();

private:
    void storeDraftsChanged();

    DraftStore &m_store;
    QLocale m_locale;
    // The ids shown, so a change can tell an in-place update from a new list.
    QList<QUuid> m_ids;
};
