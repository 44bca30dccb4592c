#pragma once

#include "platform/module/ModuleApi.h"

#include <QImage>
#include <QOpenGLWidget>

struct mpv_handle;
struct mpv_render_context;

// Draws through libmpv's OpenGL render API. The render context is made with the widget's GL context
// and freed when that context goes.
class MpvGlArea : public QOpenGLWidget, public MpvVideoSurface
{
    Q_OBJECT
public:
    MpvGlArea(mpv_handle* mpv, FacePainter face, QWidget* parent);
    ~MpvGlArea() override;
    QWidget* widget() override { return this; }
    bool ready() const override { return m_initialised; }
    void release() override;
    // Reacts to the engine's news of a frame (queued from its thread).
    void engineUpdatedNow();

protected:
    void initializeGL() override;
    void paintGL() override;
    void modeChanged() override { update(); }

private:
    void freeContext();

    mpv_handle* m_mpv;
    FacePainter m_face;
    mpv_render_context* m_ctx = nullptr;
    bool m_initialised = false;
};

// Draws through libmpv's software render API into an image: for platforms without OpenGL. With no
// engine to draw for (another video output chosen) it shows only the idle and audio faces.
class MpvSoftwareArea : public QWidget, public MpvVideoSurface
{
    Q_OBJECT
public:
    MpvSoftwareArea(mpv_handle* mpv, bool render, FacePainter face, QWidget* parent);
    ~MpvSoftwareArea() override;
    QWidget* widget() override { return this; }
    bool ready() const override { return true; }
    void release() override;
    // The last frame drawn (for checks of what the user sees).
    QImage frame() const { return m_frame; }
    void engineUpdatedNow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void modeChanged() override { update(); }

private:
    void renderFrame();

    FacePainter m_face;
    mpv_render_context* m_ctx = nullptr;
    QImage m_frame;
};
