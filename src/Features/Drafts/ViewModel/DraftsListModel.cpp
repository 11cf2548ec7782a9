#include "DraftsListModel.h"

#include "AppJson.h"
#include "Draft.h"
#include "DraftStore.h"

using namespace Qt::StringLiterals;

namespace {

QList<QUuid> idsOf(const QList<Draft> &drafts)
{
    QList<QUuid> ids;
    ids.reserve(drafts.size());
    for (const auto &draft : drafts)
        ids.append(draft.id);
    return ids;
}

} // namespace

DraftsListModel::DraftsListModel(DraftStore &store, QLocale locale, QObject *parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_locale(std::move(locale))
    , m_ids(idsOf(store.drafts()))
{
    connect(&m_store, &DraftStore::draftsChanged, this, &DraftsListModel::storeDraftsChanged);
}

int DraftsListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

QVariant DraftsListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const auto draft = draftAt(index.row());
    if (!draft)
        return {};
    switch (role) {
    case IdRole:
        return AppJson::encodeUuid(draft->id);
    case Qt::DisplayRole:
    case TitleRole:
        return draft->title();
    case BodyRole:
        return draft->body;
    case DateTextRole:
        return dateText(*draft);
    default:
        return {};
    }
}

QHash<int, QByteArray> DraftsListModel::roleNames() const
{
    return {
        {IdRole, "draftID"_ba},
        {TitleRole, "title"_ba},
        {BodyRole, "body"_ba},
        {DateTextRole, "dateText"_ba},
    };
}

std::optional<Draft> DraftsListModel::draftAt(int row) const
{
    // By id rather than position: another observer of the store may ask while this model
    // has not yet taken the store's latest list.
    if (row < 0 || row >= m_ids.size())
        return std::nullopt;
    for (const auto &draft : m_store.drafts()) {
        if (draft.id == m_ids.at(row))
            return draft;
    }
    return std::nullopt;
}

int DraftsListModel::rowOf(const QUuid &id) const
{
    return int(m_ids.indexOf(id));
}

QString DraftsListModel::dateText(const Draft &draft) const
{
    return m_locale.toString(draft.updatedAt.toLocalTime(), QLocale::ShortFormat);
}

void DraftsListModel::storeDraftsChanged()
{
    auto ids = idsOf(m_store.drafts());
    if (ids == m_ids) {
        if (!m_ids.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_ids.size()) - 1));
        return;
    }
    const auto oldCount = m_ids.size();
    beginResetModel();
    m_ids = std::move(ids);
    endResetModel();
    if (m_ids.size() != oldCount)
        Q_EMIT countChanged();
}
