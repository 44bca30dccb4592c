#pragma once

#include "platform/module/ModuleApi.h"

#include <QImage>
#include <QWidget>

struct mpv_handle;
struct mpv_render_context;
class QThread;
class SoftwareFrameRenderer;

// Draws through libmpv's software render API into an image: for platforms without OpenGL. The
// frames are drawn on a thread of their own, as above. With no engine to draw for (another video
// output chosen) it shows only the idle and audio faces.
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
    QImage frame() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void modeChanged() override { update(); }

private:
    void sizeChanged();

    FacePainter m_face;
    mpv_render_context* m_ctx = nullptr;
    QThread* m_thread = nullptr;
    SoftwareFrameRenderer* m_renderer = nullptr; // lives on m_thread
};
