#include "platform/module/lib/MpvGlArea.h"

#include "platform/module/lib/RenderFrames.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLTextureBlitter>
#include <QPainter>
#include <QThread>

#include <mpv/client.h>
#include <mpv/render_gl.h>

namespace {

void* glProcAddress(void*, const char* name)
{
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

} // namespace

// Lives on the render thread: everything here runs there, with its own context current.
class GlFrameRenderer : public QObject
{
public:
    struct Frame
    {
        QOpenGLFramebufferObject* fbo = nullptr; // the render thread's; its texture is shared
        GLuint texture = 0;
    };

    GlFrameRenderer(mpv_handle* mpv, QOpenGLContext* context, QOffscreenSurface* surface, QWidget* area)
        : m_mpv(mpv), m_context(context), m_surface(surface), m_area(area)
    {
        m_context->setParent(this);
    }

    void start()
    {
        if (!m_context->makeCurrent(m_surface))
            return;
        mpv_opengl_init_params gl{glProcAddress, nullptr};
        // No advanced control: it lets the core wait for the render thread, and the GUI thread,
        // which sets the engine's properties and waits for the core, waits for this one when the
        // area goes.
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        if (mpv_render_context_create(&m_ctx, m_mpv, params) < 0)
            m_ctx = nullptr;
        else
            mpv_render_context_set_update_callback(m_ctx, &GlFrameRenderer::engineUpdated, this);
    }

    // again: draw the current frame anew (at a new size) even when the engine has none new.
    void draw(bool again)
    {
        if (!m_ctx || !m_context->makeCurrent(m_surface))
            return;
        if (!(mpv_render_context_update(m_ctx) & MPV_RENDER_UPDATE_FRAME) && !again)
            return;
        const QSize size = frames.target().first;
        Frame& frame = frames.drawing();
        if (!frame.fbo || frame.fbo->size() != size) {
            delete frame.fbo;
            frame.fbo = new QOpenGLFramebufferObject(size);
            frame.texture = frame.fbo->texture();
        }
        mpv_opengl_fbo fbo{static_cast<int>(frame.fbo->handle()), size.width(), size.height(), 0};
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        // Returns at the frame's display time.
        mpv_render_context_render(m_ctx, params);
        // Complete before the widget's context reads the texture.
        m_context->functions()->glFinish();
        frames.drawn();
        frameWaits(m_area);
    }

    void stop()
    {
        m_context->makeCurrent(m_surface); // the context goes below, and with it what is current
        if (m_ctx) {
            mpv_render_context_set_update_callback(m_ctx, nullptr, nullptr);
            mpv_render_context_free(m_ctx);
            m_ctx = nullptr;
        }
        for (Frame* f = frames.all(); f != frames.all() + 3; ++f) {
            delete f->fbo;
            *f = Frame();
        }
        delete m_context;
    }

    FrameSwap<Frame> frames;

private:
    // On an engine thread.
    static void engineUpdated(void* self)
    {
        auto* renderer = static_cast<GlFrameRenderer*>(self);
        QMetaObject::invokeMethod(
            renderer, [renderer] { renderer->draw(false); }, Qt::QueuedConnection);
    }

