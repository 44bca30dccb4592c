#include "platform/desktop/DesktopServices.h"

#include "common/AppError.h"
#include "platform/desktop/DesktopSession.h"

#include <QDesktopServices>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#endif

namespace {

QString shutdownFailure(int code, const QString& description)
{
    return QStringLiteral("Win32 Error.  Code: %1.").arg(code) + u'\n' +
           (description.isEmpty() ? QStringLiteral("A Win32 API function failed") : description);
}

} // namespace

#ifdef Q_OS_WIN

void DesktopServices::requestShutdown()
{
    // The plain request: other programs are not forced closed, no reboot, no privilege asked for.
    if (ExitWindowsEx(EWX_SHUTDOWN, SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_FLAG_PLANNED))
        return;
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString description = text ? QString::fromWCharArray(text).trimmed() : QString();
    LocalFree(text);
    throw AppError(shutdownFailure(int(code), code ? description : QString()));
}

#else

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

#endif

void DesktopServices::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

std::unique_ptr<QObject> DesktopServices::publishSession(MediaSession& session)
{
    return std::make_unique<DesktopSession>(session);
}
