#include "player/FullScreen.h"

#include "platform/media/MediaPlayerControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

PlayerFullScreen::PlayerFullScreen(QWidget& window, MediaPlayerControl* control)
    : QObject(&window), m_window(window), m_control(control)
{
    m_pointerTimer.setSingleShot(true);
    m_pointerTimer.setInterval(PointerIdleMs);
    connect(&m_pointerTimer, &QTimer::timeout, this, [this] {
        if (!m_active)
            return;
        m_pointerHidden = true;
        m_window.setCursor(Qt::BlankCursor);
    });
    if (!control)
        return;
    m_video = control->videoArea();
    if (m_video)
        m_video->installEventFilter(this);
    m_window.installEventFilter(this);
    control->installEventFilter(this);
    // After the window's own handler: the title and Mark are already up to date.
    connect(control, &MediaPlayerControl::OnNewStream, this, &PlayerFullScreen::newStream);
}

bool PlayerFullScreen::allowed() const
{
    return m_control && m_control->isEnabled() && m_control->hasVideo();
}

void PlayerFullScreen::toggle()
{
    if (m_active)
        leave();
    else
        enter();
}

void PlayerFullScreen::enter()
{
    if (m_active || !allowed())
        return;
    m_active = true;
    m_state = m_window.windowState();
    m_geometry = m_window.geometry();
    m_controlGeometry = m_control->geometry();
    m_focus = QApplication::focusWidget();
    m_hadCursor = m_window.testAttribute(Qt::WA_SetCursor);
    m_cursor = m_window.cursor();
    QWidget* tracked[3] = {&m_window, m_control, m_video};
    for (int i = 0; i < 3; ++i) {
        m_tracking[i] = tracked[i] && tracked[i]->hasMouseTracking();
        if (tracked[i])
            tracked[i]->setMouseTracking(true);
    }
    m_hidden.clear();
    hideOthers();
    m_control->setVideoOnly(true);
    m_window.setWindowState((m_state & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | Qt::WindowFullScreen);
    m_control->setGeometry(m_window.rect());
    m_control->setFocus(Qt::OtherFocusReason);
    m_pointerTimer.start();
}

void PlayerFullScreen::leave()
{
    if (!m_active)
        return;
    m_active = false;
    m_pointerTimer.stop();
    m_pointerHidden = false;
    if (m_hadCursor)
        m_window.setCursor(m_cursor);
    else
        m_window.unsetCursor();
    m_window.setWindowState(m_state);
    if (!(m_state & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        m_window.setGeometry(m_geometry);
    QWidget* tracked[3] = {&m_window, m_control, m_video};
    for (int i = 0; i < 3; ++i) {
        if (tracked[i])
            tracked[i]->setMouseTracking(m_tracking[i]);
    }
    if (m_control) {
        m_control->setVideoOnly(false);
        m_control->setGeometry(m_controlGeometry);
    }
    for (const QPointer<QWidget>& w : std::as_const(m_hidden)) {
        if (w)
            w->show();
    }
    m_hidden.clear();
    if (m_focus && m_focus->isVisible())
        m_focus->setFocus(Qt::OtherFocusReason);
}

void PlayerFullScreen::hideOthers()
{
    for (QObject* child : m_window.children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || w == m_control || w->isHidden())
            continue;
        w->hide();
        m_hidden.append(w);
    }
}

void PlayerFullScreen::newStream()
{
    if (!m_active)
        return;
    if (!allowed()) {
        leave(); // a clip without pictures plays in the window
        return;
    }
    hideOthers(); // anything the window showed for the new clip waits until full screen ends
}

bool PlayerFullScreen::handleKey(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (event->key() == Qt::Key_F && (m_active || allowed())) {
        toggle();
        return true;
    }
    if (event->key() == Qt::Key_Escape && m_active) {
        leave();
        return true;
    }
    return false;
}

void PlayerFullScreen::pointerMoved()
{
    if (!m_active)
        return;
    if (m_pointerHidden) {
        m_pointerHidden = false;
        m_window.setCursor(Qt::ArrowCursor);
    }
    m_pointerTimer.start();
}

bool PlayerFullScreen::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (watched == m_video && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            (m_active || allowed())) {
            toggle();
            return true;
        }
        break;
    case QEvent::MouseMove:
        pointerMoved();
        break;
    case QEvent::Resize:
        if (m_active && watched == &m_window && m_control)
            m_control->setGeometry(m_window.rect());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
