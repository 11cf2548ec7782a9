#pragma once

#include "LinkedInPostCredential.h"
#include "LinkedInToken.h"
#include "LinkedInTokenStore.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

// The connected LinkedIn account as the whole application sees it: the current token, held
// in memory and kept in the token store, and the last account message for the account
// screens. Lives on the main thread. The token is restored from the store at construction,
// so a connection made in an earlier run is there before any screen is shown.
class LinkedInSessionStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY tokenChanged)
    Q_PROPERTY(bool hasToken READ hasToken NOTIFY tokenChanged)
    Q_PROPERTY(QString memberID READ memberID NOTIFY tokenChanged)
    Q_PROPERTY(QString name READ name NOTIFY tokenChanged)
    Q_PROPERTY(QString pictureURL READ pictureURL NOTIFY tokenChanged)
    Q_PROPERTY(QString email READ email NOTIFY tokenChanged)
    Q_PROPERTY(QString displayHeadline READ displayHeadline NOTIFY tokenChanged)
    Q_PROPERTY(QDateTime connectedAt READ connectedAt NOTIFY tokenChanged)
    Q_PROPERTY(
        QString statusMessage READ statusMessage WRITE setStatusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY statusMessageChanged)

public:
    static constexpr QLatin1StringView loggedOutMessage{"Logged out."};

    explicit LinkedInSessionStore(LinkedInTokenStore &tokenStore, QObject *parent = nullptr);

    [[nodiscard]] const std::optional<LinkedInToken> &token() const { return m_token; }

    // A token is present and neither its access token nor its member id is empty.
    [[nodiscard]] bool isConnected() const;
    // The token's access token and member id, whether empty or not; absent without a token.
    [[nodiscard]] std::optional<LinkedInPostCredential> postCredential() const;

    // Profile fields of the token for the screens; empty (or an invalid date) without one.
    [[nodiscard]] bool hasToken() const { return m_token.has_value(); }
    [[nodiscard]] QString memberID() const;
    [[nodiscard]] QString name() const;
    [[nodiscard]] QString pictureURL() const;
    [[nodiscard]] QString email() const;
    [[nodiscard]] QString displayHeadline() const;
    [[nodiscard]] QDateTime connectedAt() const;

    // The last account message: an error text, "Logged out.", "Account deleted.". Empty and
    // hasStatusMessage() false while there is none.
    [[nodiscard]] QString statusMessage() const { return m_statusMessage.value_or(QString()); }
    [[nodiscard]] bool hasStatusMessage() const { return m_statusMessage.has_value(); }
    void setStatusMessage(const QString &message);
    void clearStatusMessage();

    // Makes `token` the connected account: clears the message, then stores the token.
    void setToken(const LinkedInToken &token);
    // Forgets the account and its stored token, and reports "Logged out.".
    // (Hides QObject::disconnect; call that one qualified.)
    void disconnect();
    // Forgets the account and removes every stored copy of its token; the message is left
    // to the caller.
    void deleteAccountData();

Q_SIGNALS:
    // Emitted when the token actually changes (connect, log-out, account deletion).
    void tokenChanged();
    void statusMessageChanged();

private:
    void assignToken(std::optional<LinkedInToken> token);
    void assignStatusMessage(std::optional<QString> message);

    LinkedInTokenStore &m_tokenStore;
    std::optional<LinkedInToken> m_token;
    std::optional<QString> m_statusMessage;
};
