#pragma once

#include "platform/media/HandOver.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/media/PlaceKeeper.h"
#include "platform/media/PlayOrder.h"
#include "platform/module/ModuleApi.h"

#include <QObject>

#include <cstdint>
#include <functional>

class MidiRenders;
class QTimer;
class ResumePlaces;

// One playlist run on an engine session. Needs no widget. Its parts, one job each:
//   PlayOrder    what plays next: the order, the passes, repeat, the entry number the window is told;
//   HandOver     the clip queued behind the one playing (gapless) and the switch once it is heard;
//   MidiRenders  MIDI clips rendered to WAV, the next one while the clip before it plays;
//   PlaceKeeper  where long clips were left, and where they take up.
// The run ties them together, follows the engine's events and keeps what the face shows.
// How one clip hands over to the next:
//   file loaded    -> the next clip is queued at once (a MIDI clip once MidiRenders has it ready),
//                     so that even a clip shorter than the output's buffer is followed in time;
//   end of file    -> HandOver begins the switch, the order moves on, the engine plays on alone;
//   next loaded    -> the clip after it is queued (after the last, gapless audio goes off once
//                     its sound flows, so that the run's end waits for its sound);
//   next heard     -> the window is told the end of the one before, then the new stream.
// With nothing queued, the next clip is loaded after the end, as the first one is.
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
        m_handOver->setSession(session);
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
    void setPlaces(ResumePlaces* places) { m_places.setPlaces(places); }

    void open(const QString& path);
    void stop();
    void play();
    void previous();
    void next();
    void handle(const EngineEvent& e);

    int currentEntry() const { return m_order.current(); }
    int playCount() const { return m_order.playCount(); }
    void setPlayCount(int count);
    bool playing() const { return m_playingId != 0; }
    // The entry playing was handed over and nothing follows it: the engine keeps the output it had
    // for the one before only as long as nothing in the sound chain changes.
    bool outputKeptAlone() const { return m_handedOver && !m_handOver->gapless(); }
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
    void jumpTo(int index);
    void startItem(int index);
    void loadSource();
    void loadFile(const QString& path);
    void sourceFailed();
    void endReached(int result);
    // False when the run changed or this run went away meanwhile.
    bool switchToLoaded(bool queue = true);
    // early: for an entry handed over but not heard yet.
    void queueNext(bool early = false);
    void leaveClip();
    void advance();
    void finishRun(int result);
    bool emitPending(); // false when the run changed or this run went away meanwhile
    void setState(State state);
    void setMode(MpvVideoSurface::Mode mode, const QString& caption = QString());

    EngineSession* m_session;
    PlayOrder m_order;
    HandOver* m_handOver;
    MidiRenders* m_midi;
    PlaceKeeper m_places;
    QTimer* m_readyTimeout;
    bool m_startWhenReady = false;

    // The entry being loaded or played, and its candidate source.
    int m_index = -1;
    int m_source = 0;
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
    double m_loadingStart = 0;
    double m_resumedAt = 0;

    State m_state = State::Ready;
    bool m_paused = false;
    bool m_handedOver = false; // the entry playing came by a hand-over
    bool m_muted = false;
    bool m_hasVideo = false;
    double m_volume = 100;
    double m_position = 0;
    double m_duration = 0;
};
