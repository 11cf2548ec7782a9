#include "InMemoryKeychain.h"

Keychain::ReadResult InMemoryKeychain::read(const QString &service, const QString &account)
{
    if (m_failing.contains(Operation::read))
        return {Status::failure, {}};
    const auto it = m_items.constFind({service, account});
    if (it == m_items.constEnd())
        return {Status::itemNotFound, {}};
    return {Status::success, *it};
}

Keychain::Status InMemoryKeychain::update(const QString &service, const QString &account,
                                          const QByteArray &data)
{
    if (m_failing.contains(Operation::update))
        return Status::failure;
    const auto it = m_items.find({service, account});
    if (it == m_items.end())
        return Status::itemNotFound;
    *it = data;
    return Status::success;
}

Keychain::Status InMemoryKeychain::add(const QString &service, const QString &account,
                                       const QByteArray &data)
{
    if (m_failing.contains(Operation::add))
        return Status::failure;
    m_items.insert({service, account}, data);
    return Status::success;
}

Keychain::Status InMemoryKeychain::remove(const QString &service, const QString &account)
{
    if (m_failing.contains(Operation::remove))
        return Status::failure;
    return m_items.remove({service, account}) > 0 ? Status::success : Status::itemNotFound;
}

void InMemoryKeychain::setFailing(Operation operation, bool failing)
{
    if (failing)
        m_failing.insert(operation);
    else
        m_failing.remove(operation);
}

std::optional<QByteArray> InMemoryKeychain::data(const QString &service,
                                                 const QString &account) const
{
    const auto it = m_items.constFind({service, account});
    if (it == m_items.constEnd())
        return std::nullopt;
    return *it;
}
