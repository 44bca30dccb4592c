#include "platform/desktop/DesktopSession.h"

#include "platform/desktop/MediaSession.h"
#include "platform/desktop/Mpris.h"
#include "platform/desktop/ScreenSaverInhibit.h"

#include <QDBusConnection>
#include <QFileInfo>

namespace {

// The session bus: the standard variable, or the per-user bus of a systemd session. No bus is ever
// started for us (libdbus' X11 autolaunch would leave a daemon behind).
QString sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return {};
    const QString socket = runtime + QStringLiteral("/bus");
    if (!QFileInfo(socket).exists())
        return {};
    return QStringLiteral("unix:path=") + socket;
}

// One connection for the program's whole run. Holds taken through it (a screensaver inhibition)
// end with it: when the program dies, the bus drops the connection and the holder lets go.
QDBusConnection desktopBus()
{
    static const QString name = QStringLiteral("vidmarro-desktop");
    QDBusConnection bus(name);
    if (bus.isConnected())
        return bus;
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return bus;
    QDBusConnection made = QDBusConnection::connectToBus(address, name);
    if (!made.isConnected())
        QDBusConnection::disconnectFromBus(name); // the next window tries again
    return made;
}

} // namespace

DesktopSession::DesktopSession(MediaSession& session, QObject* parent) : QObject(parent), m_session(session)
{
    const QDBusConnection bus = desktopBus();
    if (!bus.isConnected())
        return;
    m_mpris = new MprisService(bus, session, this);
    m_inhibitor = new ScreenSaverInhibitor(bus, tr("Playing a video"), this);
    connect(&session, &MediaSession::changed, this, &DesktopSession::follow);
    follow();
}

DesktopSession::~DesktopSession()
{
    // The hold goes first, before the window and its control do.
    delete m_inhibitor;
    delete m_mpris;
}

void DesktopSession::follow()
{
    m_inhibitor->setInhibited(m_session.active() && m_session.status() == MediaSession::Status::Playing &&
                              m_session.hasVideo());
}
