#pragma once

#include "Keychain.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>

#include <optional>
#include <utility>

// A keychain held in memory, for tests and for running without a keyring. Any operation can
// be made to fail, to stand for a keychain that refuses it.
class InMemoryKeychain final : public Keychain {
public:
    enum class Operation { read, update, add, remove };

    [[nodiscard]] ReadResult read(const QString &service, const QString &account) override;
    Status update(const QString &service, const QString &account, const QByteArray &data) override;
    Status add(const QString &service, const QString &account, const QByteArray &data) override;
    Status remove(const QString &service, const QString &account) override;

    // While set, `operation` reports failure and changes nothing.
    void setFailing(Operation operation, bool failing);

    // The stored secret, looked at without going through the operations above.
    [[nodiscard]] std::optional<QByteArray> data(const QString &service,
                                                 const QString &account) const;
    [[nodiscard]] qsizetype itemCount() const { return m_items.size(); }

private:
    using ItemKey = std::pair<QString, QString>;

    QMap<ItemKey, QByteArray> m_items;
    QSet<Operation> m_failing;
};
