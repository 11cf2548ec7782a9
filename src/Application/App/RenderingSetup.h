#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// How the window is drawn. Qt Quick draws through OpenGL by default; where OpenGL is only a
// software rasterizer (llvmpipe on a machine or virtual display without a GPU, or no OpenGL at
// all), every frame costs a full-window rasterization on the CPU, several milliseconds per
// key press in the editor. Qt Quick's software renderer repaints only what changed, so it is
// chosen there instead. A renderer chosen through Qt's own environment variables is kept.
namespace RenderingSetup {

enum class SceneGraph { OpenGL, Software };

// Before the application object exists. Window updates are delivered without Qt's idle
// delay. On a machine without any graphics device the software renderer is chosen at once,
// sparing the start-up the loading of a CPU rasterizer; the result says so, and then no
// shared OpenGL context is needed.
std::optional<SceneGraph> prepare();

// After the application object exists and before the first window: unless settled already,
// asks OpenGL for its renderer and switches Qt Quick to the software renderer when it is a
// software rasterizer. Returns the choice, or nothing when the user chose a renderer through
// the environment.
std::optional<SceneGraph> choose();

// The scene graph for an OpenGL renderer's name (GL_RENDERER); no name means no OpenGL
// context could be made. An unknown (empty) name keeps OpenGL.
[[nodiscard]] SceneGraph sceneGraphFor(std::optional<QByteArrayView> openGLRenderer);

// Whether the device folder (/dev) holds a GPU: a DRM node or NVIDIA's device.
[[nodiscard]] bool hasGraphicsDevice(const QString &deviceFolder);

} // namespace RenderingSetup
