#include "platform/module/lib/MpvSoftwareArea.h"

#include "platform/module/lib/RenderFrames.h"

#include <QPainter>
#include <QRegion>

#include <QThread>

#include <mpv/client.h>
#include <mpv/render.h>

// Lives on the render thread.
class SoftwareFrameRenderer : public QObject
{
public:
    SoftwareFrameRenderer(mpv_render_context* ctx, QWidget* area) : m_ctx(ctx), m_area(area) {}

    static void engineUpdated(void* self)
    {
        auto* renderer = static_cast<SoftwareFrameRenderer*>(self);
        QMetaObject::invokeMethod(
            renderer, [renderer] { renderer->draw(false); }, Qt::QueuedConnection);
    }

    void draw(bool again)
    {
        if (!(mpv_render_context_update(m_ctx) & MPV_RENDER_UPDATE_FRAME) && !again)
            return;
        const auto [size, dpr] = frames.target();
        QImage& image = frames.drawing();
        if (image.size() != size)
            image = QImage(size, QImage::Format_RGB32);
        image.setDevicePixelRatio(dpr);
        int dims[2] = {size.width(), size.height()};
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        char format[] = "bgr0";
#else
        char format[] = "0rgb";
#endif
        size_t stride = static_cast<size_t>(image.bytesPerLine());
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_SW_SIZE, dims},      {MPV_RENDER_PARAM_SW_FORMAT, format},
            {MPV_RENDER_PARAM_SW_STRIDE, &stride}, {MPV_RENDER_PARAM_SW_POINTER, image.bits()},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        // Returns at the frame's display time.
        mpv_render_context_render(m_ctx, params);
        frames.drawn();
        frameWaits(m_area);
    }

    FrameSwap<QImage> frames;

private:
    mpv_render_context* m_ctx;
    QWidget* m_area;
};

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
    if (mpv_render_context_create(&m_ctx, mpv, params) < 0) {
        m_ctx = nullptr;
        return;
    }
    // From here on only the render thread draws, until release.
    m_renderer = new SoftwareFrameRenderer(m_ctx, this);
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("video render"));
    m_renderer->moveToThread(m_thread);
    m_thread->start();
    sizeChanged();
    mpv_render_context_set_update_callback(m_ctx, &SoftwareFrameRenderer::engineUpdated, m_renderer);
}

MpvSoftwareArea::~MpvSoftwareArea()
{
    release();
}

void MpvSoftwareArea::release()
{
    if (!m_ctx)
        return;
    // The render thread ends after the frame it draws; the engine's calls then find nobody.
    m_thread->quit();
    m_thread->wait();
    mpv_render_context_set_update_callback(m_ctx, nullptr, nullptr);
    mpv_render_context_free(m_ctx);
    m_ctx = nullptr;
    delete m_thread;
    m_thread = nullptr;
    delete m_renderer;
    m_renderer = nullptr;
}

QImage MpvSoftwareArea::frame() const
{
    return m_renderer ? m_renderer->frames.latest() : QImage();
}

void MpvSoftwareArea::sizeChanged()
{
    if (!m_renderer)
        return;
    // The engine waits for each frame to be taken, so frames are drawn even while hidden.
    const QSize size = isVisible() ? pixelSize(this).expandedTo(QSize(16, 16)) : QSize(64, 36);
    m_renderer->frames.setTarget(size, devicePixelRatioF());
    if (m_mode == Mode::Video)
        QMetaObject::invokeMethod(
            m_renderer, [renderer = m_renderer] { renderer->draw(true); }, Qt::QueuedConnection);
}

void MpvSoftwareArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_renderer && m_mode == Mode::Video) {
        if (const QImage shown = m_renderer->frames.shown(); !shown.isNull()) {
            // A frame drawn for another size (the area was just resized) is shown at its own shape
            // until one of the new size comes: scaled fast, and only as far as the picture goes.
            const QSize fitted = shown.deviceIndependentSize().toSize().scaled(size(), Qt::KeepAspectRatio);
            QRect target(QPoint(), fitted);
            target.moveCenter(rect().center());
            for (const QRect& bar : QRegion(rect()).subtracted(target))
                painter.fillRect(bar, Qt::black);
            painter.drawImage(target, shown);
            return;
        }
    }
    m_face(painter, rect(), m_mode, m_caption);
}

void MpvSoftwareArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    sizeChanged();
}

void MpvSoftwareArea::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    sizeChanged();
}

void MpvSoftwareArea::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    sizeChanged();
}
