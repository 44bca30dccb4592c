#include "platform/desktop/DesktopServices.h"

#include "common/AppError.h"
#include "platform/desktop/DesktopSession.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>

namespace {

QString shutdownFailure(int code, const QString& description)
{
    return QCoreApplication::translate("DesktopServices", "Win32 Error.  Code: %1.").arg(code) + u'\n' +
           (description.isEmpty()
                ? QCoreApplication::translate("DesktopServices", "A Win32 API function failed")
                : description);
}

} // namespace

void DesktopServices::requestShutdown()
{
    // A connection of its own for each request: a bus that went away since start-up is noticed
    // here rather than through a stale shared connection.
    const QString connectionName = QStringLiteral("vidmarro-shutdown");
    struct Release
    {
        QString name;
        ~Release() { QDBusConnection::disconnectFromBus(name); }
    } release{connectionName};

    // libdbus keeps the first system bus address it saw; read the standard variable each time.
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    QDBusConnection bus = address.isEmpty()
                              ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName)
                              : QDBusConnection::connectToBus(address, connectionName);
    if (!bus.isConnected()) {
        const QDBusError error = bus.lastError();
        throw AppError(shutdownFailure(int(error.type()), error.message()));
    }
    QDBusMessage msg = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    // Not interactive: logind answers at once instead of holding the call for a password prompt.
    msg << false;
    // Sent asynchronously with a bound on the wait: a bus that tries to start a missing logind,
    // or a logind that does not answer, ends in an error box instead of a hung program.
    QDBusPendingCall call = bus.asyncCall(msg, ShutdownReplyTimeoutMs);
    call.waitForFinished();
    if (call.isError()) {
        const QDBusError error = call.error();
        throw AppError(shutdownFailure(int(error.type()), error.message()));
    }
}

void DesktopServices::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

std::unique_ptr<QObject> DesktopServices::publishSession(MediaSession& session)
{
    return std::make_unique<DesktopSession>(session);
}
