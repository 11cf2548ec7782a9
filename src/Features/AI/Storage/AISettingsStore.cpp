#include "AISettingsStore.h"

AISettingsStore::AISettingsStore(AIAPIKeyStore &keyStore, QObject *parent)
    : QObject(parent)
    , m_keyStore(keyStore)
    , m_apiKey(keyStore.load().value_or(QString()))
{}

void AISettingsStore::setApiKey(const QString &apiKey)
{
    if (apiKey == m_apiKey)
        return;
    m_apiKey = apiKey;
    Q_EMIT apiKeyChanged();
}

void AISettingsStore::save()
{
    const QString trimmed = m_apiKey.trimmed();
    setApiKey(trimmed);
    const bool stored = trimmed.isEmpty() ? m_keyStore.clear() : m_keyStore.save(trimmed);
    assignStatusMessage(QString(stored ? savedMessage : saveFailedMessage));
}

void AISettingsStore::clearAccountDeletionData()
{
    [[maybe_unused]] const bool cleared = m_keyStore.clear();
    setApiKey(QString());
}

void AISettingsStore::assignStatusMessage(std::optional<QString> message)
{
    if (message == m_statusMessage)
        return;
    m_statusMessage = std::move(message);
    Q_EMIT statusMessageChanged();
}
