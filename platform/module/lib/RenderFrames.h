#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QSize>
#include <QWidget>

#include <utility>

// Three frames: one being drawn, the latest drawn and the one on screen, handed over under a lock
// so that neither thread waits for the other's work. With the size to draw at.
template <typename Frame> class FrameSwap
{
public:
    // The drawing thread's own frame, and its hand-over when drawn.
    Frame& drawing() { return m_frames[m_drawing]; }
    void drawn()
    {
        const QMutexLocker lock(&m_lock);
        std::swap(m_drawing, m_ready);
        m_fresh = true;
    }
    // For the GUI thread: the frame to show, the latest drawn.
    Frame shown()
    {
        const QMutexLocker lock(&m_lock);
        if (m_fresh) {
            std::swap(m_ready, m_shown);
            m_fresh = false;
        }
        return m_frames[m_shown];
    }
    Frame latest() const
    {
        const QMutexLocker lock(&m_lock);
        return m_frames[m_fresh ? m_ready : m_shown];
    }
    Frame* all() { return m_frames; }

    void setTarget(QSize size, qreal dpr)
    {
        const QMutexLocker lock(&m_lock);
        m_size = size.expandedTo(QSize(1, 1));
        m_dpr = dpr;
    }
    std::pair<QSize, qreal> target() const
    {
        const QMutexLocker lock(&m_lock);
        return {m_size, m_dpr};
    }

private:
    mutable QMutex m_lock;
    Frame m_frames[3];
    int m_drawing = 0, m_ready = 1, m_shown = 2;
    bool m_fresh = false;
    QSize m_size; // set before anything is drawn
    qreal m_dpr = 1;
};

inline QSize pixelSize(const QWidget* w)
{
    return (QSizeF(w->size()) * w->devicePixelRatioF()).toSize();
}

// Tells the area that a frame waits, from the drawing thread.
inline void frameWaits(QWidget* area)
{
    QMetaObject::invokeMethod(
        area, [area] { area->update(); }, Qt::QueuedConnection);
}
