#include "AuthTokenStore.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcTokenStore, "quillet.linkedin.tokenstore", QtInfoMsg)
} // namespace

AuthTokenStore::AuthTokenStore(Keychain &keychain, QString key)
    : m_keychain(keychain)
    , m_key(std::move(key))
{}

std::optional<LinkedInToken> AuthTokenStore::load()
{
    const auto item = m_keychain.read(service, m_key);
    if (item.status != Keychain::Status::success)
        return std::nullopt;
    auto token = LinkedInToken::decode(item.data);
    if (!token) {
        // The description names the member that failed, never a value.
        qCDebug(lcTokenStore) << "Stored token not readable:" << token.error().description;
        return std::nullopt;
    }
    return *token;
}

void AuthTokenStore::save(const LinkedInToken &token)
{
    const QByteArray data = token.encoded();
    const auto status = m_keychain.update(service, m_key, data);
    if (status == Keychain::Status::itemNotFound)
        m_keychain.add(service, m_key, data);
}

void AuthTokenStore::clear()
{
    m_keychain.remove(service, m_key);
}

void AuthTokenStore::clearAccountDeletionData()
{
    clear();
    m_keychain.remove(service, m_key);
}
