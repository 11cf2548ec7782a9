// The start-up baseline: a Qt Quick window with one line of text, nothing else. It reports
// its first frame through the same probe as the application, so the two figures compare the
// application's own start-up work against what any Qt Quick window costs here.

#include "FirstFrameProbe.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

int main(int argc, char *argv[])
{
    const bool measureStartUp = FirstFrameProbe::requested(argc, argv);
    QGuiApplication application(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick
        Window {
            width: 900
            height: 650
            visible: true
            Text { anchors.centerIn: parent; text: "Hello" }
        })");
    if (engine.rootObjects().isEmpty())
        return 1;
    if (measureStartUp) {
        if (auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst()))
            FirstFrameProbe::install(*window);
    }
    return QGuiApplication::exec();
}
