#include "platform/DesktopServices.h"

#include "common/AppError.h"
#include "platform/MpvPlayer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QUrl>

void DesktopServices::requestShutdown()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        throw AppError(QStringLiteral("Win32 Error.  Code: %1.\n%2").arg(1).arg(bus.lastError().message()));
    QDBusMessage msg = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    msg << true; // interactive: let polkit ask if it must
    const QDBusMessage reply = bus.call(msg, QDBus::Block, 2000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw AppError(QStringLiteral("Win32 Error.  Code: %1.\n%2").arg(1).arg(reply.errorMessage()));
}

void DesktopServices::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

bool DesktopServices::mediaEngineAvailable()
{
    // The same engine, with the same options, as the player's control gets.
    return mpvEngineAvailable();
}
