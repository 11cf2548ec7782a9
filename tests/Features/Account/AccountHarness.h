#pragma once

// The account view model over real stores: drafts in a user-defaults file, the LinkedIn token
// and the AI key in an in-memory keychain, and a scripted account service. restart() builds
// new stores and a new view model over the same file and keychain, as a new run would.

#include "AISettingsStore.h"
#include "AccountViewModel.h"
#include "AuthTokenStore.h"
#include "DraftStore.h"
#include "InMemoryKeychain.h"
#include "KeychainAIAPIKeyStore.h"
#include "LinkedInSessionStore.h"
#include "ScriptedAccountAuth.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace AccountFixtures {

inline QDateTime at(int seconds)
{
    return QDateTime(QDate(2026, 3, 14), QTime(9, 30), Qt::UTC).addSecs(seconds);
}

inline LinkedInToken token(const QString &memberID = QStringLiteral("member-1"))
{
    LinkedInToken token;
    token.accessToken = QStringLiteral("access-1");
    token.profile.memberID = memberID;
    token.profile.name = QStringLiteral("Ada Example");
    token.profile.headline = QStringLiteral("  Writes about compilers  ");
    token.connectedAt = at(0);
    return token;
}

} // namespace AccountFixtures

struct AccountHarness {
    static inline const QString draftsKey = QStringLiteral("drafts");
    static inline const QString tokenKey = QStringLiteral("linkedin-token");

    // The objects of one run, in the container's order.
    struct Run {
        Run(AccountHarness &h)
            : defaults(h.folder.filePath(QStringLiteral("defaults.conf")))
            , repository(draftsKey, defaults)
            , tokenStore(h.keychain, tokenKey)
            , draftStore(
                  repository, nullptr, AppTelemetry::Function{},
                  [] { return AccountFixtures::at(60); }, [] { return 0.0; })
            , session(tokenStore)
            , keyStore(h.keychain)
            , aiSettings(keyStore)
            , viewModel(
                  h.auth, session, draftStore, aiSettings,
                  [&h](AppTelemetryEvent event, const QMap<QString, QString> &parameters) {
                      h.events << event;
                      h.log << QString(wireName(event)) +
                                   (parameters.isEmpty() ? QString() : QStringLiteral("+params"));
                  },
                  QLocale(QLocale::German))
        {
            // The window hands every token change to the draft store.
            draftStore.setSession(session.token());
            QObject::connect(&session, &LinkedInSessionStore::tokenChanged, &draftStore,
                             [this] { draftStore.setSession(session.token()); });
        }

        UserDefaults defaults;
        UserDefaultsDraftRepository repository;
        AuthTokenStore tokenStore;
        DraftStore draftStore;
        LinkedInSessionStore session;
        KeychainAIAPIKeyStore keyStore;
        AISettingsStore aiSettings;
        AccountViewModel viewModel;
    };

    AccountHarness() { restart(); }

    void restart()
    {
        run.reset();
        run = std::make_unique<Run>(*this);
    }

    // Connected as `token`, with one saved draft for the account, one signed-out draft and a
    // saved AI key, all written through to the file and the keychain.
    void seedConnectedAccount(const LinkedInToken &connected = AccountFixtures::token())
    {
        run->draftStore.setEditorText(QStringLiteral("Signed-out draft"));
        run->draftStore.saveCurrentDraft();
        run->session.setToken(connected);
        run->draftStore.setEditorText(QStringLiteral("Account draft"));
        run->draftStore.saveCurrentDraft();
        run->aiSettings.setApiKey(QStringLiteral("ai-key-1"));
        run->aiSettings.save();
    }

    [[nodiscard]] AccountViewModel &viewModel() { return run->viewModel; }

    QTemporaryDir folder;
    InMemoryKeychain keychain;
    ScriptedAccountAuth auth;
    QList<AppTelemetryEvent> events;
    QStringList log;
    std::unique_ptr<Run> run;
};
