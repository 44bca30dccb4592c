#pragma once

#include "platform/module/ModuleApi.h"

#include <QOpenGLWidget>

struct mpv_handle;
class GlFrameRenderer;
class QOffscreenSurface;
class QOpenGLTextureBlitter;
class QThread;

// Draws through libmpv's OpenGL render API. The engine's frames are drawn on a thread of their own,
// in a GL context shared with the widget's, since the render call waits for each frame's display
// time and the first frames cost long shader builds: the widget only puts the latest drawn frame, or
// its face painted into an image, on screen. The render context is made with that shared context
// and freed when the widget's goes.
class MpvGlArea : public QOpenGLWidget, public MpvVideoSurface
{
    Q_OBJECT
public:
    MpvGlArea(mpv_handle* mpv, FacePainter face, QWidget* parent);
    ~MpvGlArea() override;
    QWidget* widget() override { return this; }
    bool ready() const override { return m_initialised; }
    void release() override;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void modeChanged() override { update(); }

private:
    void stopRenderer();
    void freeContext();
    void becameReady();
    GLuint faceTexture();

    mpv_handle* m_mpv;
    FacePainter m_face;
    QThread* m_thread = nullptr;
    GlFrameRenderer* m_renderer = nullptr; // lives on m_thread
    QOffscreenSurface* m_surface = nullptr;
    QOpenGLTextureBlitter* m_blitter = nullptr;
    // The face shown without pictures, painted into an image and kept as a texture.
    GLuint m_faceTexture = 0;
    QSize m_faceSize;
    Mode m_faceMode = Mode::Idle;
    QString m_faceCaption;
    bool m_initialised = false;
};
