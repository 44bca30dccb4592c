#pragma once

#include <QObject>

class MediaSession;
class MprisService;
class ScreenSaverInhibitor;

// A player window on the desktop while this object lives: its MPRIS service, and no screensaver
// while a clip with pictures plays. Without a session bus it does nothing.
class DesktopSession : public QObject
{
    Q_OBJECT
public:
    explicit DesktopSession(MediaSession& session, QObject* parent = nullptr);
    ~DesktopSession() override;

private:
    void follow();

    MediaSession& m_session;
    MprisService* m_mpris = nullptr;
    ScreenSaverInhibitor* m_inhibitor = nullptr;
};
