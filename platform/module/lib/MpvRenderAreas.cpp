#include "platform/module/lib/MpvRenderAreas.h"

#include <QOpenGLContext>
#include <QPainter>

#include <mpv/client.h>
#include <mpv/render_gl.h>

namespace {

void* glProcAddress(void*, const char* name)
{
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

// The engine calls this on its own thread; the drawing happens on the GUI thread.
template <typename Area> void queueUpdate(void* area)
{
    auto* self = static_cast<Area*>(area);
    QMetaObject::invokeMethod(
        self, [self] { self->engineUpdatedNow(); }, Qt::QueuedConnection);
}

} // namespace

// --- OpenGL ---

MpvGlArea::MpvGlArea(mpv_handle* mpv, FacePainter face, QWidget* parent)
    : QOpenGLWidget(parent), m_mpv(mpv), m_face(face)
{
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
}

MpvGlArea::~MpvGlArea()
{
    // The GL context goes after this part of the object; it must not call back into it.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    freeContext();
}

void MpvGlArea::initializeGL()
{
    if (!m_ctx && m_mpv) {
        mpv_opengl_init_params gl{glProcAddress, nullptr};
        // No advanced control: it lets the core wait for this (the GUI) thread, which also sets the
        // engine's properties and waits for the core, and the two then wait for each other.
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (mpv_render_context_create(&m_ctx, m_mpv, params) < 0) {
            m_ctx = nullptr;
        } else {
            mpv_render_context_set_update_callback(m_ctx, queueUpdate<MpvGlArea>, this);
            // The render context lives in this GL context and must go with it.
            connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &MpvGlArea::freeContext,
                    Qt::DirectConnection);
        }
    }
    if (!m_initialised) {
        m_initialised = true;
        if (onReady)
            onReady();
    }
}

void MpvGlArea::release()
{
    freeContext();
}

void MpvGlArea::freeContext()
{
    if (!m_ctx)
        return;
    const bool current = context() && context()->isValid();
    if (current)
        makeCurrent();
    mpv_render_context_set_update_callback(m_ctx, nullptr, nullptr);
    mpv_render_context_free(m_ctx);
    m_ctx = nullptr;
    if (current)
        doneCurrent();
}

void MpvGlArea::engineUpdatedNow()
{
    if (m_ctx && (mpv_render_context_update(m_ctx) & MPV_RENDER_UPDATE_FRAME))
        update();
}

void MpvGlArea::paintGL()
{
    const qreal dpr = devicePixelRatioF();
    if (m_ctx) {
        mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), qRound(width() * dpr),
                           qRound(height() * dpr), 0};
        int flip = 1;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flip},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(m_ctx, params);
        if (m_mode == Mode::Video)
            return;
    }
    QPainter painter(this);
    m_face(painter, rect(), m_mode, m_caption);
}

// --- software ---

MpvSoftwareArea::MpvSoftwareArea(mpv_handle* mpv, bool render, FacePainter face, QWidget* parent)
    : QWidget(parent), m_face(face)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!render || !mpv)
        return;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_ctx, mpv, params) < 0)
        m_ctx = nullptr;
    else
        mpv_render_context_set_update_callback(m_ctx, queueUpdate<MpvSoftwareArea>, this);
}

MpvSoftwareArea::~MpvSoftwareArea()
{
    release();
}

void MpvSoftwareArea::release()
{
    if (!m_ctx)
        return;
    mpv_render_context_set_update_callback(m_ctx, nullptr, nullptr);
    mpv_render_context_free(m_ctx);
    m_ctx = nullptr;
}

void MpvSoftwareArea::engineUpdatedNow()
{
    if (m_ctx && (mpv_render_context_update(m_ctx) & MPV_RENDER_UPDATE_FRAME))
        renderFrame();
}

void MpvSoftwareArea::renderFrame()
{
    if (!m_ctx)
        return;
    // The engine waits for each frame to be taken, so frames are drawn even while hidden.
    const qreal dpr = devicePixelRatioF();
    const QSize size =
        isVisible() ? (QSizeF(this->size()) * dpr).toSize().expandedTo(QSize(16, 16)) : QSize(64, 36);
    if (m_frame.size() != size) {
        m_frame = QImage(size, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(dpr);
    }
    int dims[2] = {size.width(), size.height()};
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    char format[] = "bgr0";
#else
    char format[] = "0rgb";
#endif
    size_t stride = static_cast<size_t>(m_frame.bytesPerLine());
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, dims},      {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride}, {MPV_RENDER_PARAM_SW_POINTER, m_frame.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_ctx, params);
    update();
}

void MpvSoftwareArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_mode == Mode::Video && !m_frame.isNull()) {
        painter.drawImage(rect(), m_frame);
        return;
    }
    m_face(painter, rect(), m_mode, m_caption);
}

void MpvSoftwareArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_ctx && m_mode == Mode::Video)
        renderFrame();
}
