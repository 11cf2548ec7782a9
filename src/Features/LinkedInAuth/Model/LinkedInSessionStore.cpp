#include "LinkedInSessionStore.h"

LinkedInSessionStore::LinkedInSessionStore(LinkedInTokenStore &tokenStore, QObject *parent)
    : QObject(parent)
    , m_tokenStore(tokenStore)
    , m_token(tokenStore.load())
{}

bool LinkedInSessionStore::isConnected() const
{
    return m_token && !m_token->accessToken.isEmpty() && !m_token->profile.memberID.isEmpty();
}

std::optional<LinkedInPostCredential> LinkedInSessionStore::postCredential() const
{
    if (!m_token)
        return std::nullopt;
    return LinkedInPostCredential{m_token->accessToken, m_token->profile.memberID};
}

QString LinkedInSessionStore::memberID() const
{
    return m_token ? m_token->profile.memberID : QString();
}

QString LinkedInSessionStore::name() const
{
    return m_token ? m_token->profile.name : QString();
}

QString LinkedInSessionStore::pictureURL() const
{
    return m_token ? m_token->profile.pictureURL.value_or(QString()) : QString();
}

QString LinkedInSessionStore::email() const
{
    return m_token ? m_token->profile.email.value_or(QString()) : QString();
}

QString LinkedInSessionStore::displayHeadline() const
{
    return m_token ? m_token->profile.displayHeadline().value_or(QString()) : QString();
}

QDateTime LinkedInSessionStore::connectedAt() const
{
    return m_token ? m_token->connectedAt : QDateTime();
}

void LinkedInSessionStore::setStatusMessage(const QString &message)
{
    assignStatusMessage(message);
}

void LinkedInSessionStore::clearStatusMessage()
{
    assignStatusMessage(std::nullopt);
}

void LinkedInSessionStore::setToken(const LinkedInToken &token)
{
    assignToken(token);
    assignStatusMessage(std::nullopt);
    m_tokenStore.save(token);
}

void LinkedInSessionStore::disconnect()
{
    assignToken(std::nullopt);
    m_tokenStore.clear();
    assignStatusMessage(QString(loggedOutMessage));
}

void LinkedInSessionStore::deleteAccountData()
{
    assignToken(std::nullopt);
    m_tokenStore.clearAccountDeletionData();
}

void LinkedInSessionStore::assignToken(std::optional<LinkedInToken> token)
{
    if (token == m_token)
        return;
    m_token = std::move(token);
    Q_EMIT tokenChanged();
}

void LinkedInSessionStore::assignStatusMessage(std::optional<QString> message)
{
    if (message == m_statusMessage)
        return;
    m_statusMessage = std::move(message);
    Q_EMIT statusMessageChanged();
}
