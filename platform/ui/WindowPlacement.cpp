#include "platform/ui/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLibrary>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const char* const OwnerLinkName = "vidmarroOwnerLink";

// While a dialog belongs to a window: the window system knows it, and the focus that a click gives
// that window goes on to the dialog, which takes the window's input anyway. X11 window managers
// (and Qt on X11) do this themselves; a Wayland compositor may leave the focus where the click was.
class OwnerLink : public QObject
{
public:
    OwnerLink(QWidget* dialog, QWindow* owner) : QObject(dialog), m_dialog(dialog), m_owner(owner)
    {
        setObjectName(QLatin1String(OwnerLinkName));
        dialog->windowHandle()->setTransientParent(owner);
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (focus && focus == m_owner && m_dialog->isVisible())
                QTimer::singleShot(0, this, [this] { m_dialog->activateWindow(); });
        });
    }
    ~OwnerLink() override
    {
        if (QWindow* w = m_dialog->windowHandle())
            w->setTransientParent(nullptr);
    }

private:
    QWidget* m_dialog;
    QPointer<QWindow> m_owner;
};

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

void comeBack(QWidget* window, QWidget* focus)
{
    window->show();
    window->raise();
    window->activateWindow();
    if (focus)
        focus->setFocus(Qt::ActiveWindowFocusReason);
}

namespace {

// The few libxcb calls used here, taken from the library that Qt's X11 platform has loaded: the
// program does not link it, since only an X11 session needs it.
struct Xcb
{
    decltype(&xcb_get_setup) getSetup = nullptr;
    decltype(&xcb_setup_roots_iterator) roots = nullptr;
    decltype(&xcb_intern_atom) internAtom = nullptr;
    decltype(&xcb_intern_atom_reply) internAtomReply = nullptr;
    decltype(&xcb_send_event) sendEvent = nullptr;
    decltype(&xcb_flush) flush = nullptr;

    bool loaded() const { return getSetup && roots && internAtom && internAtomReply && sendEvent && flush; }
};

const Xcb& xcb()
{
    static const Xcb calls = [] {
        QLibrary lib(QStringLiteral("xcb"), 1);
        Xcb x;
        x.getSetup = reinterpret_cast<decltype(x.getSetup)>(lib.resolve("xcb_get_setup"));
        x.roots = reinterpret_cast<decltype(x.roots)>(lib.resolve("xcb_setup_roots_iterator"));
        x.internAtom = reinterpret_cast<decltype(x.internAtom)>(lib.resolve("xcb_intern_atom"));
        x.internAtomReply =
            reinterpret_cast<decltype(x.internAtomReply)>(lib.resolve("xcb_intern_atom_reply"));
        x.sendEvent = reinterpret_cast<decltype(x.sendEvent)>(lib.resolve("xcb_send_event"));
        x.flush = reinterpret_cast<decltype(x.flush)>(lib.resolve("xcb_flush"));
        return x;
    }();
    return calls;
}

xcb_atom_t atomNamed(const Xcb& x, xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        x.internAtomReply(c, x.internAtom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// X11: ends the launcher's startup feedback for `startupId` (Qt does so only when a window is
// first shown) and asks for `window` to be activated as of the launch, the time that a window
// manager's focus stealing prevention weighs against the user's last input elsewhere.
void activateAsLaunched(QWidget* window, const QString& startupId)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const Xcb& x = xcb();
    if (!x11 || !x.loaded())
        return;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = x.roots(x.getSetup(c)).data->root;

    // The startup notification message, with its final NUL, 20 bytes an event.
    const QByteArray message = "remove: ID=" + startupId.toUtf8();
    xcb_client_message_event_t info{};
    info.response_type = XCB_CLIENT_MESSAGE;
    info.format = 8;
    info.window = root;
    info.type = atomNamed(x, c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atomNamed(x, c, "_NET_STARTUP_INFO");
    for (qsizetype sent = 0; sent <= message.size(); sent += 20) {
        std::memset(info.data.data8, 0, sizeof info.data.data8);
        std::memcpy(info.data.data8, message.constData() + sent,
                    std::min<qsizetype>(20, message.size() + 1 - sent));
        x.sendEvent(c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&info));
        info.type = more;
    }

    const QRegularExpressionMatch time =
        QRegularExpression(QStringLiteral("_TIME([0-9]+)$")).match(startupId);
    if (time.hasMatch()) {
        xcb_client_message_event_t activate{};
        activate.response_type = XCB_CLIENT_MESSAGE;
        activate.format = 32;
        activate.window = xcb_window_t(window->winId());
        activate.type = atomNamed(x, c, "_NET_ACTIVE_WINDOW");
        activate.data.data32[0] = 1; // asked by an application
        activate.data.data32[1] = time.captured(1).toUInt();
        x.sendEvent(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                    reinterpret_cast<const char*>(&activate));
    }
    x.flush(c);
}

} // namespace

void bringForward(QWidget* window, const LaunchToken& token)
{
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    if (!clientPlacesWindows() && !token.activation.isEmpty()) {
        // Qt's xdg-shell reads the token from the environment when it asks for activation and
        // clears it there; it is taken out here as well in case Qt did not ask.
        qputenv("XDG_ACTIVATION_TOKEN", token.activation.toUtf8());
        window->activateWindow();
        qunsetenv("XDG_ACTIVATION_TOKEN");
        return;
    }
    window->activateWindow();
    if (!token.startupId.isEmpty())
        activateAsLaunched(window, token.startupId);
}

void setOwnerWindow(QWidget* dialog, QWidget* owner)
{
    delete dialog->findChild<QObject*>(QLatin1String(OwnerLinkName), Qt::FindDirectChildrenOnly);
    if (!owner)
        return;
    dialog->winId(); // the window handles exist from here on
    owner->window()->winId();
    new OwnerLink(dialog, owner->window()->windowHandle());
}

bool clientPlacesWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void keepFromMinimising(QWidget* window)
{
    new Unminimiser(window);
}

namespace {

class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget* window, std::function<void()> work) : QObject(window), m_work(std::move(work))
    {
        window->installEventFilter(this);
        QTimer::singleShot(250, this, [this] { run(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // After this paint has reached the display, not in the middle of it.
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, this, [this] { run(); });
        return false;
    }

private:
    void run()
    {
        if (!m_work)
            return;
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        deleteLater();
        work();
    }

    std::function<void()> m_work;
};

} // namespace

void afterFirstPaint(QWidget* window, std::function<void()> work)
{
    new FirstPaintWatch(window, std::move(work));
}