    mpv_handle* m_mpv;
    QOpenGLContext* m_context;
    QOffscreenSurface* m_surface; // the GUI thread's, as Qt requires
    QWidget* m_area;
    mpv_render_context* m_ctx = nullptr;
};

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
    m_blitter = new QOpenGLTextureBlitter;
    m_blitter->create();
    // The render context lives in a context shared with this one and must go with it.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &MpvGlArea::freeContext,
            Qt::DirectConnection);
    // The render thread's context shares this one's textures.
    QOpenGLContext* shared = m_mpv ? new QOpenGLContext : nullptr;
    if (shared) {
        shared->setFormat(context()->format());
        shared->setShareContext(context());
    }
    if (!shared || !shared->create()) {
        delete shared;
        becameReady(); // without a render context the engine shows no pictures
        return;
    }
    m_surface = new QOffscreenSurface(nullptr, this);
    m_surface->setFormat(context()->format());
    m_surface->create();
    m_renderer = new GlFrameRenderer(m_mpv, shared, m_surface, this);
    m_renderer->frames.setTarget(pixelSize(this), devicePixelRatioF());
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("video render"));
    m_renderer->moveToThread(m_thread);
    m_thread->start();
    // Ready once the render context exists (or failed): files may load from then on.
    QMetaObject::invokeMethod(
        m_renderer,
        [this, renderer = m_renderer] {
            renderer->start();
            QMetaObject::invokeMethod(
                this, [this] { becameReady(); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void MpvGlArea::becameReady()
{
    if (m_initialised)
        return;
    m_initialised = true;
    if (onReady)
        onReady();
}

void MpvGlArea::release()
{
    stopRenderer();
}

void MpvGlArea::stopRenderer()
{
    if (m_renderer) {
        // The render thread lets go of the engine and its GL objects, after the frame it draws.
        QMetaObject::invokeMethod(
            m_renderer, [renderer = m_renderer] { renderer->stop(); }, Qt::BlockingQueuedConnection);
        m_thread->quit();
        m_thread->wait();
        delete m_renderer;
        m_renderer = nullptr;
        delete m_thread;
        m_thread = nullptr;
        delete m_surface;
        m_surface = nullptr;
    }
}

void MpvGlArea::freeContext()
{
    stopRenderer();
    if (m_blitter) {
        const bool current = context() && context()->isValid();
        if (current)
            makeCurrent();
        delete m_blitter;
        m_blitter = nullptr;
        if (current && m_faceTexture)
            context()->functions()->glDeleteTextures(1, &m_faceTexture);
        m_faceTexture = 0;
        if (current)
            doneCurrent();
    }
}

void MpvGlArea::resizeGL(int, int)
{
    if (!m_renderer)
        return;
    m_renderer->frames.setTarget(pixelSize(this), devicePixelRatioF());
    if (m_mode == Mode::Video)
        QMetaObject::invokeMethod(
            m_renderer, [renderer = m_renderer] { renderer->draw(true); }, Qt::QueuedConnection);
}

void MpvGlArea::paintGL()
{
    // Everything here is one blit of a texture: a software GL builds the code for each new draw
    // state when first drawn, which takes long; faces drawn through the GL paint engine would
    // bring new states just as the first frame comes.
    if (!m_blitter)
        return; // the context is going
    GLuint texture = m_renderer && m_mode == Mode::Video ? m_renderer->frames.shown().texture : 0;
    if (!texture)
        texture = faceTexture();
    // Drawn top row first, as the engine draws into a framebuffer of its own and as images lie.
    m_blitter->bind();
    m_blitter->blit(texture, QMatrix4x4(), QOpenGLTextureBlitter::OriginTopLeft);
    m_blitter->release();
}

GLuint MpvGlArea::faceTexture()
{
    const QSize size = pixelSize(this).expandedTo(QSize(1, 1));
    if (m_faceTexture && size == m_faceSize && m_mode == m_faceMode && m_caption == m_faceCaption)
        return m_faceTexture;
    QImage face(size, QImage::Format_RGBA8888_Premultiplied);
    face.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&face);
        m_face(painter, rect(), m_mode, m_caption);
    }
    QOpenGLFunctions* gl = context()->functions();
    if (!m_faceTexture) {
        gl->glGenTextures(1, &m_faceTexture);
        gl->glBindTexture(GL_TEXTURE_2D, m_faceTexture);
        // As a framebuffer's texture, the frames' kind: one draw state for both.
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    gl->glBindTexture(GL_TEXTURE_2D, m_faceTexture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size.width(), size.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     face.constBits());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    m_faceSize = size;
    m_faceMode = m_mode;
    m_faceCaption = m_caption;
    return m_faceTexture;
}
