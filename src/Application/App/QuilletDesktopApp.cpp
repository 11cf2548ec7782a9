#include "QuilletDesktopApp.h"

#include "AppContainer.h"
#include "AppTelemetry.h"
#include "Bundle.h"
#include "CrashReporter.h"
#include "FirstFrameProbe.h"
#include "WebEngineSignInSheet.h"

#include <QGuiApplication>
#include <QQuickStyle>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

// The start-up sequence, in order: crash reporting first, so that a failure in any later
// step (an invalid configuration aborts) is reported; then the configuration, usage
// telemetry and its first event, and the composition root.
QuilletDesktopApp::QuilletDesktopApp()
    : m_engine(std::make_unique<QQmlApplicationEngine>())
{
    const Bundle bundle = Bundle::main();
    CrashReporter::start(bundle);
    AppConfiguration configuration = AppConfiguration::load(bundle);
    AppTelemetry::start(configuration.observability);
    AppTelemetry::track(AppTelemetryEvent::appOpened);
    m_container = std::make_unique<AppContainer>(std::move(configuration), *m_engine);
}

QuilletDesktopApp::~QuilletDesktopApp() = default;

bool QuilletDesktopApp::showWindow()
{
    // The feature modules are linked in statically; their files live under qrc:/<URI path>.
    m_engine->addImportPath(u"qrc:/"_s);
    m_engine->setInitialProperties({
        {u"viewModel"_s, QVariant::fromValue(&m_container->mainWindowViewModel)},
        {u"insightsViewModel"_s, QVariant::fromValue(&m_container->insightsViewModel)},
        {u"draftsViewModel"_s, QVariant::fromValue(&m_container->draftsViewModel)},
        {u"editorViewModel"_s, QVariant::fromValue(&m_container->editorViewModel)},
    });
    m_engine->load(QUrl(u"qrc:/Quillet/App/Navigation/Main.qml"_s));
    return !m_engine->rootObjects().isEmpty();
}

int QuilletDesktopApp::run(int argc, char **argv)
{
    QGuiApplication::setApplicationName(u"Quillet"_s);
    QGuiApplication::setOrganizationDomain(u"northwick.com"_s);
    QGuiApplication::setDesktopFileName(u"com.northwick.quillet.desktop"_s);
    QQuickStyle::setStyle(u"Basic"_s);
    // The sign-in sheet's callback scheme and the web engine must be set up before the
    // application object exists. An unreadable configuration is reported (and stops the
    // program) by the start-up sequence below, in its proper place.
    if (const auto configuration = AppConfiguration::read(Bundle::main()))
        WebEngineSignInSheet::registerCallbackScheme(configuration->linkedIn.callbackURLScheme);
    const bool measureStartUp = FirstFrameProbe::requested(argc, argv);
    QGuiApplication application(argc, argv);

    QuilletDesktopApp app;
    if (!app.showWindow())
        return 1;
    if (measureStartUp) {
        if (auto *window = qobject_cast<QQuickWindow *>(app.m_engine->rootObjects().constFirst()))
            FirstFrameProbe::install(*window);
    }
    return QGuiApplication::exec();
}
