#include "platform/media/PlaylistRun.h"

#include "platform/media/MidiRender.h"
#include "platform/media/ResumePlaces.h"

#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace {

// How long a clip waits for the video area to come up before playing without pictures.
constexpr int ReadyTimeoutMs = 2000;
// What an end of stream reports when nothing could be played (the engine's "nothing to play").
constexpr int NothingToPlay = -16;
// How often the hand-over to a queued clip looks whether it is heard yet, and how long it waits at
// most (a clip whose sound never comes, or the engine paused meanwhile).
constexpr int SwitchPollMs = 5;
constexpr int SwitchWaitMs = 3000;
// Seconds of the next clip heard before the window is told: a margin over the output's own estimate
// of what it still holds.
constexpr double SwitchHeard = 0.02;

QString clipName(const QString& source)
{
    const QString name = QFileInfo(source).fileName();
    return name.isEmpty() ? source : name;
}

} // namespace

PlaylistRun::PlaylistRun(EngineSession* session, QObject* parent)
    : QObject(parent), m_session(session), m_readyTimeout(new QTimer(this)), m_switchWatch(new QTimer(this))
{
    m_switchWatch->setInterval(SwitchPollMs);
    m_switchWatch->setTimerType(Qt::PreciseTimer);
    connect(m_switchWatch, &QTimer::timeout, this, &PlaylistRun::watchSwitch);
    m_readyTimeout->setSingleShot(true);
    connect(m_readyTimeout, &QTimer::timeout, this, [this] {
        if (!m_startWhenReady)
            return;
        m_startWhenReady = false;
        loadSource();
    });
}

PlaylistRun::~PlaylistRun()
{
    leaveClip(false);
    cancelMidi();
    for (QThread* thread : std::as_const(m_midiThreads)) {
        thread->wait();
        delete thread;
    }
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
    const int index = m_switchPending ? m_heardIndex : m_index;
    if (index < 0 || index >= m_items.size())
        return {};
    return clipName(m_items.at(index).sources.value(m_switchPending ? m_heardSource : m_source));
}

void PlaylistRun::cancelMidi()
{
    if (m_midiCancel)
        m_midiCancel->store(true);
}

// --- operations ---

void PlaylistRun::setPlayCount(int count)
{
    m_playCount = qMax(0, count);
    if (m_playingId != 0 && !m_switchPending)
        queueNext(); // the entry to follow may have changed
}

void PlaylistRun::open(const QString& path)
{
    leaveClip(false);
    ++m_run;
    cancelMidi();
    m_items = AsxParse::readPlaylist(path);
    m_index = -1;
    m_current = 0;
    m_passes = 0;
    m_loadedThisPass = false;
    m_endPending = false;
    m_endResult = 0;
    m_loadingId = m_playingId = 0;
    dropQueue();
    // AutoStart: whatever was paused before, this run plays.
    if (m_session)
        m_session->setFlag("pause", false);
    if (m_items.isEmpty()) {
        if (m_session)
            m_session->command({"stop"});
        finishRun(NothingToPlay);
        return;
    }
    startItem(0);
}

void PlaylistRun::stop()
{
    leaveClip(false);
    ++m_run;
    cancelMidi();
    m_startWhenReady = false;
    m_endPending = false;
    m_loadingId = m_playingId = 0;
    dropQueue();
    if (m_session)
        m_session->command({"stop"});
    m_position = 0;
    setMode(MpvVideoSurface::Mode::Idle);
    m_hasVideo = false;
    setState(m_items.isEmpty() ? State::Ready : State::Stopped);
}

void PlaylistRun::play()
{
    if (m_state == State::Playing || m_state == State::Paused || m_state == State::Opening) {
        if (m_session)
            m_session->setFlag("pause", false);
        return;
    }
    if (m_items.isEmpty() || !m_session)
        return;
    ++m_run;
    m_endPending = false;
    m_session->setFlag("pause", false);
    if (m_index < 0) { // the run was over: start it again
        m_passes = 0;
        m_loadedThisPass = false;
        startItem(0);
    } else {
        startItem(m_index);
    }
}

void PlaylistRun::previous()
{
    if (m_items.isEmpty())
        return;
    int target = m_index - 1;
    if (target < 0)
        target = m_playCount == 0 ? int(m_items.size()) - 1 : 0;
    leaveClip(false);
    ++m_run;
    m_endPending = false;
    startItem(target);
}

