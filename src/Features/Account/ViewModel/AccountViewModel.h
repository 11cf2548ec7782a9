#pragma once

#include "AppTelemetry.h"
#include "LinkedInProfile.h"

#include <QCoroTask>
#include <QDateTime>
#include <QLatin1StringView>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class AccountAuthServicing;
class AISettingsStore;
class DraftStore;
class LinkedInSessionStore;

// The account actions of the settings screens: connect a LinkedIn account, log out, and
// delete the account with everything this machine keeps for it. It owns no account data: the
// account is the session store's token, the drafts the draft store's, the AI key the AI
// settings store's. Its own state is three busy flags; every outcome is reported as the
// session store's status message. It also passes the AI key card's state through, so that
// the settings screen binds to one object. Lives on the main thread.
class AccountViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The account view model is made by the application")

    Q_PROPERTY(bool isConnecting READ isConnecting NOTIFY isConnectingChanged)
    Q_PROPERTY(bool isLoggingOut READ isLoggingOut NOTIFY isLoggingOutChanged)
    Q_PROPERTY(bool isDeletingAccount READ isDeletingAccount NOTIFY isDeletingAccountChanged)

    Q_PROPERTY(bool isConnected READ isConnected NOTIFY changed)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY changed)
    Q_PROPERTY(bool hasStatusMessage READ hasStatusMessage NOTIFY changed)
    Q_PROPERTY(bool hasProfile READ hasProfile NOTIFY changed)
    Q_PROPERTY(QString profileName READ profileName NOTIFY changed)
    Q_PROPERTY(QString profileHeadline READ profileHeadline NOTIFY changed)
    Q_PROPERTY(bool hasProfileHeadline READ hasProfileHeadline NOTIFY changed)
    Q_PROPERTY(QString profilePictureURL READ profilePictureURL NOTIFY changed)
    Q_PROPERTY(QDateTime connectedAt READ connectedAt NOTIFY changed)
    Q_PROPERTY(QString registeredText READ registeredText NOTIFY changed)

    Q_PROPERTY(QString apiKey READ apiKey WRITE setApiKey NOTIFY aiSettingsChanged)
    Q_PROPERTY(QString aiStatusMessage READ aiStatusMessage NOTIFY aiSettingsChanged)
    Q_PROPERTY(bool hasAIStatusMessage READ hasAIStatusMessage NOTIFY aiSettingsChanged)

public:
    static constexpr QLatin1StringView accountDeletedMessage{"Account deleted."};
    static constexpr QLatin1StringView registeredPrefix{"Registered "};

    // Every collaborator must outlive the view model. `locale` formats the registration date.
    AccountViewModel(AccountAuthServicing &authService, LinkedInSessionStore &sessionStore,
                     DraftStore &draftStore, AISettingsStore &aiSettingsStore,
                     AppTelemetry::Function track, QLocale locale = QLocale(),
                     QObject *parent = nullptr);

    [[nodiscard]] bool isConnecting() const { return m_isConnecting; }
    [[nodiscard]] bool isLoggingOut() const { return m_isLoggingOut; }
    [[nodiscard]] bool isDeletingAccount() const { return m_isDeletingAccount; }

    // Read from the session store each time.
    [[nodiscard]] bool isConnected() const;
    [[nodiscard]] QString statusMessage() const;
    [[nodiscard]] bool hasStatusMessage() const;
    // The token's profile, present whenever there is a token (usable or not).
    [[nodiscard]] std::optional<LinkedInProfile> profile() const;
    [[nodiscard]] std::optional<QDateTime> connectedAtDate() const;
    [[nodiscard]] bool hasProfile() const { return profile().has_value(); }
    [[nodiscard]] QString profileName() const;
    [[nodiscard]] QString profileHeadline() const;
    [[nodiscard]] bool hasProfileHeadline() const;
    [[nodiscard]] QString profilePictureURL() const;
    [[nodiscard]] QDateTime connectedAt() const { return connectedAtDate().value_or(QDateTime()); }
    // "Registered " and the connection date as a short numeric date in the locale; nothing
    // after the prefix without a date.
    [[nodiscard]] QString registeredText() const;

    // The AI key card: the field's text (edited in place, stored only by saveAISettings())
    // and the outcome of the last save.
    [[nodiscard]] QString apiKey() const;
    void setApiKey(const QString &apiKey);
    [[nodiscard]] QString aiStatusMessage() const;
    [[nodiscard]] bool hasAIStatusMessage() const;
    Q_INVOKABLE void saveAISettings();

    // Each action sets its flag at once and returns; the rest runs on the main thread as the
    // server answers. None refuses to start while its flag is set: the screens disable their
    // buttons instead. (connect() hides QObject::connect; call that one qualified.)
    Q_INVOKABLE void connect();
    Q_INVOKABLE void logOut();
    // Runs `onSuccess` last, after a completed deletion only.
    void deleteAccount(std::function<void()> onSuccess);
    // The same, announcing a completed deletion with accountDeleted() as the last step.
    Q_INVOKABLE void deleteAccount();

Q_SIGNALS:
    // The session store's token or message changed.
    void changed();
    void aiSettingsChanged();
    void isConnectingChanged();
    void isLoggingOutChanged();
    void isDeletingAccountChanged();
    // A deletion started by deleteAccount() without arguments has completed.
    void accountDeleted();

private:
    QCoro::Task<> runConnect();
    QCoro::Task<> runLogOut(std::optional<QString> memberID);
    QCoro::Task<> runDeleteAccount(std::optional<QString> memberID,
                                   std::function<void()> onSuccess);
    [[nodiscard]] std::optional<QString> memberID() const;
    void setConnecting(bool value);
    void setLoggingOut(bool value);
    void setDeletingAccount(bool value);
    void track(AppTelemetryEvent event) const;

    AccountAuthServicing &m_authService;
    LinkedInSessionStore &m_sessionStore;
    DraftStore &m_draftStore;
    AISettingsStore &m_aiSettingsStore;
    AppTelemetry::Function m_track;
    QLocale m_locale;
    bool m_isConnecting = false;
    bool m_isLoggingOut = false;
    bool m_isDeletingAccount = false;
};
