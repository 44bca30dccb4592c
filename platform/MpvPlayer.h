#pragma once

#include "platform/AsxParse.h"
#include "platform/MediaPlayerControl.h"

#include <QList>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>

struct mpv_handle;
class MpvVideoSurface;
class QLabel;
class QSlider;
class QThread;
class QTimer;
class QToolButton;
class QWidget;

// The media player control on libmpv. It reads the playlist itself and hands the engine one clip at
// a time, so that the entry numbers and events follow the playlist's entries exactly.
class MpvPlayer : public MediaPlayerControl
{
    Q_OBJECT
public:
    // options: engine options as "name=value", applied after the built-in ones and those of
    // VIDMARRO_MPV_OPTIONS (see mpvEffectiveOptions).
    explicit MpvPlayer(QWidget* parent = nullptr, const QStringList& options = {});
    ~MpvPlayer() override;

    void Open(const QString& path) override;
    void Stop() override;
    bool IsSoundCardEnabled() override;
    int GetCurrentEntry() override { return m_current; }

    bool ShowTracker() const override { return m_showTracker; }
    void SetShowTracker(bool on) override;
    bool ShowStatusBar() const override { return m_showStatusBar; }
    void SetShowStatusBar(bool on) override;
    int PlayCount() const override { return m_playCount; }
    void SetPlayCount(int count) override;
    double Rate() const override { return m_rate; }
    void SetRate(double rate) override;

    // What the face shows, and what its buttons and keys do.
    enum class State
    {
        Ready,
        Opening,
        Playing,
        Paused,
        Stopped
    };
    State state() const { return m_state; }
    bool paused() const { return m_paused; }
    double volume() const { return m_volume; }
    bool muted() const { return m_muted; }
    double position() const { return m_position; }
    double duration() const { return m_duration; }
    // True while the current clip has pictures; false shows the audio placeholder.
    bool hasVideo() const { return m_hasVideo; }
    bool engineReady() const { return m_mpv != nullptr; }
    QWidget* videoArea() const;
    QString statusText() const;

    void play();
    void togglePause();
    void previousEntry();
    void nextEntry();
    void seekBy(double seconds);
    void changeVolume(double delta);
    void setMuted(bool on);

    // Shows the video area alone, without the track bar, buttons and status line (full screen);
    // off brings back what the Track Bar and Status Bar settings show.
    void setVideoOnly(bool on);
    bool videoOnly() const { return m_videoOnly; }

Q_SIGNALS:
    // What the face shows changed: state, clip, position, volume or mute.
    void faceChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct EngineEvent;

    void buildFace();
    void drainEvents();
    void handleEvent(const EngineEvent& e);
    void startItem(int index);
    void loadSource();
    void loadFile(const QString& path);
    void sourceFailed();
    void endReached(int result);
    void advance();
    void finishRun(int result);
    bool emitPending(); // false when the run changed or this control went away meanwhile
    void startMidi(const QString& path);
    void setState(State state);
    void refreshFace();
    void command(std::initializer_list<const char*> args);

    mpv_handle* m_mpv = nullptr;
    QStringList m_options;
    MpvVideoSurface* m_surface = nullptr;
    std::atomic_bool m_wakePending{false};
    bool m_startWhenReady = false;
    QTimer* m_readyTimeout = nullptr;

    // The run: the playlist's clips, where it stands, and what the window has yet to hear.
    QList<AsxParse::Item> m_items;
    int m_index = -1;
    int m_source = 0;
    int m_current = 0;
    int m_passes = 0;
    bool m_loadedThisPass = false;
    bool m_endPending = false;
    int m_endResult = 0;
    quint64 m_run = 0;
    int64_t m_loadingId = 0;
    int64_t m_startedId = 0;
    int64_t m_playingId = 0;
    int64_t m_preloadedId = 0;
    bool m_preloadedVideo = false;

    // MIDI clips rendered in worker threads; only the latest request counts.
    QList<QThread*> m_midiThreads;
    std::shared_ptr<std::atomic_bool> m_midiCancel;
    quint64 m_midiRequest = 0;

    bool m_showTracker = true;
    bool m_showStatusBar = true;
    int m_playCount = 1;
    double m_rate = 1.0;

    State m_state = State::Ready;
    bool m_paused = false;
    bool m_muted = false;
    bool m_hasVideo = false;
    double m_volume = 100;
    double m_position = 0;
    double m_duration = 0;
    bool m_settingTracker = false;
    bool m_videoOnly = false;
    int m_shownIcons = -1;

    QWidget* m_trackerRow = nullptr;
    QSlider* m_tracker = nullptr;
    QLabel* m_trackerTime = nullptr;
    QWidget* m_panel = nullptr;
    QToolButton* m_playPause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_mute = nullptr;
    QSlider* m_volumeSlider = nullptr;
    QLabel* m_status = nullptr;
};

// The engine options every control starts with: no user configuration, no scripts, an idle engine,
// audio that keeps its pitch down to 0.2x, end-of-file events only when the sound has finished.
QStringList mpvDefaultOptions();
// The options a control is made with: the defaults, then VIDMARRO_MPV_OPTIONS (blank-separated
// name=value pairs), then extraOptions.
QStringList mpvEffectiveOptions(const QStringList& extraOptions = {});
// Makes MpvPlayer controls with those options.
MediaPlayerFactory mpvPlayerFactory(const QStringList& extraOptions = {});
// True when an engine with those options can be created and initialised.
bool mpvEngineAvailable(const QStringList& extraOptions = {});
// The same test made in a child process, so that this one does not load the engine's libraries
// (some 45 MB resident) before a clip is played. Falls back to the test in this process when no
// child can be made or it gives no answer.
bool mpvEngineAvailableApart(const QStringList& extraOptions = {});
