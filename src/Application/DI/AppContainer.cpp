#include "AppContainer.h"

#include "AppTelemetry.h"
#include "InsightCatalog.h"

AppContainer::AppContainer(AppConfiguration configuration_, QQmlEngine &engine,
                           const QString &userDefaultsFile)
    : userDefaults(userDefaultsFile)
    , draftRepository(configuration_.storage.draftsKey, userDefaults)
    , tokenStore(keychain, configuration_.storage.linkedInTokenKey)
    , configuration(std::move(configuration_))
    , signInSheet(engine)
    , authService(configuration.api.baseURL, configuration.linkedIn.callbackURLScheme, tokenStore,
                  signInSheet)
    , postService(configuration.api.baseURL)
    , feedbackService(configuration.api.baseURL)
    , notificationReminderService(configuration.api.baseURL, userDefaults, notificationCenter,
                                  AppTelemetry::function())
    , m_syncService(configuration.api.baseURL)
    , m_aiKeyStore(keychain)
    , draftStore(draftRepository, &m_syncService, AppTelemetry::function())
    , linkedInSessionStore(tokenStore)
    , aiSettingsStore(m_aiKeyStore)
    , draftsViewModel(draftStore)
    , editorViewModel(draftStore, linkedInSessionStore, authService, postService, naturalizeService,
                      aiSettingsStore, AppTelemetry::function())
    , accountViewModel(authService, linkedInSessionStore, draftStore, aiSettingsStore,
                       AppTelemetry::function())
    , insightsViewModel(InsightCatalog::builtIn(), InsightsViewModel::desktopOpener(),
                        AppTelemetry::function())
    , feedbackViewModel(feedbackService, linkedInSessionStore, FeedbackViewModel::desktopOpener(),
                        AppTelemetry::function())
    , mainWindowViewModel(MainWindowViewModel::Actions{
          [this] { draftStore.startNewPost(); },
          [this] { draftStore.setSession(linkedInSessionStore.token()); },
          [this] { syncReminder(); },
          AppTelemetry::function(),
      })
{
    QObject::connect(&linkedInSessionStore, &LinkedInSessionStore::tokenChanged,
                     &mainWindowViewModel, &MainWindowViewModel::sessionTokenChanged);
    QObject::connect(&draftsViewModel, &DraftsViewModel::draftOpened, &mainWindowViewModel,
                     &MainWindowViewModel::openDraftInEditor);
    // Dismissing the feedback sheet discards the form, so it opens empty next time.
    QObject::connect(&mainWindowViewModel, &MainWindowViewModel::showsFeedbackChanged,
                     &feedbackViewModel, [this] {
                         if (!mainWindowViewModel.showsFeedback())
                             feedbackViewModel.reset();
                     });
}

void AppContainer::syncReminder()
{
    // Runs on its own; the reminder reports failures only as a usage event.
    notificationReminderService.syncTodayReminder(linkedInSessionStore.token());
}
