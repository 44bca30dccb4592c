#include "platform/media/MpvPlayer.h"

#include "common/AppError.h"
#include "platform/media/EngineCheck.h"
#include "platform/media/EnginePump.h"
#include "platform/media/MpvControls.h"
#include "platform/media/MpvVideo.h"
#include "platform/media/OpenGlChoice.h"
#include "platform/media/ResumePlaces.h"
#include "platform/media/SoundCheck.h"
#include "platform/media/TimeText.h"
#include "platform/module/ModuleLoader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <malloc.h>

namespace {

constexpr double SeekStep = 5;
constexpr double VolumeStep = 5;
// How long the status line says where a clip took up.
constexpr int NoteMs = 5000;

// Where the platform has native windows the engine draws straight into one of ours: nothing of the
// toolkit takes part in a frame. Elsewhere it draws through the render API, into OpenGL or an
// image. An output named outright (vo=null) is left as it is.
bool nativeWindowFor(const QStringList& effective)
{
    const QString vo = optionValue(effective, QStringLiteral("vo"));
    return (vo.isEmpty() || vo == QLatin1String("gpu")) &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

QStringList MpvPlayer::engineOptions(const QStringList& options)
{
    return engineOptionsOf(mpvEffectiveOptions(options));
}

QStringList MpvPlayer::engineOptionsOf(const QStringList& effective)
{
    QStringList engine = effective;
    if (nativeWindowFor(engine)) {
        // A software OpenGL still beats no pictures; the engine would refuse it on its own.
        // The pointer over the pictures is the window's: the engine neither hides nor changes it.
        engine << QStringLiteral("vo=gpu") << QStringLiteral("gpu-sw=yes")
               << QStringLiteral("cursor-autohide=no");
    } else if (optionValue(engine, QStringLiteral("vo")).isEmpty()) {
        engine << QStringLiteral("vo=libmpv");
    }
    return engine;
}

MpvPlayer::MpvPlayer(QWidget* parent, const QStringList& options)
    : MediaPlayerControl(parent), m_options(mpvEffectiveOptions(options))
{
    m_engineOptions = engineOptionsOf(m_options);
    if (nativeWindowFor(m_options))
        m_native = new MpvNativeArea(this);
    m_run = new PlaylistRun(nullptr, this);
    m_places = std::make_unique<ResumePlaces>();
    m_run->setPlaces(m_places.get());
    // While the engine's libraries still load beside the windows (a start with files), the engine
    // that draws into a window of ours is made when the first clip opens: the window is made and
    // shown meanwhile.
    if (!(m_native && mpvEnginePreloading()))
        startEngine();

    // Pictures through the render API only when the engine draws for us that way.
    const bool render =
        m_session && optionValue(m_engineOptions, QStringLiteral("vo")) == QLatin1String("libmpv");
    if (m_native) {
        m_surface = m_native;
        m_native->onWindowGoing = [this] { letGoOfWindow(); };
        m_run->beforeLoad = [this] {
            // A window made again (the control moved) has a new id; the engine reads it per clip.
            const QByteArray wid = QByteArray::number(m_native->windowId());
            if (wid != m_wid) {
                m_wid = wid;
                m_session->setText("wid", wid);
            }
        };
    } else if (m_session) {
        m_surface = m_session->makeRenderArea(render && openGlForVideo(), render, paintVideoFace, this);
    } else {
        m_surface = new MpvNativeArea(this); // no engine: only the idle face
    }
    m_surface->onReady = [this] { m_run->surfaceBecameReady(); };
    m_run->surfaceReady = [this] { return m_surface->ready(); };
    m_run->surfaceShown = [this] { return m_surface->widget()->isVisible(); };
    m_run->showMode = [this](MpvVideoSurface::Mode mode, const QString& caption) {
        m_surface->setMode(mode, caption);
    };
    if (m_native) {
        // Once there has been video the engine keeps its window for the rest of its life.
        connect(m_run, &PlaylistRun::newStream, this, [this] {
            if (m_run->hasVideo() && !m_keepsWindow) {
                m_keepsWindow = true;
                m_session->setText("force-window", "yes");
            }
        });
    }
    m_noteTimer = new QTimer(this);
    m_noteTimer->setSingleShot(true);
    m_noteTimer->setInterval(NoteMs);
    connect(m_noteTimer, &QTimer::timeout, this, [this] {
        m_note.clear();
        refreshFace();
    });
    connect(m_run, &PlaylistRun::newStream, this, [this] {
        if (m_ratePending)
            applyRate();
        m_note.clear();
        if (m_run->resumedAt() > 0) {
            m_note = tr("Resumed at %1").arg(formatTime(m_run->resumedAt()));
            m_noteTimer->start();
        }
        refreshFace();
    });
    connect(m_run, &PlaylistRun::newStream, this, &MediaPlayerControl::OnNewStream);
    connect(m_run, &PlaylistRun::endOfStream, this, &MediaPlayerControl::OnEndOfStream);
    connect(m_run, &PlaylistRun::changed, this, &MpvPlayer::refreshFace);

    buildFace();
    // As the player window is designed: off until Go, playing once at normal speed.
    setEnabled(false);
    refreshFace();
}

bool MpvPlayer::startEngine()
{
    // An engine made ahead (a start with files) has everything but the window.
    m_session = mpvTakePreloadedSession(m_engineOptions);
    QStringList options = m_engineOptions;
    if (m_native) {
        m_wid = QByteArray::number(m_native->windowId());
        options << QStringLiteral("wid=") + QString::fromLatin1(m_wid);
        if (m_session)
            m_session->setText("wid", m_wid);
    }
    if (!m_session) {
        EngineModule* module = engineModule();
        m_session.reset(module ? module->createSession(options) : nullptr);
    }
    if (!m_session)
        return false;
    m_run->setSession(m_session.get());
    // On the session's own thread; the session outlives it, m_session may not while it goes.
    EngineSession* session = m_session.get();
    m_session->whilePreloaded = [this, session] { m_tracks.applyToFile(*session); };
    m_tracks.applyToEngine(*m_session);
    new EnginePump(
        m_session.get(), [this](const EngineEvent& e) { m_run->handle(e); }, this);
    m_tempo = false;
    m_ratePending = false;
    if (m_rate != 1.0)
        setEngineRate(*m_session, m_rate, &m_tempo);
    // What was set before, also on an engine made again.
    m_session->setNumber("volume", m_run->volume());
    m_session->setFlag("mute", m_run->muted());
    return true;
}

void MpvPlayer::letGoOfWindow()
{
    // The engine's own window lives inside ours and dies with it, and an engine whose window dies
    // under it ends the process. Ending the engine returns once its video output has closed.
    if (!m_session)
        return;
    {
        // Nothing is told: the window around may be half destroyed already.
        const QSignalBlocker quiet(m_run);
        m_run->stop();
    }
    m_run->setSession(nullptr);
    qDeleteAll(findChildren<EnginePump*>(Qt::FindDirectChildrenOnly));
    m_session.reset();
    m_keepsWindow = false;
}

MpvPlayer::~MpvPlayer()
{
    if (m_native)
        m_native->onWindowGoing = nullptr; // the engine goes below, before our windows do
    delete m_run; // its MIDI renderings end first, and the place of a long clip is kept
    m_run = nullptr;
    m_surface->release(); // the render context must go before the engine
    qDeleteAll(findChildren<EnginePump*>(Qt::FindDirectChildrenOnly));
    m_session.reset();
    // The engine's decoders and frames leave the heap fragmented; give the pages back now, since the
    // program may wait at its main window for a long time.
    malloc_trim(0);
}

QWidget* MpvPlayer::videoArea() const
{
    return m_surface->widget();
}

void MpvPlayer::buildFace()
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Media player"));
    setMinimumSize(160, 120);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);

