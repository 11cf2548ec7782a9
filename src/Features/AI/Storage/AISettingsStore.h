#pragma once

#include "AIAPIKeyStore.h"
#include "AISettings.h"

#include <QLatin1StringView>
#include <QObject>
#include <QString>

#include <optional>

// The user's AI API key as the settings screen edits it and the rewrite reads it, with the
// outcome of the last save. Lives on the main thread. Typing changes only `apiKey`; the key
// store is written by save() and clearAccountDeletionData() alone.
class AISettingsStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString apiKey READ apiKey WRITE setApiKey NOTIFY apiKeyChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY statusMessageChanged)

public:
    static constexpr QLatin1StringView savedMessage{"AI settings saved."};
    static constexpr QLatin1StringView saveFailedMessage{"AI key could not be saved."};

    // Starts with the stored key, untrimmed, or an empty one.
    explicit AISettingsStore(AIAPIKeyStore &keyStore, QObject *parent = nullptr);

    [[nodiscard]] QString apiKey() const { return m_apiKey; }
    void setApiKey(const QString &apiKey);

    // The result of the last save; empty and hasStatusMessage() false before the first.
    [[nodiscard]] QString statusMessage() const { return m_statusMessage.value_or(QString()); }
    [[nodiscard]] bool hasStatusMessage() const { return m_statusMessage.has_value(); }

    // The key as it stands now, untrimmed.
    [[nodiscard]] AISettings current() const { return {m_apiKey}; }

    // Trims the key (the field shows the trimmed text), stores it, or removes the stored key
    // when nothing is left, and reports the outcome in statusMessage.
    Q_INVOKABLE void save();

    // Removes the stored key and empties the field; the message stays as it was.
    void clearAccountDeletionData();

Q_SIGNALS:
    void apiKeyChanged();
    void statusMessageChanged();

private:
    void assignStatusMessage(std::optional<QString> message);

    AIAPIKeyStore &m_keyStore;
    QString m_apiKey;
    std::optional<QString> m_statusMessage;
};
