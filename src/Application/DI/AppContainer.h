#pragma once

#include "AISettingsStore.h"
#include "AccountViewModel.h"
#include "AppConfiguration.h"
#include "AuthTokenStore.h"
#include "DBusUserNotificationCenter.h"
#include "DraftStore.h"
#include "DraftsViewModel.h"
#include "EditorViewModel.h"
#include "FeedbackService.h"
#include "FeedbackViewModel.h"
#include "InsightsViewModel.h"
#include "KeychainAIAPIKeyStore.h"
#include "LazySignInSheet.h"
#include "LinkedInAuthService.h"
#include "LinkedInPostService.h"
#include "LinkedInSessionStore.h"
#include "MainWindowViewModel.h"
#include "NaturalizeService.h"
#include "NotificationReminderService.h"
#include "SecretServiceKeychain.h"
#include "SyncedDraftsService.h"
#include "UserDefaults.h"
#include "UserDefaultsDraftRepository.h"

class QQmlEngine;

// The composition root: creates every long-lived store, service and view model exactly once,
// in a fixed order, and holds them for the life of the process. Building it reads the
// signed-out draft snapshot, the stored LinkedIn token and the stored AI key; it makes no
// network request and asks for no notification permission.
class AppContainer {
public:
    // `engine` hosts the sign-in sheet when it is first needed; `userDefaultsFile` is the
    // per-user settings file (the standard one in the application).
    AppContainer(AppConfiguration configuration, QQmlEngine &engine,
                 const QString &userDefaultsFile = UserDefaults::standardFilePath());
    AppContainer(const AppContainer &) = delete;
    AppContainer &operator=(const AppContainer &) = delete;

    // Platform services shared by several objects.
    UserDefaults userDefaults;
    SecretServiceKeychain keychain;
    DBusUserNotificationCenter notificationCenter;

    UserDefaultsDraftRepository draftRepository;
    AuthTokenStore tokenStore;
    const AppConfiguration configuration;
    LazySignInSheet signInSheet;
    LinkedInAuthService authService;
    LinkedInPostService postService;
    NaturalizeService naturalizeService;
    FeedbackService feedbackService;
    NotificationReminderService notificationReminderService;

private:
    // Owned here but used only by the draft store.
    SyncedDraftsService m_syncService;
    KeychainAIAPIKeyStore m_aiKeyStore;

public:
    DraftStore draftStore;
    LinkedInSessionStore linkedInSessionStore;
    AISettingsStore aiSettingsStore;
    DraftsViewModel draftsViewModel;
    EditorViewModel editorViewModel;
    AccountViewModel accountViewModel;
    InsightsViewModel insightsViewModel;
    FeedbackViewModel feedbackViewModel;
    MainWindowViewModel mainWindowViewModel;

private:
    void syncReminder();
};
