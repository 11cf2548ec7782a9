#pragma once

#include "AppConfiguration.h"
#include "InsightsViewModel.h"
#include "MainWindowViewModel.h"

#include <QQmlApplicationEngine>

#include <memory>

// The application: runs the start-up sequence in its constructor and shows the one window.
class QuilletDesktopApp {
public:
    QuilletDesktopApp();
    ~QuilletDesktopApp();

    // Loads the window; false when QML failed to load.
    [[nodiscard]] bool showWindow();

    [[nodiscard]] const AppConfiguration &configuration() const { return m_configuration; }

    // Builds the application object and the app, shows the window and runs the event loop.
    static int run(int argc, char **argv);

private:
    AppConfiguration m_configuration;
    // The window's view models; the composition root will wire their actions to the stores.
    MainWindowViewModel m_mainWindowViewModel;
    InsightsViewModel m_insightsViewModel;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
};
