#include "UserDefaultsDraftRepository.h"

#include "UserDefaults.h"

using namespace Qt::StringLiterals;

namespace {
constexpr auto signedOutOwner = "signed-out"_L1;
constexpr auto syncQueueInfix = ".syncQueue."_L1;
} // namespace

UserDefaultsDraftRepository::UserDefaultsDraftRepository(QString key, UserDefaults &defaults,
                                                         Clock clock)
    : m_key(std::move(key))
    , m_defaults(defaults)
    , m_clock(std::move(clock))
{}

QString UserDefaultsDraftRepository::scopedKey(const std::optional<QString> &ownerID) const
{
    return m_key + u'.' + (ownerID ? *ownerID : QString(signedOutOwner));
}

QString UserDefaultsDraftRepository::syncQueueKey(const QString &ownerID) const
{
    return m_key + syncQueueInfix + ownerID;
}

DraftSnapshot UserDefaultsDraftRepository::loadSnapshot(const std::optional<QString> &ownerID) const
{
    const auto bytes = m_defaults.data(scopedKey(ownerID));
    if (!bytes)
        return DraftSnapshot::empty(ownerID, m_clock());

    // The current form, as stored, unless it is from a newer version of the application.
    if (const auto object = AppJson::decodeObject(*bytes)) {
        auto snapshot = DraftSnapshot::fromJson(JsonReader(*object));
        if (snapshot && snapshot->schemaVersion <= DraftSnapshot::currentSchemaVersion)
            return std::move(*snapshot);
    }
    // The legacy form: a bare array of drafts.
    if (const auto array = AppJson::decodeArray(*bytes)) {
        auto drafts = DraftSnapshot::draftsFromJson(*array);
        if (drafts) {
            auto snapshot = DraftSnapshot::empty(ownerID, m_clock());
            snapshot.drafts = std::move(*drafts);
            return snapshot;
        }
    }
    // Unreadable: the bytes stay as they are until the next save replaces them.
    return DraftSnapshot::empty(ownerID, m_clock());
}

// A record is written only when it reads back: a value that cannot be encoded faithfully (an
// invalid or out-of-range date) would otherwise replace good data with bytes that later load
// as empty. Such a save is dropped, which leaves the previous record in place.
void UserDefaultsDraftRepository::saveSnapshot(const DraftSnapshot &snapshot,
                                               const std::optional<QString> &ownerID)
{
    const auto json = snapshot.toJson();
    if (!DraftSnapshot::fromJson(JsonReader(json)))
        return;
    m_defaults.setData(scopedKey(ownerID), AppJson::encode(json));
}

void UserDefaultsDraftRepository::deleteDrafts(const std::optional<QString> &ownerID)
{
    m_defaults.remove(scopedKey(ownerID));
}

QList<DraftSyncMutation>
UserDefaultsDraftRepository::loadSyncMutations(const QString &ownerID) const
{
    const auto bytes = m_defaults.data(syncQueueKey(ownerID));
    if (!bytes)
        return {};
    const auto array = AppJson::decodeArray(*bytes);
    if (!array)
        return {};
    auto queue = DraftSyncMutation::queueFromJson(*array);
    return queue ? std::move(*queue) : QList<DraftSyncMutation>();
}

void UserDefaultsDraftRepository::saveSyncMutations(const QList<DraftSyncMutation> &mutations,
                                                    const QString &ownerID)
{
    const auto json = DraftSyncMutation::queueToJson(mutations);
    if (!DraftSyncMutation::queueFromJson(json))
        return;
    m_defaults.setData(syncQueueKey(ownerID), AppJson::encode(json));
}

void UserDefaultsDraftRepository::deleteSyncMutations(const QString &ownerID)
{
    m_defaults.remove(syncQueueKey(ownerID));
}

void UserDefaultsDraftRepository::beginWrites()
{
    m_defaults.beginWrites();
}

void UserDefaultsDraftRepository::endWrites()
{
    m_defaults.endWrites();
}
