#pragma once

#include "AIAPIKeyStore.h"
#include "Keychain.h"

#include <QLatin1StringView>

// Keeps the AI key as one keychain item: service "com.northwick.quillet.desktop.ai",
// account "ai-api-key", data the key's UTF-8 text.
class KeychainAIAPIKeyStore final : public AIAPIKeyStore {
public:
    static constexpr QLatin1StringView key{"ai-api-key"};
    static constexpr QLatin1StringView service{"com.northwick.quillet.desktop.ai"};

    explicit KeychainAIAPIKeyStore(Keychain &keychain);

    // Nothing when there is no item, the keychain refuses the read or the data is not UTF-8.
    [[nodiscard]] std::optional<QString> load() override;
    // Updates the item in place, or adds it when there is none. Fails for text that has no
    // UTF-8 form (a lone surrogate) and when the keychain refuses.
    [[nodiscard]] bool save(const QString &apiKey) override;
    // The keychain here keeps no synchronised copies, so the removal of such a copy is the
    // same removal repeated, which finds nothing.
    [[nodiscard]] bool clear() override;

private:
    Keychain &m_keychain;
};
