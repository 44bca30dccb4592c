#include "platform/WindowHelpers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace {

class Unminimiser : public QObject
{
public:
    explicit Unminimiser(QWidget* window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::WindowStateChange && window->isMinimized())
            QTimer::singleShot(0, window, [window] {
                if (window->isMinimized() && window->isVisible())
                    window->showNormal();
            });
        return false;
    }
};

class LabelClick : public QObject
{
public:
    LabelClick(QLabel* label, std::function<void()> handler) : QObject(label), m_handler(std::move(handler))
    {
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !static_cast<QWidget*>(watched)->rect().contains(me->position().toPoint()))
            return false;
        m_handler();
        return true;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void onLabelClick(QLabel* label, std::function<void()> handler)
{
    new LabelClick(label, std::move(handler));
}

void keepFromMinimising(QWidget* window)
{
    new Unminimiser(window);
}
