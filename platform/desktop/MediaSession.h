#pragma once

#include <QObject>
#include <QString>

// One player window as the desktop sees it: what its media keys and panels may ask of it, and what
// they show of it. The player side implements it; the desktop side (media controls, screensaver)
// only reads it and calls its commands.
class MediaSession : public QObject
{
    Q_OBJECT
public:
    enum class Status
    {
        Stopped,
        Playing,
        Paused
    };

    using QObject::QObject;
    ~MediaSession() override = default;

    // False before Go and after the run: commands are then ignored.
    virtual bool active() const = 0;
    virtual Status status() const = 0;
    // 1-based number of the entry playing, 0 when none.
    virtual int entry() const = 0;
    // File name of the clip playing; empty when none.
    virtual QString title() const = 0;
    virtual bool hasVideo() const = 0;
    // In microseconds.
    virtual qint64 length() const = 0;
    virtual qint64 position() const = 0;
    // 0 to 1.
    virtual double volume() const = 0;
    virtual double rate() const = 0;
    // The slowest and fastest rates the player plays at.
    virtual double minimumRate() const = 0;
    virtual double maximumRate() const = 0;

    // The control's own buttons and keys.
    virtual void playPause() = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    virtual void seekBy(qint64 microseconds) = 0;
    virtual void setVolume(double volume) = 0;
    // Brings the player window to the front.
    virtual void raise() = 0;

Q_SIGNALS:
    // Any of the values above may have changed.
    void changed();
};
