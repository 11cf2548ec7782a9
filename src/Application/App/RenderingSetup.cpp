#include "RenderingSetup.h"

#include <QDir>
#include <QLoggingCategory>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcRendering, "quillet.rendering", QtInfoMsg)

// Qt's own ways of choosing the scene graph and its graphics API.
constexpr const char *userChoiceVariables[] = {"QT_QUICK_BACKEND", "QMLSCENE_DEVICE",
                                               "QSG_RHI_BACKEND"};

// Renderer names of Mesa's CPU rasterizers (Zink over llvmpipe names llvmpipe too). A GPU
// driver may name LLVM, its shader compiler, so the word alone says nothing.
constexpr QByteArrayView softwareRasterizers[] = {"llvmpipe", "softpipe", "Software Rasterizer",
                                                  "swrast"};

bool userChoseRenderer()
{
    for (const char *variable : userChoiceVariables) {
        if (qEnvironmentVariableIsSet(variable))
            return true;
    }
    return false;
}

bool softwareChosen()
{
    return QQuickWindow::sceneGraphBackend() == "software"_L1;
}

void useSoftwareRenderer(const char *reason)
{
    qCInfo(lcRendering, "%s: drawing with the software renderer", reason);
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

// The OpenGL renderer's name; nothing when no OpenGL context can be made, and an empty name
// when a context exists but cannot be asked (taken as a GPU: OpenGL is kept).
std::optional<QByteArray> openGLRenderer()
{
    // The application's shared context exists when the program asked for one; otherwise a
    // short-lived context answers.
    QOpenGLContext *context = QOpenGLContext::globalShareContext();
    std::unique_ptr<QOpenGLContext> own;
    if (!context) {
        own = std::make_unique<QOpenGLContext>();
        if (!own->create())
            return std::nullopt;
        context = own.get();
    }
    QOffscreenSurface surface;
    surface.setFormat(context->format());
    surface.create();
    if (!surface.isValid() || !context->makeCurrent(&surface))
        return QByteArray();
    const auto *name =
        reinterpret_cast<const char *>(context->functions()->glGetString(GL_RENDERER));
    QByteArray renderer(name ? name : "");
    context->doneCurrent();
    return renderer;
}

} // namespace

std::optional<RenderingSetup::SceneGraph> RenderingSetup::prepare()
{
    // Where the windowing system gives no frame timing (X11), Qt holds each window update back
    // by 5 ms to gather more changes. An update request already gathers every change made in
    // the same pass of the event loop, and animations are paced by their own timer, so the
    // delay only adds to the time between a key press and its frame.
    if (!qEnvironmentVariableIsSet("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    if (userChoseRenderer() || hasGraphicsDevice(u"/dev"_s))
        return std::nullopt;
    useSoftwareRenderer("No graphics device");
    return SceneGraph::Software;
}

std::optional<RenderingSetup::SceneGraph> RenderingSetup::choose()
{
    if (userChoseRenderer())
        return std::nullopt;
    if (softwareChosen())
        return SceneGraph::Software;
    const std::optional<QByteArray> renderer = openGLRenderer();
    const SceneGraph choice = sceneGraphFor(renderer);
    if (choice == SceneGraph::Software) {
        const QByteArray reason = renderer ? "OpenGL renderer " + *renderer + " is a CPU rasterizer"
                                           : QByteArray("No OpenGL");
        useSoftwareRenderer(reason.constData());
    }
    return choice;
}

RenderingSetup::SceneGraph RenderingSetup::sceneGraphFor(std::optional<QByteArrayView> renderer)
{
    if (!renderer)
        return SceneGraph::Software;
    for (QByteArrayView software : softwareRasterizers) {
        if (renderer->contains(software))
            return SceneGraph::Software;
    }
    return SceneGraph::OpenGL;
}

bool RenderingSetup::hasGraphicsDevice(const QString &deviceFolder)
{
    const QDir devices(deviceFolder);
    return !QDir(devices.filePath(u"dri"_s))
                .entryList({u"card*"_s, u"renderD*"_s}, QDir::System | QDir::Files)
                .isEmpty() ||
           devices.exists(u"nvidiactl"_s);
}
