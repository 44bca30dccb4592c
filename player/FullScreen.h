#pragma once

#include <QCursor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class MediaPlayerControl;
class QKeyEvent;
class QWidget;

// Full screen for the player window: the window fills its screen without a frame, everything in it
// but the control is hidden, and the control shows its video area alone. Leaving puts back the
// window's state, geometry, focus and what was shown, exactly. The control is never reparented:
// its video surface stays where the engine put it.
class PlayerFullScreen : public QObject
{
    Q_OBJECT
public:
    // How long the pointer may rest over the video before it is hidden.
    static constexpr int PointerIdleMs = 2000;

    PlayerFullScreen(QWidget& window, MediaPlayerControl* control);

    bool active() const { return m_active; }
    // Only while a clip with pictures is loaded; audio has no full screen.
    bool allowed() const;
    void toggle();
    void enter();
    void leave();
    // F toggles, Esc leaves. True when the key was taken.
    bool handleKey(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void newStream();
    void hideOthers();
    void pointerMoved();

    QWidget& m_window;
    QPointer<MediaPlayerControl> m_control;
    QPointer<QWidget> m_video;
    bool m_active = false;
    QTimer m_pointerTimer;
    bool m_pointerHidden = false;

    // As the window was before: put back on leaving.
    Qt::WindowStates m_state;
    QRect m_geometry;
    QRect m_controlGeometry;
    QList<QPointer<QWidget>> m_hidden;
    QPointer<QWidget> m_focus;
    bool m_hadCursor = false;
    QCursor m_cursor;
    bool m_tracking[3] = {};
};
