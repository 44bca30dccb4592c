#include "platform/media/PlaylistRun.h"

#include "platform/media/MidiRender.h"
#include "platform/media/MidiRenders.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

namespace {

// How long a clip waits for the video area to come up before playing without pictures.
constexpr int ReadyTimeoutMs = 2000;
// What an end of stream reports when nothing could be played (the engine's "nothing to play").
constexpr int NothingToPlay = -16;

QString clipName(const QString& source)
{
    const QString name = QFileInfo(source).fileName();
    return name.isEmpty() ? source : name;
}

QByteArray startOption(double start)
{
    return start > 0 ? "start=" + QByteArray::number(start, 'f', 0) : QByteArray();
}

} // namespace

PlaylistRun::PlaylistRun(EngineSession* session, QObject* parent)
    : QObject(parent), m_session(session), m_handOver(new HandOver(this)), m_midi(new MidiRenders(this)),
      m_readyTimeout(new QTimer(this))
{
    m_handOver->setSession(session);
    m_handOver->playing = [this] { return m_playingId != 0; };
    connect(m_handOver, &HandOver::heard, this, [this] { switchToLoaded(); });
    m_readyTimeout->setSingleShot(true);
    connect(m_readyTimeout, &QTimer::timeout, this, &PlaylistRun::surfaceBecameReady);
}

PlaylistRun::~PlaylistRun()
{
    leaveClip();
    delete m_midi; // its renderings end first
    m_midi = nullptr;
}

void PlaylistRun::surfaceBecameReady()
{
    if (!m_startWhenReady)
        return;
    m_startWhenReady = false;
    m_readyTimeout->stop();
    loadSource();
}

QString PlaylistRun::clip() const
{
    const bool pending = m_handOver->pending();
    return clipName(m_order.source(pending ? m_handOver->heardIndex() : m_index,
                                   pending ? m_handOver->heardSource() : m_source));
}

// --- operations ---

void PlaylistRun::setPlayCount(int count)
{
    m_order.setPlayCount(count);
    if (m_playingId != 0)
        queueNext(m_handOver->pending()); // the entry to follow may have changed
}

void PlaylistRun::open(const QString& path)
{
    leaveClip();
    ++m_run;
    m_midi->cancel();
    m_order.reset(AsxParse::readPlaylist(path));
    m_index = -1;
    m_endPending = false;
    m_endResult = 0;
    m_loadingId = m_playingId = 0;
    m_handOver->drop();
    // AutoStart: whatever was paused before, this run plays.
    if (m_session)
        m_session->setFlag("pause", false);
    if (m_order.isEmpty()) {
        if (m_session)
            m_session->command({"stop"});
        finishRun(NothingToPlay);
        return;
    }
    startItem(0);
}

void PlaylistRun::stop()
{
    leaveClip();
    ++m_run;
    m_midi->cancel();
    m_startWhenReady = false;
    m_endPending = false;
    m_loadingId = m_playingId = 0;
    m_handOver->drop();
    if (m_session)
        m_session->command({"stop"});
    m_position = 0;
    setMode(MpvVideoSurface::Mode::Idle);
    m_hasVideo = false;
    setState(m_order.isEmpty() ? State::Ready : State::Stopped);
}

void PlaylistRun::play()
{
    if (m_state == State::Playing || m_state == State::Paused || m_state == State::Opening) {
        if (m_session)
            m_session->setFlag("pause", false);
        return;
    }
    if (m_order.isEmpty() || !m_session)
        return;
    ++m_run;
    m_endPending = false;
    m_session->setFlag("pause", false);
    if (m_index < 0) { // the run was over: start it again
        m_order.restart();
        startItem(0);
    } else {
        startItem(m_index);
    }
}

void PlaylistRun::previous()
{
    jumpTo(m_order.before(m_index));
}

void PlaylistRun::next()
{
    jumpTo(m_order.next(m_index));
}

void PlaylistRun::jumpTo(int index)
{
    if (index < 0)
        return;
    leaveClip();
    ++m_run;
    m_endPending = false;
    startItem(index);
}

// --- the run ---

void PlaylistRun::startItem(int index)
{
    m_handOver->drop(); // loading replaces whatever the engine held
    m_index = index;
    m_source = 0;
    if (surfaceReady && !surfaceReady()) {
        // The pictures need the render context before the first file; the area makes it when shown.
        m_startWhenReady = true;
        m_readyTimeout->start(surfaceShown && surfaceShown() ? ReadyTimeoutMs : 0);
        setState(State::Opening);
        return;
    }
    loadSource();
}

