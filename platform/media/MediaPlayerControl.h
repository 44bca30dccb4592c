#pragma once

#include <QWidget>
#include <functional>

// The media player control that the player window embeds: exactly the operations, properties and
// events the window relies on. AutoStart is always on: Open starts playback at once.
class MediaPlayerControl : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~MediaPlayerControl() override = default;

    // Opens a playlist (or a single clip) and starts playing its first entry.
    virtual void Open(const QString& path) = 0;
    virtual void Stop() = 0;
    // False when no sound output is available.
    virtual bool IsSoundCardEnabled() = 0;
    // 1-based number of the entry being played; 0 when none is current (after the last entry of
    // a playlist that is not repeated has ended).
    virtual int GetCurrentEntry() = 0;

    // The control takes mouse and keyboard input only while enabled.
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }

    virtual bool ShowTracker() const = 0;
    virtual void SetShowTracker(bool on) = 0;
    virtual bool ShowStatusBar() const = 0;
    virtual void SetShowStatusBar(bool on) = 0;
    // 0: the playlist plays over and over; 1: it plays once.
    virtual int PlayCount() const = 0;
    virtual void SetPlayCount(int count) = 0;
    // Playback speed factor, 0.2 to 2.0; pitch is kept.
    virtual double Rate() const = 0;
    virtual void SetRate(double rate) = 0;

Q_SIGNALS:
    // An entry of the playlist starts playing.
    void OnNewStream();
    // A stream has played to its end; GetCurrentEntry then tells whether the playlist is over.
    void OnEndOfStream(int result);
};

// Makes the control for a player window; the window owns what it gets.
using MediaPlayerFactory = std::function<MediaPlayerControl*(QWidget* parent)>;
