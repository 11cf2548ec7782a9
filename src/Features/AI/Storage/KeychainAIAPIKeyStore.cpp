#include "KeychainAIAPIKeyStore.h"

#include <QStringDecoder>
#include <QStringEncoder>

KeychainAIAPIKeyStore::KeychainAIAPIKeyStore(Keychain &keychain)
    : m_keychain(keychain)
{}

std::optional<QString> KeychainAIAPIKeyStore::load()
{
    const auto item = m_keychain.read(service, key);
    if (item.status != Keychain::Status::success)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(item.data);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool KeychainAIAPIKeyStore::save(const QString &apiKey)
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray data = encoder.encode(apiKey);
    if (encoder.hasError())
        return false;

    const auto updated = m_keychain.update(service, key, data);
    if (updated == Keychain::Status::itemNotFound)
        return m_keychain.add(service, key, data) == Keychain::Status::success;
    return updated == Keychain::Status::success;
}

bool KeychainAIAPIKeyStore::clear()
{
    using Status = Keychain::Status;
    const Status local = m_keychain.remove(service, key);
    const Status synchronised = m_keychain.remove(service, key);
    if (local != Status::success && local != Status::itemNotFound)
        return false;
    if (synchronised != Status::success)
        return synchronised == Status::itemNotFound;
    return true;
}
