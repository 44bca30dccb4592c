#include "platform/media/MpvPlayer.h"

#include "common/AppError.h"
#include "platform/media/EnginePump.h"
#include "platform/module/ModuleLoader.h"
#include "platform/media/MpvVideo.h"
#include "platform/media/SoundCheck.h"
#include "platform/media/TimeText.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QOpenGLContext>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <malloc.h>

namespace {

constexpr double SeekStep = 5;
constexpr double VolumeStep = 5;

bool openGlUsable()
{
    static const bool usable = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        QOpenGLContext probe;
        return probe.create();
    }();
    return usable;
}

} // namespace

MediaPlayerFactory mpvPlayerFactory(const QStringList& extraOptions)
{
    return [extraOptions](QWidget* parent) -> MediaPlayerControl* {
        return new MpvPlayer(parent, extraOptions);
    };
}

MpvPlayer::MpvPlayer(QWidget* parent, const QStringList& options)
    : MediaPlayerControl(parent), m_options(mpvEffectiveOptions(options))
{
    // Where the platform has native windows the engine draws straight into one of ours: nothing of
    // the toolkit takes part in a frame. Elsewhere it draws through the render API, into OpenGL or
    // an image. An output named outright (vo=null) is left as it is.
    const QString vo = optionValue(m_options, QStringLiteral("vo"));
    m_engineOptions = m_options;
    if ((vo.isEmpty() || vo == QLatin1String("gpu")) && QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_native = new MpvNativeArea(this);
        // A software OpenGL still beats no pictures; the engine would refuse it on its own.
        // The pointer over the pictures is the window's: the engine neither hides nor changes it.
        m_engineOptions << QStringLiteral("vo=gpu") << QStringLiteral("gpu-sw=yes")
                        << QStringLiteral("cursor-autohide=no");
    } else if (vo.isEmpty()) {
        m_engineOptions << QStringLiteral("vo=libmpv");
    }
    m_run = new PlaylistRun(nullptr, this);
    startEngine();

    // Pictures through the render API only when the engine draws for us that way.
    const bool render = m_session && optionValue(m_engineOptions, QStringLiteral("vo")) == QLatin1String("libmpv");
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
        m_surface = m_session->makeRenderArea(render && openGlUsable(), render, paintVideoFace, this);
    } else {
        m_surface = new MpvNativeArea(this); // no engine: only the idle face
    }
    m_surface->onReady = [this] { m_run->surfaceBecameReady(); };
    m_run->surfaceReady = [this] { return m_surface->ready(); };
    m_run->surfaceShown = [this] { return m_surface->widget()->isVisible(); };
    m_run->showMode = [this](MpvVideoSurface::Mode mode, const QString& caption) { m_surface->setMode(mode, caption); };
    if (m_native) {
        // Once there has been video the engine keeps its window for the rest of its life.
        connect(m_run, &PlaylistRun::newStream, this, [this] {
            if (m_run->hasVideo() && !m_keepsWindow) {
                m_keepsWindow = true;
                m_session->setText("force-window", "yes");
            }
        });
    }
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
    QStringList options = m_engineOptions;
    if (m_native) {
        m_wid = QByteArray::number(m_native->windowId());
        options << QStringLiteral("wid=") + QString::fromLatin1(m_wid);
    }
    EngineModule* module = engineModule();
    m_session.reset(module ? module->createSession(options) : nullptr);
    if (!m_session)
        return false;
    m_run->setSession(m_session.get());
    new EnginePump(m_session.get(), [this](const EngineEvent& e) { m_run->handle(e); }, this);
    if (m_rate != 1.0)
        m_session->setNumber("speed", m_rate);
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
    delete m_run; // its MIDI renderings end first
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

    m_trackerRow = new QWidget(this);
    m_trackerRow->setObjectName(QStringLiteral("trackerRow"));
    auto* trackerLayout = new QHBoxLayout(m_trackerRow);
    trackerLayout->setContentsMargins(2, 0, 2, 0);
    trackerLayout->setSpacing(4);
    m_tracker = new QSlider(Qt::Horizontal, m_trackerRow);
    m_tracker->setObjectName(QStringLiteral("trackerSlider"));
    m_tracker->setAccessibleName(tr("Seek"));
    m_tracker->setAccessibleDescription(tr("Position in the playing clip"));
    m_tracker->setRange(0, 1000);
    m_tracker->setPageStep(50);
    m_trackerTime = new QLabel(m_trackerRow);
    m_trackerTime->setObjectName(QStringLiteral("trackerTime"));
    trackerLayout->addWidget(m_tracker, 1);
    trackerLayout->addWidget(m_trackerTime);
    layout->addWidget(m_trackerRow);

    auto* panel = new QWidget(this);
    m_panel = panel;
    panel->setObjectName(QStringLiteral("controlPanel"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(2, 0, 2, 0);
    panelLayout->setSpacing(0);
    auto button = [&](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(panel);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setAutoRaise(true);
        b->setIconSize(QSize(16, 16));
        panelLayout->addWidget(b);
        return b;
    };
    m_playPause = button("playPauseButton", QStyle::SP_MediaPlay, tr("Play"));
    m_stop = button("stopButton", QStyle::SP_MediaStop, tr("Stop"));
    m_previous = button("previousButton", QStyle::SP_MediaSkipBackward, tr("Previous"));
    m_next = button("nextButton", QStyle::SP_MediaSkipForward, tr("Next"));
    panelLayout->addStretch(1);
    m_mute = button("muteButton", QStyle::SP_MediaVolume, tr("Mute"));
    m_mute->setCheckable(true);
    m_volumeSlider = new QSlider(Qt::Horizontal, panel);
    m_volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setValue(100);
    m_volumeSlider->setFixedWidth(56);
    m_volumeSlider->setToolTip(tr("Volume"));
    m_volumeSlider->setAccessibleName(tr("Volume"));
    panelLayout->addWidget(m_volumeSlider);
    layout->addWidget(panel);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    layout->addWidget(m_status);

    // Clicks anywhere on the control give it the keyboard: its keys are its own.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFocusPolicy(Qt::ClickFocus);
        child->setFocusProxy(this);
    }

    connect(m_playPause, &QToolButton::clicked, this, &MpvPlayer::togglePause);
    connect(m_stop, &QToolButton::clicked, this, &MpvPlayer::Stop);
    connect(m_previous, &QToolButton::clicked, this, &MpvPlayer::previousEntry);
    connect(m_next, &QToolButton::clicked, this, &MpvPlayer::nextEntry);
    connect(m_mute, &QToolButton::toggled, this, &MpvPlayer::setMuted);
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this](int value) {
        if (m_session && !qFuzzyCompare(value + 1.0, volume() + 1.0))
            m_session->setNumber("volume", value);
    });
    connect(m_tracker, &QSlider::valueChanged, this, [this](int value) {
        if (m_settingTracker || !m_session || !m_run->playing())
            return;
        m_session->command({"seek", QByteArray::number(value / 10.0, 'f', 1), "absolute-percent"});
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
    m_trackerRow->setVisible(on && !m_videoOnly);
}

void MpvPlayer::SetShowStatusBar(bool on)
{
    m_showStatusBar = on;
    m_status->setVisible(on && !m_videoOnly);
}

void MpvPlayer::setVideoOnly(bool on)
{
    m_videoOnly = on;
    m_panel->setVisible(!on);
    SetShowTracker(m_showTracker);
    SetShowStatusBar(m_showStatusBar);
}

void MpvPlayer::SetRate(double rate)
{
    if (!std::isfinite(rate))
        rate = 1.0;
    m_rate = qBound(MinimumRate, rate, MaximumRate);
    if (m_session)
        m_session->setNumber("speed", m_rate);
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
    if (m_session && m_run->playing())
        m_session->command({"seek", QByteArray::number(seconds, 'f', 3), "relative"});
}

void MpvPlayer::changeVolume(double delta)
{
    if (m_session)
        m_session->setNumber("volume", qBound(0.0, volume() + delta, 100.0));
}

void MpvPlayer::setMuted(bool on)
{
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
    if (this->state() == State::Opening)
        return state + QStringLiteral(": ") + clip;
    return state + QStringLiteral(": ") + clip + QStringLiteral("  ") + formatTime(position()) +
           QStringLiteral(" / ") + formatTime(duration());
}

void MpvPlayer::refreshFace()
{
    const bool active = state() == State::Playing || state() == State::Paused;
    const bool playing = state() == State::Playing;
    // Icons change seldom, the time many times a second.
    const int icons = (playing ? 1 : 0) | (muted() ? 2 : 0);
    if (icons != m_shownIcons) {
        m_shownIcons = icons;
        m_playPause->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
        m_playPause->setToolTip(playing ? tr("Pause") : tr("Play"));
        m_playPause->setAccessibleName(m_playPause->toolTip());
        m_mute->setIcon(style()->standardIcon(muted() ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    }

    m_tracker->setEnabled(active && duration() > 0);
    if (!m_tracker->isSliderDown()) { // the user's drag wins over the engine's position
        m_settingTracker = true;
        m_tracker->setValue(active && duration() > 0 ? qRound(1000 * qBound(0.0, position() / duration(), 1.0))
                                                     : 0);
        m_settingTracker = false;
    }
    m_trackerTime->setText(formatTime(active ? position() : 0) + QStringLiteral(" / ") +
                           formatTime(active ? duration() : 0));

    const QSignalBlocker muteBlock(m_mute);
    m_mute->setChecked(muted());
    const QSignalBlocker volumeBlock(m_volumeSlider);
    m_volumeSlider->setValue(qRound(volume()));

    m_status->setText(statusText());
    Q_EMIT faceChanged();
}
