#pragma once

#include "platform/media/MediaPlayerControl.h"
#include "platform/media/MpvVideo.h"
#include "platform/module/ModuleApi.h"
#include "playlist/AsxParse.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QThread;
class QTimer;
class ResumePlaces;

// One playlist run on an engine session: which entry plays, what the window has yet to hear, and
// the engine's state as the face shows it. Needs no widget. The engine is handed the clip to play
// and the one to follow it, so that it goes on without a gap; what the window is told (the new
// stream, the entry number, the clip's name) changes only once the next clip is heard.
class PlaylistRun : public QObject
{
    Q_OBJECT
public:
    using State = MediaPlayerControl::State;

    // session may be null: nothing then plays.
    PlaylistRun(EngineSession* session, QObject* parent);
    ~PlaylistRun() override;
    // The engine to play on from now on (null: none); what played on the one before is over.
    void setSession(EngineSession* session)
    {
        m_session = session;
        m_gapless = false; // a new engine starts with its options
    }

    // The pictures may need the video area before the first file (the render context): while this
    // says no, a clip waits until surfaceBecameReady, or plays without pictures after a while.
    std::function<bool()> surfaceReady;
    std::function<bool()> surfaceShown;
    void surfaceBecameReady();
    // Told before each file is handed to the engine.
    std::function<void()> beforeLoad;
    // What the video area is to show.
    std::function<void(MpvVideoSurface::Mode, const QString&)> showMode;
    // Where long clips were left (null: every clip starts at its beginning).
    void setPlaces(ResumePlaces* places) { m_places = places; }

    void open(const QString& path);
    void stop();
    void play();
    void previous();
    void next();
    void handle(const EngineEvent& e);

    int currentEntry() const { return m_current; }
    int playCount() const { return m_playCount; }
    void setPlayCount(int count);
    bool playing() const { return m_playingId != 0; }
    // The file name of the clip being opened or played; empty when none.
    QString clip() const;
    // Where the current clip started, when it took up where it was left; 0 otherwise.
    double resumedAt() const { return m_resumedAt; }

    State state() const { return m_state; }
    bool paused() const { return m_paused; }
    double volume() const { return m_volume; }
    bool muted() const { return m_muted; }
    // What the engine was told, until it reports back.
    void setVolume(double volume, bool muted)
    {
        m_volume = volume;
        m_muted = muted;
    }
    double position() const { return m_position; }
    double duration() const { return m_duration; }
    bool hasVideo() const { return m_hasVideo; }

Q_SIGNALS:
    void newStream();
    void endOfStream(int result);
    // Something the face shows changed.
    void changed();

private:
    void startItem(int index);
    void loadSource();
    void loadFile(const QString& path);
    void sourceFailed();
    void endReached(int result);
    // False when the run changed or this run went away meanwhile.
    bool switchToLoaded(bool queue = true);
    void watchSwitch();
    void queueNext();
    void dropQueue();
    void setGapless(bool on);
    double startFor(const QString& source) const;
    void leaveClip(bool ended);
    void advance();
    void finishRun(int result);
    bool emitPending(); // false when the run changed or this run went away meanwhile
    void startMidi(const QString& path);
    void cancelMidi();
    void setState(State state);
    void setMode(MpvVideoSurface::Mode mode, const QString& caption = QString());

    EngineSession* m_session;
    QTimer* m_readyTimeout;
    bool m_startWhenReady = false;

    QList<AsxParse::Item> m_items;
    int m_index = -1;
    int m_source = 0;
    int m_current = 0;
    int m_passes = 0;
    int m_playCount = 1;
    bool m_loadedThisPass = false;
    bool m_endPending = false;
    int m_endResult = 0;
    quint64 m_run = 0;
    int64_t m_loadingId = 0;
    int64_t m_startedId = 0;
    int64_t m_playingId = 0;
    int64_t m_preloadedId = 0;
    bool m_preloadedVideo = false;
    bool m_preloadedAudio = false;
    bool m_loadedVideo = false;
    bool m_loadedAudio = false;

    // The entry queued behind the one playing, and the hand-over to it: from the end of the one
    // before until the new one is heard, the window still shows the one before (m_heardIndex).
    int64_t m_queuedId = 0;
    int m_queuedIndex = -1;
    bool m_queuedWraps = false;
    double m_queuedStart = 0;
    bool m_switchPending = false;
    int m_heardIndex = -1;
    int m_heardSource = 0;
    double m_nextPosition = 0;
    double m_nextDuration = 0;
    QTimer* m_switchWatch;
    QElapsedTimer m_switchClock;
    bool m_gapless = false;

    ResumePlaces* m_places = nullptr;
    QString m_heardPath; // the clip heard now, as the playlist names it; empty when none
    double m_loadingStart = 0;
    double m_resumedAt = 0;

    // MIDI clips rendered in worker threads; only the latest request counts.
    QList<QThread*> m_midiThreads;
    std::shared_ptr<std::atomic_bool> m_midiCancel;
    quint64 m_midiRequest = 0;

    State m_state = State::Ready;
    bool m_paused = false;
    bool m_muted = false;
    bool m_hasVideo = false;
    double m_volume = 100;
    double m_position = 0;
    double m_duration = 0;
};
