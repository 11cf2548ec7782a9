#include "RenderingSetup.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using SceneGraph = RenderingSetup::SceneGraph;

Q_DECLARE_METATYPE(std::optional<QByteArray>)

class TestRenderingSetup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sceneGraphFollowsTheRenderer_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("renderer");
        QTest::addColumn<SceneGraph>("expected");
        QTest::newRow("no OpenGL") << std::optional<QByteArray>() << SceneGraph::Software;
        QTest::newRow("unknown") << std::optional<QByteArray>("") << SceneGraph::OpenGL;
        QTest::newRow("llvmpipe") << std::optional<QByteArray>("llvmpipe (LLVM 15.0.6, 256 bits)")
                                  << SceneGraph::Software;
        QTest::newRow("softpipe") << std::optional<QByteArray>("softpipe") << SceneGraph::Software;
        QTest::newRow("zink over llvmpipe")
            << std::optional<QByteArray>("zink Vulkan 1.3(llvmpipe (LLVM 15.0.6, 256 bits))")
            << SceneGraph::Software;
        QTest::newRow("Intel") << std::optional<QByteArray>("Mesa Intel(R) UHD Graphics 620")
                               << SceneGraph::OpenGL;
        // GPU drivers that name their LLVM shader compiler.
        QTest::newRow("AMD") << std::optional<QByteArray>(
                                    "AMD Radeon RX 6800 (navi21, LLVM 15.0.6, DRM 3.49)")
                             << SceneGraph::OpenGL;
        QTest::newRow("VMware") << std::optional<QByteArray>("SVGA3D; build: RELEASE; LLVM;")
                                << SceneGraph::OpenGL;
        QTest::newRow("NVIDIA") << std::optional<QByteArray>("NVIDIA GeForce RTX 3060/PCIe/SSE2")
                                << SceneGraph::OpenGL;
    }
    void sceneGraphFollowsTheRenderer()
    {
        QFETCH(std::optional<QByteArray>, renderer);
        QFETCH(SceneGraph, expected);
        QCOMPARE(RenderingSetup::sceneGraphFor(renderer), expected);
    }

    void graphicsDevicesAreFound_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("expected");
        QTest::newRow("none") << QStringList{u"null"_s, u"dri/"_s} << false;
        QTest::newRow("DRM card") << QStringList{u"dri/card0"_s} << true;
        QTest::newRow("render node") << QStringList{u"dri/renderD128"_s} << true;
        QTest::newRow("NVIDIA") << QStringList{u"nvidiactl"_s, u"nvidia0"_s} << true;
    }
    void graphicsDevicesAreFound()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, expected);
        QTemporaryDir dev;
        for (const QString &name : files) {
            QVERIFY(QDir(dev.path()).mkpath(QFileInfo(dev.filePath(name)).path()));
            if (!name.endsWith(u'/'))
                QVERIFY(QFile(dev.filePath(name)).open(QIODevice::WriteOnly));
        }
        QCOMPARE(RenderingSetup::hasGraphicsDevice(dev.path()), expected);
    }

    // Runs before the next test, whose choice changes the scene graph for the whole process.
    void aRendererChosenThroughTheEnvironmentIsKept()
    {
        qputenv("QSG_RHI_BACKEND", "opengl");
        QCOMPARE(RenderingSetup::choose(), std::nullopt);
        QCOMPARE_NE(QQuickWindow::sceneGraphBackend(), u"software");
        qunsetenv("QSG_RHI_BACKEND");
    }

    // OpenGL is asked for its renderer; the window draws with the renderer chosen.
    void theChoiceTakesEffectAndAWindowDraws()
    {
        const auto choice = RenderingSetup::choose();
        QVERIFY(choice.has_value());
        QQuickWindow window;
        window.resize(120, 80);
        window.setColor(Qt::red);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.rendererInterface()->graphicsApi() == QSGRendererInterface::Software,
                 choice == SceneGraph::Software);
        const QImage frame = window.grabWindow();
        QCOMPARE(frame.pixelColor(60, 40), QColor(Qt::red));
    }

    // Without a graphics device the software renderer is settled before the application object.
    void preparingDecidesEarlyOnlyWithoutAGraphicsDevice()
    {
        // Here, unlike in the program, a window has drawn already.
        if (!RenderingSetup::hasGraphicsDevice(u"/dev"_s))
            QTest::ignoreMessage(QtWarningMsg,
                                 "Scenegraph already initialized, setBackend() request ignored");
        const auto early = RenderingSetup::prepare();
        QCOMPARE(early.has_value(), !RenderingSetup::hasGraphicsDevice(u"/dev"_s));
        QCOMPARE(qgetenv("QT_QPA_UPDATE_IDLE_TIME"), "0");
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    TestRenderingSetup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_renderingsetup.moc"
