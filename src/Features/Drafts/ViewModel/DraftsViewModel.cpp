#include "DraftsViewModel.h"

#include "AppJson.h"
#include "Draft.h"
#include "DraftStore.h"

DraftsViewModel::DraftsViewModel(DraftStore &store, QLocale locale, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_drafts(store, std::move(locale))
{
    // Connections with this object as context end with it: the store never keeps the view
    // model alive nor calls it after its end.
    connect(&m_store, &DraftStore::draftsChanged, this, &DraftsViewModel::draftsChanged);
    connect(&m_store, &DraftStore::syncStatusChanged, this, &DraftsViewModel::syncStatusChanged);
    for (auto storeSignal : {&DraftStore::editorTextChanged, &DraftStore::draftsChanged,
                             &DraftStore::statusMessageChanged, &DraftStore::syncStatusChanged,
                             &DraftStore::editingDraftIDChanged})
        connect(&m_store, storeSignal, this, &DraftsViewModel::changed);
}

QString DraftsViewModel::syncStatusMessage() const
{
    return m_store.syncStatusMessage();
}

bool DraftsViewModel::isEmpty() const
{
    return m_store.drafts().isEmpty();
}

void DraftsViewModel::open(const Draft &draft)
{
    m_store.openDraft(draft);
    Q_EMIT draftOpened();
}

void DraftsViewModel::remove(const Draft &draft)
{
    m_store.deleteDraft(draft);
}

bool DraftsViewModel::openDraft(const QString &id)
{
    const auto found = draft(id);
    if (found)
        open(*found);
    return found.has_value();
}

bool DraftsViewModel::openDraftAt(int row)
{
    const auto found = m_drafts.draftAt(row);
    if (found)
        open(*found);
    return found.has_value();
}

bool DraftsViewModel::deleteDraft(const QString &id)
{
    const auto found = draft(id);
    if (found)
        remove(*found);
    return found.has_value();
}

bool DraftsViewModel::deleteDraftAt(int row)
{
    const auto found = m_drafts.draftAt(row);
    if (found)
        remove(*found);
    return found.has_value();
}

std::optional<Draft> DraftsViewModel::draft(const QString &id) const
{
    const auto uuid = AppJson::decodeUuid(id);
    if (!uuid)
        return std::nullopt;
    for (const auto &draft : m_store.drafts()) {
        if (draft.id == *uuid)
            return draft;
    }
    return std::nullopt;
}
