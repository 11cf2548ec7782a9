#pragma once

#include "AppConfiguration.h"

#include <QQmlApplicationEngine>

#include <memory>

class AppContainer;

// The application: runs the start-up sequence in its constructor and shows the one window.
class QuilletDesktopApp {
public:
    QuilletDesktopApp();
    ~QuilletDesktopApp();

    // Loads the window; false when QML failed to load.
    [[nodiscard]] bool showWindow();

    [[nodiscard]] AppContainer &container() { return *m_container; }

    // Builds the application object and the app, shows the window and runs the event loop.
    // With --exit-after-first-frame it prints start-up figures at the first frame and quits
    // (FirstFrameProbe), for the start-up benchmark.
    static int run(int argc, char **argv);

private:
    // Declared first so that it outlives the container, whose sign-in sheet uses it.
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    std::unique_ptr<AppContainer> m_container;
};