void PlaylistRun::loadSource()
{
    if (m_index < 0 || m_index >= m_order.size())
        return;
    const QString source = m_order.source(m_index, m_source);
    m_loadingStart = m_places.startOf(source);
    setState(State::Opening);
    if (MidiRender::isMidi(source)) {
        if (m_session)
            m_session->command({"stop"}); // the clip before must not play on while this one renders
        const quint64 run = m_run;
        const int index = m_index;
        m_midi->render(source, [this, run, index](const QString& wav) {
            if (run != m_run || index != m_index)
                return;
            wav.isEmpty() ? sourceFailed() : loadFile(wav);
        });
        return;
    }
    loadFile(source);
}

void PlaylistRun::loadFile(const QString& path)
{
    if (beforeLoad)
        beforeLoad();
    m_loadingId = m_session ? m_session->loadFile(path, false, startOption(m_loadingStart)) : 0;
    if (m_loadingId == 0) {
        const quint64 run = m_run;
        const int index = m_index;
        QTimer::singleShot(0, this, [this, run, index] {
            if (run == m_run && index == m_index)
                sourceFailed();
        });
    }
}

void PlaylistRun::sourceFailed()
{
    m_loadingId = 0;
    m_handOver->end();
    if (m_order.hasSource(m_index, m_source + 1)) {
        ++m_source;
        loadSource();
        return;
    }
    advance();
}

void PlaylistRun::endReached(int result)
{
    m_places.ended(result == 0);
    m_playingId = 0;
    m_endPending = true;
    m_endResult = result;
    if (!m_handOver->hasQueued()) {
        advance();
        return;
    }
    // The engine goes on with the queued entry by itself; the window hears of it once it is heard.
    const HandOver::Entry next = m_handOver->begin(m_index, m_source);
    if (next.wraps)
        m_order.passBegun();
    m_index = next.index;
    m_source = 0;
    m_loadingId = next.id;
    m_loadingStart = next.start;
}

bool PlaylistRun::switchToLoaded(bool queue)
{
    const bool handedOver = m_handOver->pending();
    m_handedOver = handedOver;
    m_handOver->end();
    m_order.setCurrent(m_index);
    m_hasVideo = m_loadedVideo;
    m_places.heard(m_order.source(m_index, m_source));
    m_resumedAt = m_loadingStart;
    setMode(m_hasVideo ? MpvVideoSurface::Mode::Video : MpvVideoSurface::Mode::Audio, clip());
    m_position = handedOver ? m_handOver->nextPosition : m_loadingStart;
    if (handedOver && m_handOver->nextDuration > 0)
        m_duration = m_handOver->nextDuration;
    setState(m_paused ? State::Paused : State::Playing);
    // An entry handed over queued the one after it as soon as it loaded.
    if (queue && !m_handOver->hasQueued())
        queueNext();
    // The previous entry's end is told only now, so that the current entry already names this one.
    if (!emitPending())
        return false;
    const quint64 run = m_run;
    QPointer<PlaylistRun> self(this);
    Q_EMIT newStream();
    return self && run == m_run;
}

void PlaylistRun::leaveClip()
{
    if (m_places.heardPath().isEmpty())
        return;
    double position = m_position;
    if (m_session && m_playingId != 0 && !m_handOver->pending())
        m_session->number("time-pos", &position);
    m_places.leave(position, m_duration);
}

void PlaylistRun::queueNext(bool early)
{
    if (!m_session || m_playingId == 0)
        return;
    bool wraps = false;
    const int next = m_order.following(m_index, &wraps);
    const QString source = m_order.source(next, 0);
    if (source.isEmpty()) {
        early ? m_handOver->queueNothingOnceFlowing() : m_handOver->queueNothing();
        return;
    }
    // The clip playing now starts over when it follows itself: it will have been played to its end.
    const double start = source == m_order.source(m_index, m_source) ? 0 : m_places.startOf(source);
    const HandOver::Entry entry{0, next, wraps, start};
    if (!MidiRender::isMidi(source)) {
        if (beforeLoad)
            beforeLoad();
        m_handOver->queue(source, entry, startOption(start));
        return;
    }
    // A MIDI clip is rendered first: it is queued once ready, if what plays is still playing.
    if (m_handOver->hasQueued())
        m_handOver->queueNothing();
    const quint64 run = m_run;
    const int64_t playing = m_playingId;
    m_midi->prepare(source, [this, run, playing, entry](const QString& wav) {
        if (wav.isEmpty() || run != m_run || playing != m_playingId || m_handOver->hasQueued())
            return; // a clip that will not render fails in its turn, as any clip
        if (beforeLoad)
            beforeLoad();
        m_handOver->queue(wav, entry, startOption(entry.start));
    });
}

