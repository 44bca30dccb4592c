#pragma once

#include "platform/module/ModuleApi.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QWindow;

// The idle and audio faces, as every video area shows them.
void paintVideoFace(QPainter& painter, const QRect& rect, MpvVideoSurface::Mode mode, const QString& caption);

// A native window of ours that the engine draws into itself (its own video output, given the
// window's id): frames cost the toolkit nothing. Once the engine has shown video it keeps its window
// (and its drawing context) until it ends, since making them again for each clip costs memory that
// some drivers never give back; the idle and audio faces are then drawn on a window of ours stacked
// above the engine's.
class MpvNativeArea : public QWidget, public MpvVideoSurface
{
    Q_OBJECT
public:
    explicit MpvNativeArea(QWidget* parent);
    QWidget* widget() override { return this; }
    bool ready() const override { return true; }
    void release() override {}
    // The window the engine draws into; made on first call.
    quint64 windowId();
    // Draws the faces of the given mode into painter (for the window above the engine's).
    void paintFace(QPainter& painter, const QRect& rect) const
    {
        paintVideoFace(painter, rect, m_mode, m_caption);
    }

    // Called while the window the engine draws into is about to be destroyed (the area or any window
    // around it closes for good, or is made again), before anything of it is gone: the engine's own
    // window inside it must be let go of now, or it dies under the engine.
    std::function<void()> onWindowGoing;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void modeChanged() override;

private:
    void watchWindow();

    QWidget* m_face;
    QPointer<QWindow> m_watched;
};
