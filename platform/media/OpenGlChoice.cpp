#include "platform/media/OpenGlChoice.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace {

bool isSoftwareRenderer(const QByteArray& renderer)
{
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (renderer.contains(name))
            return true;
    return false;
}

} // namespace

// OpenGL for the render API only where it is drawn by graphics hardware. A software OpenGL
// (llvmpipe and its kin) rasterises every context of a display in one queue, so each paint of the
// GUI thread, a resize's included, would wait behind the frame the render thread draws; there the
// software render API draws instead and the GUI thread does no OpenGL at all.
// VIDMARRO_VIDEO_AREA=opengl or software chooses outright.
bool openGlForVideo()
{
    static const bool usable = [] {
        const QString platform = QGuiApplication::platformName();
        const QByteArray chosen = qgetenv("VIDMARRO_VIDEO_AREA");
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
            chosen == "software")
            return false;
        QOpenGLContext probe;
        if (!probe.create())
            return false;
        if (chosen == "opengl")
            return true;
        QOffscreenSurface surface;
        surface.setFormat(probe.format());
        surface.create();
        if (!probe.makeCurrent(&surface))
            return false;
        const QByteArray renderer(reinterpret_cast<const char*>(probe.functions()->glGetString(GL_RENDERER)));
        probe.doneCurrent();
        return !renderer.isEmpty() && !isSoftwareRenderer(renderer);
    }();
    return usable;
}
