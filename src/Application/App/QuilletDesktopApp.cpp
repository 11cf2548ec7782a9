#include "QuilletDesktopApp.h"

#include "AppContainer.h"
#include "AppTelemetry.h"
#include "Bundle.h"
#include "CrashReporter.h"
#include "FirstFrameProbe.h"
#include "RenderingSetup.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>
#include <QQuickStyle>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

namespace {

constexpr auto applicationId = "com.northwick.quillet.desktop"_L1;

// The icon from the desktop's icon theme, where an install puts it. Run from its build tree, or
// where the theme lacks it, the program uses the rendered sizes in the hicolor folder beside its
// bundle (share/icons/hicolor, next to share/quillet).
QIcon applicationIcon()
{
    QIcon files;
    QDirIterator it(QCoreApplication::applicationDirPath() + u"/../share/icons/hicolor"_s,
                    {applicationId + u".png"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.addFile(it.next());
    return QIcon::fromTheme(applicationId, files);
}

} // namespace

// The start-up sequence, in order: crash reporting first, so that a failure in any later
// step (an invalid configuration aborts) is reported; the renderer, before any window; then
// the configuration, usage telemetry and its first event, and the composition root.
QuilletDesktopApp::QuilletDesktopApp(const Bundle &bundle)
    : m_engine(std::make_unique<QQmlApplicationEngine>())
{
    CrashReporter::start(bundle);
    RenderingSetup::choose();
    AppConfiguration configuration = AppConfiguration::load(bundle);
    AppTelemetry::start(configuration.observability);
    AppTelemetry::track(AppTelemetryEvent::appOpened);
    m_container = std::make_unique<AppContainer>(std::move(configuration), *m_engine);
}

QuilletDesktopApp::~QuilletDesktopApp()
{
    // The window goes first: its bindings read the container's view models, and would
    // otherwise run once more against view models that are already gone.
    qDeleteAll(m_engine->rootObjects());
    m_container.reset();
}

bool QuilletDesktopApp::showWindow()
{
    // The feature modules are linked in statically; their files live under qrc:/<URI path>.
    m_engine->addImportPath(u"qrc:/"_s);
    m_engine->setInitialProperties({
        {u"viewModel"_s, QVariant::fromValue(&m_container->mainWindowViewModel)},
        {u"insightsViewModel"_s, QVariant::fromValue(&m_container->insightsViewModel)},
        {u"draftsViewModel"_s, QVariant::fromValue(&m_container->draftsViewModel)},
        {u"editorViewModel"_s, QVariant::fromValue(&m_container->editorViewModel)},
        {u"feedbackViewModel"_s, QVariant::fromValue(&m_container->feedbackViewModel)},
        {u"accountViewModel"_s, QVariant::fromValue(&m_container->accountViewModel)},
    });
    m_engine->load(QUrl(u"qrc:/Quillet/App/Navigation/Main.qml"_s));
    return !m_engine->rootObjects().isEmpty();
}

QQuickWindow *QuilletDesktopApp::window() const
{
    const auto roots = m_engine->rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.constFirst());
}

void QuilletDesktopApp::prepare()
{
    QGuiApplication::setApplicationName(u"Quillet"_s);
    QGuiApplication::setOrganizationDomain(u"northwick.com"_s);
    QGuiApplication::setDesktopFileName(applicationId);
    QQuickStyle::setStyle(u"Basic"_s);
    // Where the windows draw through OpenGL, the web view of the sign-in sheet shares its
    // OpenGL resources with them; Qt creates the shared context only when asked before the
    // application object.
    if (RenderingSetup::prepare() != RenderingSetup::SceneGraph::Software)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

int QuilletDesktopApp::run(int argc, char **argv)
{
    prepare();
    const bool measureStartUp = FirstFrameProbe::requested(argc, argv);
    QGuiApplication application(argc, argv);
    QGuiApplication::setWindowIcon(applicationIcon());

    QuilletDesktopApp app;
    if (!app.showWindow())
        return 1;
    if (measureStartUp) {
        if (auto *window = qobject_cast<QQuickWindow *>(app.m_engine->rootObjects().constFirst()))
            FirstFrameProbe::install(*window);
    }
    return QGuiApplication::exec();
}