void PlaylistRun::next()
{
    if (m_items.isEmpty())
        return;
    int target = m_index + 1;
    if (target >= m_items.size()) {
        if (m_playCount != 0)
            return;
        target = 0;
    }
    leaveClip(false);
    ++m_run;
    m_endPending = false;
    startItem(target);
}

// --- the run ---

void PlaylistRun::startItem(int index)
{
    dropQueue(); // loading replaces whatever the engine held
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
    if (m_index < 0 || m_index >= m_items.size())
        return;
    const QString source = m_items.at(m_index).sources.value(m_source);
    m_loadingStart = startFor(source);
    setState(State::Opening);
    if (MidiRender::isMidi(source)) {
        if (m_session)
            m_session->command({"stop"}); // the clip before must not play on while this one renders
        startMidi(source);
        return;
    }
    loadFile(source);
}

void PlaylistRun::loadFile(const QString& path)
{
    if (beforeLoad)
        beforeLoad();
    const QByteArray options =
        m_loadingStart > 0 ? "start=" + QByteArray::number(m_loadingStart, 'f', 0) : QByteArray();
    m_loadingId = m_session ? m_session->loadFile(path, false, options) : 0;
    if (m_loadingId == 0) {
        const quint64 run = m_run;
        const int index = m_index;
        QTimer::singleShot(0, this, [this, run, index] {
            if (run == m_run && index == m_index)
                sourceFailed();
        });
    }
}

void PlaylistRun::startMidi(const QString& path)
{
    cancelMidi();
    m_midiCancel = std::make_shared<std::atomic_bool>(false);
    const quint64 request = ++m_midiRequest;
    const quint64 run = m_run;
    const int index = m_index;
    struct Result
    {
        QString wav, error;
    };
    auto result = std::make_shared<Result>();
    auto cancel = m_midiCancel;
    QThread* thread = QThread::create(
        [path, cancel, result] { result->wav = MidiRender::render(path, cancel.get(), &result->error); });
    m_midiThreads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread, request, run, index, result] {
        m_midiThreads.removeOne(thread);
        thread->deleteLater();
        if (request != m_midiRequest || run != m_run || index != m_index)
            return;
        if (result->wav.isEmpty())
            sourceFailed();
        else
            loadFile(result->wav);
    });
    thread->start();
}

void PlaylistRun::sourceFailed()
{
    m_loadingId = 0;
    m_switchPending = false;
    m_switchWatch->stop();
    if (m_index >= 0 && m_index < m_items.size() && m_source + 1 < m_items.at(m_index).sources.size()) {
        ++m_source;
        loadSource();
        return;
    }
    advance();
}

void PlaylistRun::endReached(int result)
{
    if (result == 0 && m_places && !m_heardPath.isEmpty())
        m_places->forget(m_heardPath);
    m_heardPath.clear();
    m_playingId = 0;
    m_endPending = true;
    m_endResult = result;
    if (m_queuedId == 0) {
        advance();
        return;
    }
    // The engine goes on with the queued entry by itself; the window hears of it once it is heard.
    if (m_queuedWraps) {
        ++m_passes;
        m_loadedThisPass = false;
    }
    m_heardIndex = m_index;
    m_heardSource = m_source;
    m_switchPending = true;
    m_index = m_queuedIndex;
    m_source = 0;
    m_loadingId = m_queuedId;
    m_loadingStart = m_queuedStart;
    m_queuedId = 0;
    m_nextPosition = m_nextDuration = 0;
}

void PlaylistRun::watchSwitch()
{
    if (!m_switchPending || m_playingId == 0) {
        m_switchWatch->stop();
        return;
    }
    // The queued clip's sound follows what the output still holds of the one before: its own
    // position turns positive only once its first sound is out.
    double pts = 0;
    const bool heard =
        !m_loadedAudio || (m_session && m_session->number("audio-pts", &pts) && pts >= SwitchHeard);
    if (m_paused)
        m_switchClock.restart();
    if (heard || m_switchClock.hasExpired(SwitchWaitMs))
        switchToLoaded();
}

bool PlaylistRun::switchToLoaded(bool queue)
{
    const bool handedOver = m_switchPending;
    m_switchPending = false;
    m_switchWatch->stop();
    m_current = m_items.at(m_index).entry;
    m_hasVideo = m_loadedVideo;
    m_heardPath = m_items.at(m_index).sources.value(m_source);
    m_resumedAt = m_loadingStart;
    setMode(m_hasVideo ? MpvVideoSurface::Mode::Video : MpvVideoSurface::Mode::Audio, clip());
    m_position = handedOver ? m_nextPosition : m_loadingStart;
    if (handedOver && m_nextDuration > 0)
        m_duration = m_nextDuration;
    setState(m_paused ? State::Paused : State::Playing);
    if (queue)
        queueNext();
    // The previous entry's end is told only now, so that the current entry already names this one.
    if (!emitPending())
        return false;
    const quint64 run = m_run;
    QPointer<PlaylistRun> self(this);
    Q_EMIT newStream();
    return self && run == m_run;
}

