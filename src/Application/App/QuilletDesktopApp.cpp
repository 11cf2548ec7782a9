#include "QuilletDesktopApp.h"

#include "AppTelemetry.h"
#include "Bundle.h"
#include "CrashReporter.h"
#include "InsightCatalog.h"

#include <QGuiApplication>
#include <QQuickStyle>

using namespace Qt::StringLiterals;

QuilletDesktopApp::QuilletDesktopApp()
    : m_configuration(AppConfiguration::load(Bundle::main()))
    , m_mainWindowViewModel(MainWindowViewModel::Actions{{}, {}, {}, AppTelemetry::function()})
    , m_insightsViewModel(InsightCatalog::builtIn(), InsightsViewModel::desktopOpener(),
                          AppTelemetry::function())
{}

QuilletDesktopApp::~QuilletDesktopApp() = default;

bool QuilletDesktopApp::showWindow()
{
    m_engine = std::make_unique<QQmlApplicationEngine>();
    // The feature modules are linked in statically; their files live under qrc:/<URI path>.
    m_engine->addImportPath(u"qrc:/"_s);
    m_engine->setInitialProperties(
        {{u"viewModel"_s, QVariant::fromValue(&m_mainWindowViewModel)},
         {u"insightsViewModel"_s, QVariant::fromValue(&m_insightsViewModel)}});
    m_engine->load(QUrl(u"qrc:/Quillet/App/Navigation/Main.qml"_s));
    return !m_engine->rootObjects().isEmpty();
}

int QuilletDesktopApp::run(int argc, char **argv)
{
    QGuiApplication::setApplicationName(u"Quillet"_s);
    QGuiApplication::setOrganizationDomain(u"northwick.com"_s);
    QGuiApplication::setDesktopFileName(u"com.northwick.quillet.desktop"_s);
    QQuickStyle::setStyle(u"Basic"_s);
    QGuiApplication application(argc, argv);

    QuilletDesktopApp app;
    if (!app.showWindow())
        return 1;
    return QGuiApplication::exec();
}
