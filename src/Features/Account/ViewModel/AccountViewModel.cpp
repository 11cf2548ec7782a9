#include "AccountViewModel.h"

#include "AISettingsStore.h"
#include "AccountAuthServicing.h"
#include "DraftStore.h"
#include "LinkedInSessionStore.h"

#include <QPointer>

AccountViewModel::AccountViewModel(AccountAuthServicing &authService,
                                   LinkedInSessionStore &sessionStore, DraftStore &draftStore,
                                   AISettingsStore &aiSettingsStore, AppTelemetry::Function track,
                                   QLocale locale, QObject *parent)
    : QObject(parent)
    , m_authService(authService)
    , m_sessionStore(sessionStore)
    , m_draftStore(draftStore)
    , m_aiSettingsStore(aiSettingsStore)
    , m_track(std::move(track))
    , m_locale(std::move(locale))
{
    // With this object as context, the connections end with the view model: the stores never
    // call it after its end.
    QObject::connect(&m_sessionStore, &LinkedInSessionStore::tokenChanged, this,
                     &AccountViewModel::changed);
    QObject::connect(&m_sessionStore, &LinkedInSessionStore::statusMessageChanged, this,
                     &AccountViewModel::changed);
    QObject::connect(&m_aiSettingsStore, &AISettingsStore::apiKeyChanged, this,
                     &AccountViewModel::aiSettingsChanged);
    QObject::connect(&m_aiSettingsStore, &AISettingsStore::statusMessageChanged, this,
                     &AccountViewModel::aiSettingsChanged);
}

bool AccountViewModel::isConnected() const
{
    return m_sessionStore.isConnected();
}

QString AccountViewModel::statusMessage() const
{
    return m_sessionStore.statusMessage();
}

bool AccountViewModel::hasStatusMessage() const
{
    return m_sessionStore.hasStatusMessage();
}

std::optional<LinkedInProfile> AccountViewModel::profile() const
{
    const auto &token = m_sessionStore.token();
    if (!token)
        return std::nullopt;
    return token->profile;
}

std::optional<QDateTime> AccountViewModel::connectedAtDate() const
{
    const auto &token = m_sessionStore.token();
    if (!token || !token->connectedAt.isValid())
        return std::nullopt;
    return token->connectedAt;
}

QString AccountViewModel::profileName() const
{
    const auto current = profile();
    return current ? current->name : QString();
}

QString AccountViewModel::profileHeadline() const
{
    const auto current = profile();
    return current ? current->displayHeadline().value_or(QString()) : QString();
}

bool AccountViewModel::hasProfileHeadline() const
{
    const auto current = profile();
    return current && current->displayHeadline().has_value();
}

QString AccountViewModel::profilePictureURL() const
{
    const auto current = profile();
    return current ? current->pictureURL.value_or(QString()) : QString();
}

QString AccountViewModel::registeredText() const
{
    const auto date = connectedAtDate();
    if (!date)
        return QString(registeredPrefix);
    return registeredPrefix + m_locale.toString(date->toLocalTime().date(), QLocale::ShortFormat);
}

QString AccountViewModel::apiKey() const
{
    return m_aiSettingsStore.apiKey();
}

void AccountViewModel::setApiKey(const QString &apiKey)
{
    m_aiSettingsStore.setApiKey(apiKey);
}

QString AccountViewModel::aiStatusMessage() const
{
    return m_aiSettingsStore.statusMessage();
}

bool AccountViewModel::hasAIStatusMessage() const
{
    return m_aiSettingsStore.hasStatusMessage();
}

void AccountViewModel::saveAISettings()
{
    m_aiSettingsStore.save();
}

void AccountViewModel::connect()
{
    track(AppTelemetryEvent::linkedInConnectStarted);
    setConnecting(true);
    runConnect();
}

void AccountViewModel::logOut()
{
    auto member = memberID();
    setLoggingOut(true);
    runLogOut(std::move(member));
}

void AccountViewModel::deleteAccount(std::function<void()> onSuccess)
{
    auto member = memberID();
    setDeletingAccount(true);
    runDeleteAccount(std::move(member), std::move(onSuccess));
}

void AccountViewModel::deleteAccount()
{
    const QPointer<AccountViewModel> self(this);
    deleteAccount([self] {
        if (self)
            Q_EMIT self->accountDeleted();
    });
}

QCoro::Task<> AccountViewModel::runConnect()
{
    // The view model (and with it the stores) may be gone by the time an answer arrives.
    const QPointer<AccountViewModel> self(this);
    // Started outside the co_await: GCC 12 may destroy the temporaries of a coroutine call
    // inside a co_await expression twice.
    auto signIn = m_authService.signIn();
    const auto token = co_await std::move(signIn);
    if (!self)
        co_return;
    if (!token) {
        m_sessionStore.setStatusMessage(token.error().description);
        setConnecting(false);
        co_return;
    }
    m_sessionStore.setToken(*token);
    setConnecting(false);
    track(AppTelemetryEvent::linkedInConnected);
}

QCoro::Task<> AccountViewModel::runLogOut(std::optional<QString> memberID)
{
    const QPointer<AccountViewModel> self(this);
    if (memberID) {
        auto request = m_authService.disconnect(*memberID);
        const auto disconnected = co_await std::move(request);
        if (!self)
            co_return;
        if (!disconnected) {
            // The server still holds the connection: keep the account, here and in the
            // keychain, so that the user can try again.
            m_sessionStore.setStatusMessage(disconnected.error().description);
            setLoggingOut(false);
            co_return;
        }
    }
    m_sessionStore.disconnect();
    setLoggingOut(false);
}

QCoro::Task<> AccountViewModel::runDeleteAccount(std::optional<QString> memberID,
                                                 std::function<void()> onSuccess)
{
    const QPointer<AccountViewModel> self(this);
    if (memberID) {
        auto request = m_authService.deleteAccount(*memberID);
        const auto deleted = co_await std::move(request);
        if (!self)
            co_return;
        if (!deleted) {
            // Nothing local is touched: the account, its drafts and the AI key stay.
            m_sessionStore.setStatusMessage(deleted.error().description);
            setDeletingAccount(false);
            co_return;
        }
    }
    // The local steps run back to back, without suspending, so no screen sees a half-deleted
    // state between them.
    m_draftStore.deleteAccountData(memberID);
    m_sessionStore.deleteAccountData();
    m_aiSettingsStore.clearAccountDeletionData();
    m_authService.requireEphemeralSignInOnce();
    m_sessionStore.setStatusMessage(QString(accountDeletedMessage));
    setDeletingAccount(false);
    track(AppTelemetryEvent::accountDeleted);
    if (onSuccess)
        onSuccess();
}

std::optional<QString> AccountViewModel::memberID() const
{
    const auto &token = m_sessionStore.token();
    if (!token)
        return std::nullopt;
    return token->profile.memberID;
}

void AccountViewModel::setConnecting(bool value)
{
    if (m_isConnecting == value)
        return;
    m_isConnecting = value;
    Q_EMIT isConnectingChanged();
}

void AccountViewModel::setLoggingOut(bool value)
{
    if (m_isLoggingOut == value)
        return;
    m_isLoggingOut = value;
    Q_EMIT isLoggingOutChanged();
}

void AccountViewModel::setDeletingAccount(bool value)
{
    if (m_isDeletingAccount == value)
        return;
    m_isDeletingAccount = value;
    Q_EMIT isDeletingAccountChanged();
}

void AccountViewModel::track(AppTelemetryEvent event) const
{
    if (m_track)
        m_track(event, {});
}
