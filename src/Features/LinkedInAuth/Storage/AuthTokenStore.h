#pragma once

#include "Keychain.h"
#include "LinkedInTokenStore.h"

#include <QLatin1StringView>
#include <QString>

// Keeps the token as one keychain item: service "com.northwick.quillet.desktop.linkedin",
// account `key`, data the token's UTF-8 JSON text.
class AuthTokenStore final : public LinkedInTokenStore {
public:
    static constexpr QLatin1StringView service{"com.northwick.quillet.desktop.linkedin"};

    AuthTokenStore(Keychain &keychain, QString key);

    [[nodiscard]] const QString &key() const { return m_key; }

    // Nothing when there is no item, the keychain refuses the read or the data is not a
    // token; an undecodable item is left in place.
    [[nodiscard]] std::optional<LinkedInToken> load() override;
    // Updates the item in place, or adds it when there is none.
    void save(const LinkedInToken &token) override;
    void clear() override;
    // The keychain here keeps no synchronised copies, so this is the same removal; it is
    // repeated to match the contract, and the second pass finds nothing.
    void clearAccountDeletionData() override;

private:
    Keychain &m_keychain;
    const QString m_key;
};