double PlaylistRun::startFor(const QString& source) const
{
    return m_places ? m_places->placeOf(source) : 0;
}

void PlaylistRun::leaveClip(bool ended)
{
    if (m_heardPath.isEmpty())
        return;
    const QString path = m_heardPath;
    m_heardPath.clear();
    if (!m_places)
        return;
    if (ended) {
        m_places->forget(path);
        return;
    }
    double position = m_position;
    if (m_session && m_playingId != 0 && !m_switchPending)
        m_session->number("time-pos", &position);
    m_places->leave(path, position, m_duration);
}

void PlaylistRun::queueNext()
{
    if (!m_session || m_playingId == 0)
        return;
    if (m_queuedId != 0) {
        m_session->command({"playlist-clear"}); // all but the entry playing
        m_queuedId = 0;
    }
    int next = m_index + 1;
    bool wraps = false;
    if (next >= m_items.size()) {
        wraps = true;
        next = m_playCount == 0 || m_passes + 1 < m_playCount ? 0 : -1;
    }
    const QString source = next >= 0 ? m_items.at(next).sources.value(0) : QString();
    // A MIDI clip is rendered first; it follows the one before it after a pause, as before.
    if (source.isEmpty() || MidiRender::isMidi(source)) {
        setGapless(false);
        return;
    }
    // The clip playing now starts over when it follows itself: it will have been played to its end.
    const double start = source == m_heardPath ? 0 : startFor(source);
    if (beforeLoad)
        beforeLoad();
    const QByteArray options = start > 0 ? "start=" + QByteArray::number(start, 'f', 0) : QByteArray();
    m_queuedId = m_session->loadFile(source, true, options);
    m_queuedIndex = next;
    m_queuedWraps = wraps;
    m_queuedStart = start;
    setGapless(m_queuedId != 0);
}

void PlaylistRun::dropQueue()
{
    m_queuedId = 0;
    m_switchPending = false;
    m_switchWatch->stop();
}

void PlaylistRun::setGapless(bool on)
{
    // Without a clip to follow, the end must wait until the sound is out.
    if (!m_session || on == m_gapless)
        return;
    m_gapless = on;
    m_session->setText("gapless-audio", on ? "weak" : "no");
}

void PlaylistRun::advance()
{
    int next = m_index + 1;
    if (next >= m_items.size()) {
        ++m_passes;
        // A pass in which nothing would play ends the run, repeat or not: no busy loop.
        const bool again = m_loadedThisPass && (m_playCount == 0 || m_passes < m_playCount);
        if (!again) {
            finishRun(m_endPending ? m_endResult : NothingToPlay);
            return;
        }
        next = 0;
        m_loadedThisPass = false;
    }
    startItem(next);
}

void PlaylistRun::finishRun(int result)
{
    dropQueue();
    m_index = -1;
    m_current = 0;
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
        m_loadedThisPass = true;
        const bool preloaded = m_preloadedId == m_startedId;
        m_loadedVideo = preloaded && m_preloadedVideo;
        m_loadedAudio = preloaded && m_preloadedAudio;
        if (m_switchPending) {
            m_switchClock.start();
            m_switchWatch->start();
            watchSwitch();
            return;
        }
        switchToLoaded();
        return;
    }
    case EngineEvent::EndFile:
        if (e.entryId != 0 && e.entryId == m_playingId && m_switchPending) {
            // Over before it was heard to start (a clip shorter than the output's buffer): it is
            // told all the same, and what follows it is loaded anew, since the engine has moved on.
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
            (m_switchPending ? m_nextPosition : m_position) = e.hasValue ? qMax(0.0, e.number) : 0;
            break;
        case EngineEvent::Duration:
            (m_switchPending ? m_nextDuration : m_duration) = e.hasValue ? e.number : 0;
            break;
        case EngineEvent::Pause:
            m_paused = e.flag;
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
            if (e.flag && m_switchPending && m_loadingId != 0 && m_startedId != m_loadingId) {
                // The clip before ended before the next was queued: the engine stopped short of it.
                m_switchPending = false;
                m_switchWatch->stop();
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
