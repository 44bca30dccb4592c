#include "platform/desktop/ScreenSaverInhibit.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace {

const QString ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString PortalInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString PortalRequest = QStringLiteral("org.freedesktop.portal.Request");
// The portal's flag for "the session may not go idle"; logout (1), user switch (2) and suspend (4)
// are left alone.
constexpr uint PortalIdle = 8;

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(const QDBusConnection& bus, const QString& reason, QObject* parent)
    : QObject(parent), m_bus(bus), m_reason(reason)
{
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    m_wanted = false;
    release();
}

void ScreenSaverInhibitor::setInhibited(bool on)
{
    if (on == m_wanted)
        return;
    m_wanted = on;
    if (on) {
        if (!m_pending && m_via == Via::None)
            request(Via::ScreenSaver);
    } else if (!m_pending) {
        release();
    }
    // A request under way is settled when its answer comes.
}

void ScreenSaverInhibitor::request(Via via)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage msg;
    if (via == Via::ScreenSaver) {
        msg = QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverService,
                                             QStringLiteral("Inhibit"));
        msg << QCoreApplication::applicationName() << m_reason;
    } else {
        msg = QDBusMessage::createMethodCall(PortalService, PortalPath, PortalInhibit,
                                             QStringLiteral("Inhibit"));
        msg << QString() << PortalIdle << QVariantMap{{QStringLiteral("reason"), m_reason}};
    }
    m_pending = true;
    // The answer may come after this object has gone (the window closed meanwhile): a hold granted
    // then is let go at once instead of lasting as long as the connection.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(msg), QCoreApplication::instance());
    QPointer<ScreenSaverInhibitor> self(this);
    const QDBusConnection bus = m_bus;
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
            [self, bus, via](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (self) {
                    self->granted(call, via);
                } else if (!call->isError()) {
                    if (via == Via::ScreenSaver)
                        sendRelease(bus, via, QDBusPendingReply<uint>(*call).value(), {});
                    else
                        sendRelease(bus, via, 0, QDBusPendingReply<QDBusObjectPath>(*call).value());
                }
            });
}

void ScreenSaverInhibitor::granted(QDBusPendingCallWatcher* call, Via via)
{
    m_pending = false;
    if (call->isError()) {
        // No screensaver service of the classic kind: the portal may stand in for it.
        if (via == Via::ScreenSaver && m_wanted)
            request(Via::Portal);
        return;
    }
    m_via = via;
    if (via == Via::ScreenSaver)
        m_cookie = QDBusPendingReply<uint>(*call).value();
    else
        m_handle = QDBusPendingReply<QDBusObjectPath>(*call).value();
    if (!m_wanted)
        release();
}

void ScreenSaverInhibitor::release()
{
    const Via via = m_via;
    m_via = Via::None;
    sendRelease(m_bus, via, m_cookie, m_handle);
}

void ScreenSaverInhibitor::sendRelease(QDBusConnection bus, Via via, uint cookie,
                                       const QDBusObjectPath& handle)
{
    if (via == Via::None || !bus.isConnected())
        return;
    // Sent without waiting for an answer: nothing here may hold up a closing window.
    QDBusMessage msg;
    if (via == Via::ScreenSaver) {
        msg = QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverService,
                                             QStringLiteral("UnInhibit"));
        msg << cookie;
    } else {
        msg = QDBusMessage::createMethodCall(PortalService, handle.path(), PortalRequest,
                                             QStringLiteral("Close"));
    }
    bus.send(msg);
}
