#pragma once

#include "platform/desktop/MediaSession.h"

#include <QPointer>

class MediaPlayerControl;
class TWplayerF2;

// The player window as the desktop sees it. Every command goes to the control exactly as its own
// buttons send it, so the window's title, numbering and Mark see nothing new.
class PlayerSession : public MediaSession
{
    Q_OBJECT
public:
    PlayerSession(TWplayerF2& window, MediaPlayerControl* control);

    bool active() const override;
    Status status() const override;
    int entry() const override;
    QString title() const override;
    bool hasVideo() const override;
    qint64 length() const override;
    qint64 position() const override;
    double volume() const override;
    double rate() const override;
    double minimumRate() const override;
    double maximumRate() const override;

    void playPause() override;
    void play() override;
    void pause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void seekBy(qint64 microseconds) override;
    void setVolume(double volume) override;
    void raise() override;

private:
    MediaPlayerControl* control() const;

    TWplayerF2& m_window;
    QPointer<MediaPlayerControl> m_control;
};
