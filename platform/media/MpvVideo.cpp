#include "platform/media/MpvVideo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPlatformSurfaceEvent>
#include <QWindow>

void paintVideoFace(QPainter& painter, const QRect& rect, MpvVideoSurface::Mode mode, const QString& caption)
{
    if (mode != MpvVideoSurface::Mode::Audio) {
        painter.fillRect(rect, Qt::black);
        return;
    }
    // A still, dim face for sound without pictures: a note and the clip's name.
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor(0x22, 0x2b, 0x35));
    gradient.setColorAt(1, QColor(0x10, 0x14, 0x19));
    painter.fillRect(rect, gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont note = painter.font();
    note.setPixelSize(qMax(12, rect.height() / 3));
    painter.setFont(note);
    painter.setPen(QColor(0x55, 0x66, 0x77));
    const QRect upper(rect.left(), rect.top(), rect.width(), rect.height() * 3 / 4);
    painter.drawText(upper, Qt::AlignCenter, QString(QChar(0x266A)));
    if (!caption.isEmpty()) {
        QFont small = painter.font();
        small.setPixelSize(qMax(9, rect.height() / 14));
        painter.setFont(small);
        painter.setPen(QColor(0x8a, 0x96, 0xa3));
        const QRect lower(rect.left() + 4, rect.top() + rect.height() * 3 / 4, rect.width() - 8,
                          rect.height() / 4);
        painter.drawText(lower, Qt::AlignHCenter | Qt::AlignTop,
                         painter.fontMetrics().elidedText(caption, Qt::ElideMiddle, lower.width()));
    }
}

// --- native window ---

namespace {

// The idle and audio faces, in a native window of their own so that they stack above the engine's.
class FaceWindow : public QWidget
{
public:
    explicit FaceWindow(MpvNativeArea* area) : QWidget(area), m_area(area)
    {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_area->paintFace(painter, rect());
    }

private:
    MpvNativeArea* m_area;
};

} // namespace

MpvNativeArea::MpvNativeArea(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    // Only this window need be native: the rest of the player window stays drawn as one.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_face = new FaceWindow(this);
    m_face->setFocusProxy(this);
}

quint64 MpvNativeArea::windowId()
{
    const quint64 id = quint64(winId());
    watchWindow();
    return id;
}

bool MpvNativeArea::event(QEvent* event)
{
    // A window made (again) is watched from then on.
    if (event->type() == QEvent::WinIdChange)
        watchWindow();
    return QWidget::event(event);
}

void MpvNativeArea::watchWindow()
{
    QWindow* window = windowHandle();
    if (!window || window == m_watched)
        return;
    m_watched = window;
    window->installEventFilter(this);
}

bool MpvNativeArea::eventFilter(QObject* watched, QEvent* event)
{
    // Sent while our window still exists, also when a window around it goes and takes it along.
    if (watched == m_watched && event->type() == QEvent::PlatformSurface &&
        static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed &&
        onWindowGoing)
        onWindowGoing();
    return QWidget::eventFilter(watched, event);
}

void MpvNativeArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFace(painter, rect());
}

void MpvNativeArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_face->setGeometry(rect());
}

void MpvNativeArea::modeChanged()
{
    if (m_mode == Mode::Video) {
        m_face->hide();
    } else {
        m_face->show();
        m_face->raise();
        m_face->update();
    }
    update();
}
