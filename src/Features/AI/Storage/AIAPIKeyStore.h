#pragma once

#include <QString>

#include <optional>

// Where the user's AI API key is kept between runs. Synchronous.
class AIAPIKeyStore {
public:
    AIAPIKeyStore() = default;
    AIAPIKeyStore(const AIAPIKeyStore &) = delete;
    AIAPIKeyStore &operator=(const AIAPIKeyStore &) = delete;
    virtual ~AIAPIKeyStore() = default;

    // The stored key; nothing when there is none or it cannot be read.
    [[nodiscard]] virtual std::optional<QString> load() = 0;
    // Stores `key`, replacing any stored one; whether it was stored.
    [[nodiscard]] virtual bool save(const QString &key) = 0;
    // Removes the stored key; whether no key is stored afterwards (finding none counts).
    [[nodiscard]] virtual bool clear() = 0;
};
