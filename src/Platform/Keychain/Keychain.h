#pragma once

#include <QByteArray>
#include <QString>

// Generic-password items of the user's keychain, each identified by a service and an account
// name. Every operation is synchronous and reports one of three outcomes, so callers can tell
// "there is nothing stored" apart from "the keychain refused".
class Keychain {
public:
    enum class Status {
        success,
        itemNotFound, // no item matches the service and account
        failure,      // the keychain is unavailable, locked or refused the operation
    };

    // The outcome of a read: `data` is the item's secret when `status` is success, else empty.
    struct ReadResult {
        Status status = Status::failure;
        QByteArray data;
    };

    Keychain() = default;
    Keychain(const Keychain &) = delete;
    Keychain &operator=(const Keychain &) = delete;
    virtual ~Keychain() = default;

    // The secret of the item for `service` and `account`.
    [[nodiscard]] virtual ReadResult read(const QString &service, const QString &account) = 0;

    // Replaces the secret of the existing items for `service` and `account`; itemNotFound
    // when there is none, and then nothing is created.
    virtual Status update(const QString &service, const QString &account,
                          const QByteArray &data) = 0;

    // Stores a new item for `service` and `account` holding `data`.
    virtual Status add(const QString &service, const QString &account, const QByteArray &data) = 0;

    // Deletes every item for `service` and `account`; itemNotFound when there was none.
    virtual Status remove(const QString &service, const QString &account) = 0;
};
