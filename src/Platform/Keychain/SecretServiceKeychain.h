#pragma once

#include "Keychain.h"

#include <chrono>

// The user's keychain through the freedesktop Secret Service (GNOME Keyring, KWallet), by way
// of libsecret. Items carry the attributes "service" and "account", so that
// `secret-tool lookup service S account A` finds them, and are created in the default
// collection (the login keyring).
//
// Calls block the calling thread. Before each one the session bus is asked, within
// `busTimeout`, whether a Secret Service runs or can be started; when there is no bus or no
// such service the operation reports failure at once instead of waiting for D-Bus time-outs.
// A locked keyring makes the call wait until the user answers the desktop's unlock prompt.
class SecretServiceKeychain final : public Keychain {
public:
    static constexpr std::chrono::milliseconds defaultBusTimeout{1000};

    explicit SecretServiceKeychain(std::chrono::milliseconds busTimeout = defaultBusTimeout);

    [[nodiscard]] ReadResult read(const QString &service, const QString &account) override;
    Status update(const QString &service, const QString &account, const QByteArray &data) override;
    Status add(const QString &service, const QString &account, const QByteArray &data) override;
    Status remove(const QString &service, const QString &account) override;

    // Whether the session bus has a Secret Service running or ready to be started.
    [[nodiscard]] bool isAvailable() const;

private:
    std::chrono::milliseconds m_busTimeout;
};
