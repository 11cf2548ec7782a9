#pragma once

#include "AppConfiguration.h"
#include "Bundle.h"

#include <QQmlApplicationEngine>

#include <memory>

class AppContainer;
class QQuickWindow;

// The application: runs the start-up sequence in its constructor and shows the one window.
class QuilletDesktopApp {
public:
    // Runs the start-up sequence over `bundle`: the program's own, or a test's.
    explicit QuilletDesktopApp(const Bundle &bundle = Bundle::main());
    ~QuilletDesktopApp();
    QuilletDesktopApp(const QuilletDesktopApp &) = delete;
    QuilletDesktopApp &operator=(const QuilletDesktopApp &) = delete;

    // What must be settled before the application object exists: the application's names,
    // the controls' style, the delivery of window updates, and the shared OpenGL context that
    // the sign-in sheet's web view draws through. The web engine itself is loaded on the
    // first sign-in.
    static void prepare();

    // Loads the window; false when QML failed to load.
    [[nodiscard]] bool showWindow();

    // The window, once shown.
    [[nodiscard]] QQuickWindow *window() const;

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
