#pragma once

#include <QList>
#include <QString>
#include <QWidget>

// The media player control that the player window embeds: exactly the operations, properties and
// events the window, its full screen and the desktop's media controls rely on. AutoStart is always
// on: Open starts playback at once.
class MediaPlayerControl : public QWidget
{
    Q_OBJECT
public:
    // The slowest and fastest playback rates; the engine keeps the pitch down to the slowest.
    static constexpr double MinimumRate = 0.2;
    static constexpr double MaximumRate = 2.0;

    enum class State
    {
        Ready,
        Opening,
        Playing,
        Paused,
        Stopped
    };

    enum class TrackType
    {
        Audio,
        Subtitle
    };
    // One audio or subtitle track of the current clip; language and title as the file gives them.
    struct Track
    {
        int id = 0;
        QString language; // a code such as "ger" or "de"; empty when the file names none
        QString title;
    };

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
    // Playback speed factor, MinimumRate to MaximumRate; pitch is kept.
    virtual double Rate() const = 0;
    virtual void SetRate(double rate) = 0;

    // What the control's face shows, and what its buttons and keys do.
    virtual State state() const = 0;
    virtual bool paused() const = 0;
    // 0 to 100.
    virtual double volume() const = 0;
    virtual bool muted() const = 0;
    // Of the current clip, in seconds.
    virtual double position() const = 0;
    virtual double duration() const = 0;
    // True while the current clip has pictures.
    virtual bool hasVideo() const = 0;
    // The widget the pictures are shown in.
    virtual QWidget* videoArea() const = 0;

    virtual void play() = 0;
    virtual void togglePause() = 0;
    virtual void previousEntry() = 0;
    virtual void nextEntry() = 0;
    virtual void seekBy(double seconds) = 0;
    virtual void changeVolume(double delta) = 0;
    // 0 to 100.
    virtual void setVolume(double volume) = 0;
    virtual void setMuted(bool on) = 0;

    // The tracks of a type in the current clip, in the file's order.
    virtual QList<Track> tracks(TrackType type) const = 0;
    // The id of the track playing; 0 when none (subtitles off).
    virtual int currentTrack(TrackType type) const = 0;
    // Plays the track id (0: no subtitles). The clips that follow in the run start with a track of
    // the same language when they have one, and with subtitles off when they were turned off.
    virtual void setTrack(TrackType type, int id) = 0;
    // Whether subtitles are drawn; holds for the rest of the run.
    virtual bool subtitlesShown() const = 0;
    virtual void setSubtitlesShown(bool on) = 0;
    // Says text in the status line for a few seconds, over the pictures where the line is hidden.
    virtual void showNote(const QString& text) = 0;

    // Shows the video area alone, without the track bar, buttons and status line (full screen);
    // off brings back what the Track Bar and Status Bar settings show.
    virtual void setVideoOnly(bool on) = 0;

Q_SIGNALS:
    // An entry of the playlist starts playing.
    void OnNewStream();
    // A stream has played to its end; GetCurrentEntry then tells whether the playlist is over.
    void OnEndOfStream(int result);
    // What the face shows changed: state, clip, position, volume or mute.
    void faceChanged();
};