    QWidget* video = m_surface->widget();
    video->setObjectName(QStringLiteral("videoArea"));
    video->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(video, 1);
    m_controls = new MpvControls(this);
    m_controls->setObjectName(QStringLiteral("playerControls"));
    layout->addWidget(m_controls);

    // Clicks anywhere on the control give it the keyboard: its keys are its own.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFocusPolicy(Qt::ClickFocus);
        child->setFocusProxy(this);
    }

    connect(m_controls, &MpvControls::playPauseClicked, this, &MpvPlayer::togglePause);
    connect(m_controls, &MpvControls::stopClicked, this, &MpvPlayer::Stop);
    connect(m_controls, &MpvControls::previousClicked, this, &MpvPlayer::previousEntry);
    connect(m_controls, &MpvControls::nextClicked, this, &MpvPlayer::nextEntry);
    connect(m_controls, &MpvControls::muteToggled, this, &MpvPlayer::setMuted);
    connect(m_controls, &MpvControls::volumeMoved, this, [this](int value) {
        if (!qFuzzyCompare(value + 1.0, volume() + 1.0))
            setVolume(value);
    });
    connect(m_controls, &MpvControls::trackerMoved, this, [this](int permille) {
        if (!m_session || !m_run->playing())
            return;
        m_session->command({"seek", QByteArray::number(permille / 10.0, 'f', 1), "absolute-percent"});
    });
}

// --- operations ---

void MpvPlayer::Open(const QString& path)
{
    if (!m_session && m_native)
        startEngine(); // after the window the engine drew into went
    if (!m_session)
        throw AppError(tr("The media engine could not be started."));
    m_run->open(path);
}

void MpvPlayer::play()
{
    if (!m_session && m_native)
        startEngine();
    m_run->play();
}

void MpvPlayer::Stop()
{
    m_run->stop();
}

bool MpvPlayer::IsSoundCardEnabled()
{
    return SoundCheck::outputAvailable(m_options);
}

void MpvPlayer::SetShowTracker(bool on)
{
    m_showTracker = on;
    m_controls->setTrackerShown(on);
}