void PlaylistRun::advance()
{
    const int next = m_order.after(m_index);
    if (next < 0) {
        finishRun(m_endPending ? m_endResult : NothingToPlay);
        return;
    }
    startItem(next);
}

void PlaylistRun::finishRun(int result)
{
    m_handOver->drop();
    m_index = -1;
    m_order.setCurrent(-1);
    m_loadingId = m_playingId = 0;
    m_hasVideo = false;
    setMode(MpvVideoSurface::Mode::Idle);
    setState(State::Stopped);
    // Even a run in which nothing played ends with an end of stream, so that the window closes.
    m_endPending = true;
    m_endResult = result;
    const quint64 run = m_run;
    QTimer::singleShot(0, this, [this, run] {
        if (run == m_run)
            emitPending();
    });
}

bool PlaylistRun::emitPending()
{
    if (!m_endPending)
        return true;
    m_endPending = false;
    const quint64 run = m_run;
    QPointer<PlaylistRun> self(this);
    Q_EMIT endOfStream(m_endResult);
    return self && run == m_run;
}

// --- engine events ---

void PlaylistRun::handle(const EngineEvent& e)
{
    switch (e.kind) {
    case EngineEvent::StartFile:
        m_startedId = e.entryId;
        break;
    case EngineEvent::Preloaded:
        m_preloadedId = m_startedId;
        m_preloadedVideo = e.hasVideo;
        m_preloadedAudio = e.hasAudio;
        break;
    case EngineEvent::FileLoaded: {
        if (m_loadingId == 0 || m_startedId != m_loadingId)
            break; // a file of an earlier run, or one replaced meanwhile
        m_playingId = m_loadingId;
        m_loadingId = 0;
        m_order.loaded();
        const bool preloaded = m_preloadedId == m_startedId;
        m_loadedVideo = preloaded && m_preloadedVideo;
        m_loadedAudio = preloaded && m_preloadedAudio;
        if (m_handOver->pending()) {
            queueNext(true); // before it is heard: it may be over sooner
            m_handOver->watch(m_loadedAudio);
            return;
        }
        switchToLoaded();
        return;
    }
    case EngineEvent::EndFile:
        if (e.entryId != 0 && e.entryId == m_playingId && m_handOver->pending()) {
            // Over before it was heard to start (a clip shorter than the output's buffer): it is
            // told all the same, and the engine goes on with what was queued behind it.
            if (!switchToLoaded(false) || e.entryId != m_playingId)
                break;
        }
        if (e.entryId != 0 && e.entryId == m_playingId) {
            if (e.reason == EngineEvent::Eof)
                endReached(0);
            else if (e.reason == EngineEvent::Error)
                endReached(e.error);
            else
                m_playingId = 0;
        } else if (e.entryId != 0 && e.entryId == m_loadingId) {
            if (e.reason != EngineEvent::Stop && e.reason != EngineEvent::Quit)
                sourceFailed(); // a clip that would not load raises no new-stream event
        }
        break;
    case EngineEvent::Property:
        switch (e.property) {
        case EngineEvent::TimePos:
            (m_handOver->pending() ? m_handOver->nextPosition : m_position) =
                e.hasValue ? qMax(0.0, e.number) : 0;
            break;
        case EngineEvent::Duration:
            (m_handOver->pending() ? m_handOver->nextDuration : m_duration) = e.hasValue ? e.number : 0;
            break;
        case EngineEvent::Pause:
            m_paused = e.flag;
            m_handOver->setPaused(m_paused);
            if (m_state == State::Playing || m_state == State::Paused)
                m_state = m_paused ? State::Paused : State::Playing;
            break;
        case EngineEvent::Volume:
            m_volume = e.number;
            break;
        case EngineEvent::Mute:
            m_muted = e.flag;
            break;
        case EngineEvent::IdleActive:
            if (e.flag && m_handOver->pending() && m_loadingId != 0 && m_startedId != m_loadingId) {
                // The clip before ended before the next was queued: the engine stopped short of it.
                m_handOver->end();
                m_loadingId = 0;
                loadSource();
                return;
            }
            break;
        default:
            break;
        }
        Q_EMIT changed();
        break;
    default:
        break;
    }
}

void PlaylistRun::setState(State state)
{
    m_state = state;
    Q_EMIT changed();
}

void PlaylistRun::setMode(MpvVideoSurface::Mode mode, const QString& caption)
{
    if (showMode)
        showMode(mode, caption);
}
