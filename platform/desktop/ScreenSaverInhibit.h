#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>

class QDBusPendingCallWatcher;

// Keeps the session's screensaver from starting while wanted: org.freedesktop.ScreenSaver, or the
// desktop portal's Inhibit when that service is missing (in a sandbox). Every call is asynchronous,
// so a slow or missing service never holds up the window. The hold belongs to this process's bus
// connection: should the program die, the service sees the connection drop and lets go. Only the
// idle flag is asked of the portal, never logout or suspend, so a shutdown is never held up.
class ScreenSaverInhibitor : public QObject
{
    Q_OBJECT
public:
    ScreenSaverInhibitor(const QDBusConnection& bus, const QString& reason, QObject* parent = nullptr);
    // Lets go of a hold still in place.
    ~ScreenSaverInhibitor() override;

    void setInhibited(bool on);

private:
    enum class Via
    {
        None,
        ScreenSaver,
        Portal
    };

    void request(Via via);
    void granted(QDBusPendingCallWatcher* call, Via via);
    void release();
    static void sendRelease(QDBusConnection bus, Via via, uint cookie, const QDBusObjectPath& handle);

    QDBusConnection m_bus;
    QString m_reason;
    bool m_wanted = false;
    bool m_pending = false;
    Via m_via = Via::None;
    uint m_cookie = 0;
    QDBusObjectPath m_handle;
};