void MpvPlayer::SetShowStatusBar(bool on)
{
    m_showStatusBar = on;
    m_controls->setStatusShown(on);
}

void MpvPlayer::setVideoOnly(bool on)
{
    // The Track Bar and Status Bar settings stay as they are for when the face comes back.
    m_videoOnly = on;
    m_controls->setVisible(!on);
}

void MpvPlayer::showNote(const QString& text)
{
    m_note = text;
    m_noteTimer->start();
    refreshFace();
    // Without the status line the engine says it over the pictures (at any OSD level).
    if (m_session && m_videoOnly)
        m_session->command({"show-text", text.toUtf8(), QByteArray::number(NoteMs), "0"});
}

void MpvPlayer::SetRate(double rate)
{
    if (!std::isfinite(rate))
        rate = 1.0;
    m_rate = qBound(MinimumRate, rate, MaximumRate);
    applyRate();
}

void MpvPlayer::applyRate()
{
    if (!m_session)
        return;
    // Changing the sound filters while a clip plays is put off where the engine would harm the
    // sound: near the clip's end, where the chain may already hold the clip's end and lose it (the
    // run would then wait for good), and, for a filter going out, in a clip handed over with
    // nothing after it, whose output would be drained and opened again (seconds of silence).
    // Left for the next clip's start; meanwhile the filter plays on at 1.0x.
    double left = 0;
    const bool nearEnd = m_run->playing() && m_session->number("playtime-remaining", &left) && left < 0.75;
    m_ratePending =
        !setEngineRate(*m_session, m_rate, &m_tempo, !nearEnd, !nearEnd && !m_run->outputKeptAlone());
}

// --- face ---

void MpvPlayer::togglePause()
{
    if (state() != State::Playing && state() != State::Paused) {
        play();
        return;
    }
    if (m_session)
        m_session->setFlag("pause", !paused());
}

void MpvPlayer::seekBy(double seconds)
{
    // Exact: an MPRIS client asks for an offset, and a video's keyframes may lie a second apart.
    if (m_session && m_run->playing())
        m_session->command({"seek", QByteArray::number(seconds, 'f', 3), "relative+exact"});
}

void MpvPlayer::changeVolume(double delta)
{
    setVolume(volume() + delta);
}

void MpvPlayer::setVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    volume = qBound(0.0, volume, 100.0);
    m_run->setVolume(volume, muted());
    if (m_session)
        m_session->setNumber("volume", volume);
}

void MpvPlayer::setMuted(bool on)
{
    m_run->setVolume(volume(), on);
    if (m_session)
        m_session->setFlag("mute", on);
}

void MpvPlayer::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        togglePause();
        break;
    case Qt::Key_Left:
        seekBy(-SeekStep);
        break;
    case Qt::Key_Right:
        seekBy(SeekStep);
        break;
    case Qt::Key_Up:
        changeVolume(VolumeStep);
        break;
    case Qt::Key_Down:
        changeVolume(-VolumeStep);
        break;
    case Qt::Key_Home:
        if (m_session && m_run->playing())
            m_session->command({"seek", "0", "absolute"});
        m_note.clear();
        refreshFace();
        break;
    default:
        MediaPlayerControl::keyPressEvent(event);
        return;
    }
    event->accept();
}

QString MpvPlayer::statusText() const
{
    QString state;
    switch (this->state()) {
    case State::Ready:
        state = tr("Ready");
        break;
    case State::Opening:
        state = tr("Opening");
        break;
    case State::Playing:
        state = tr("Playing");
        break;
    case State::Paused:
        state = tr("Paused");
        break;
    case State::Stopped:
        state = tr("Stopped");
        break;
    }
    const QString clip = m_run->clip();
    if (clip.isEmpty() || this->state() == State::Stopped)
        return state;
    if (!m_note.isEmpty() && (this->state() == State::Playing || this->state() == State::Paused))
        return m_note;
    if (this->state() == State::Opening)
        return state + QStringLiteral(": ") + clip;
    return state + QStringLiteral(": ") + clip + QStringLiteral("  ") + formatTime(position()) +
           QStringLiteral(" / ") + formatTime(duration());
}

MpvPlayer::FrameCounts MpvPlayer::frameCounts() const
{
    FrameCounts counts;
    auto read = [this](const char* name, double* into, double scale = 1) {
        if (double value = 0; m_session && m_session->number(name, &value))
            *into = value * scale;
    };
    read("frame-drop-count", &counts.dropped);
    read("decoder-frame-drop-count", &counts.decoderDropped);
    read("vo-delayed-frame-count", &counts.delayed);
    read("avsync", &counts.avsyncMs, 1000);
    return counts;
}

void MpvPlayer::refreshFace()
{
    const bool active = state() == State::Playing || state() == State::Paused;
    m_controls->showPlayback(active, state() == State::Playing, position(), duration());
    m_controls->showVolume(volume(), muted());
    m_controls->showStatus(statusText());
    Q_EMIT faceChanged();
}
