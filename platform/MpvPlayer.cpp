#include "platform/MpvPlayer.h"

#include "common/AppError.h"
#include "platform/MidiRender.h"
#include "platform/MpvVideo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QOpenGLContext>
#include <QPointer>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <mpv/client.h>

#include <clocale>
#include <cmath>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

constexpr double MinRate = 0.2;
constexpr double MaxRate = 2.0;
constexpr double SeekStep = 5;
constexpr double VolumeStep = 5;
// How long Open waits for the GL video area to come up before playing without pictures.
constexpr int ReadyTimeoutMs = 2000;

enum Observed : uint64_t
{
    TimePos = 1,
    Duration,
    Pause,
    Volume,
    Mute
};

QPair<QString, QString> splitOption(const QString& option)
{
    const qsizetype eq = option.indexOf(u'=');
    if (eq < 0)
        return {option, QStringLiteral("yes")};
    return {option.left(eq), option.mid(eq + 1)};
}

QString optionValue(const QStringList& options, const QString& name)
{
    QString value;
    for (const QString& option : options) {
        const auto [key, val] = splitOption(option);
        if (key == name)
            value = val;
    }
    return value;
}

// The engine needs the C numeric locale; Qt sets the user's at start-up.
void ensureCLocale()
{
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric || qstrcmp(numeric, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
}

mpv_handle* createEngine(const QStringList& options)
{
    ensureCLocale();
    mpv_handle* h = mpv_create();
    if (!h)
        return nullptr;
    for (const QString& option : options) {
        const auto [name, value] = splitOption(option);
        if (mpv_set_option_string(h, name.toUtf8().constData(), value.toUtf8().constData()) < 0)
            qWarning("media engine: option %s refused", qPrintable(option));
    }
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return nullptr;
    }
    return h;
}

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

QString formatTime(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const qint64 s = static_cast<qint64>(seconds);
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString clipName(const QString& source)
{
    const QString name = QFileInfo(source).fileName();
    return name.isEmpty() ? source : name;
}

} // namespace

struct MpvPlayer::EngineEvent
{
    mpv_event_id id = MPV_EVENT_NONE;
    int64_t entryId = 0;
    int reason = 0;
    int error = 0;
    uint64_t property = 0;
    bool hasValue = false;
    double number = 0;
    bool flag = false;
};

// --- options ---

QStringList mpvDefaultOptions()
{
    return {
        QStringLiteral("config=no"),
        QStringLiteral("load-scripts=no"),
        QStringLiteral("ytdl=no"),
        QStringLiteral("osc=no"),
        QStringLiteral("load-stats-overlay=no"),
        QStringLiteral("load-osd-console=no"),
        QStringLiteral("load-auto-profiles=no"),
        QStringLiteral("input-default-bindings=no"),
        QStringLiteral("input-vo-keyboard=no"),
        QStringLiteral("input-cursor=no"),
        QStringLiteral("resume-playback=no"),
        QStringLiteral("save-position-on-quit=no"),
        QStringLiteral("idle=yes"),
        QStringLiteral("keep-open=no"),
        QStringLiteral("osd-level=0"),
        QStringLiteral("terminal=no"),
        QStringLiteral("vo=libmpv"),
        QStringLiteral("audio-fallback-to-null=yes"),
        QStringLiteral("af=scaletempo2=min-speed=0.1"),
        QStringLiteral("gapless-audio=no"),
    };
}

QStringList mpvEffectiveOptions(const QStringList& extraOptions)
{
    QStringList options = mpvDefaultOptions();
    const QString env = qEnvironmentVariable("VIDMARRO_MPV_OPTIONS");
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (QString token : env.split(blanks, Qt::SkipEmptyParts)) {
        if (token.startsWith(QLatin1String("--")))
            token.remove(0, 2);
        options.append(token);
    }
    options.append(extraOptions);
    return options;
}

MediaPlayerFactory mpvPlayerFactory(const QStringList& extraOptions)
{
    return [extraOptions](QWidget* parent) -> MediaPlayerControl* {
        return new MpvPlayer(parent, extraOptions);
    };
}

bool mpvEngineAvailable(const QStringList& extraOptions)
{
    mpv_handle* h = createEngine(mpvEffectiveOptions(extraOptions));
    if (!h)
        return false;
    mpv_terminate_destroy(h);
    return true;
}

bool mpvEngineAvailableApart(const QStringList& extraOptions)
{
#ifdef Q_OS_UNIX
    // Everything the child needs is made here: after the fork it calls nothing but the engine.
    std::vector<std::pair<QByteArray, QByteArray>> options;
    for (const QString& option : mpvEffectiveOptions(extraOptions)) {
        const auto [name, value] = splitOption(option);
        options.emplace_back(name.toUtf8(), value.toUtf8());
    }
    ensureCLocale();
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return mpvEngineAvailable(extraOptions);
    if (pid == 0) {
        // The child must not outlive this process, nor keep its files open: the single-instance
        // lock and socket, or the display connection, would stay taken after the program ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        ::close_range(3, ~0U, 0);
        mpv_handle* h = mpv_create();
        if (!h)
            ::_exit(1);
        for (const auto& [name, value] : options)
            mpv_set_option_string(h, name.constData(), value.constData());
        ::_exit(mpv_initialize(h) < 0 ? 1 : 0);
    }
    // The engine starts in well under a second; a child that has not answered in five is ended and
    // the test made here instead.
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd fd{pidfd, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&fd, 1, 5000);
        } while (ready < 0 && errno == EINTR);
        ::close(pidfd);
        if (ready == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return mpvEngineAvailable(extraOptions);
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return mpvEngineAvailable(extraOptions);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#else
    return mpvEngineAvailable(extraOptions);
#endif
}

// --- the control ---

MpvPlayer::MpvPlayer(QWidget* parent, const QStringList& options)
    : MediaPlayerControl(parent), m_options(mpvEffectiveOptions(options))
{
    m_mpv = createEngine(m_options);
    if (m_mpv) {
        mpv_observe_property(m_mpv, TimePos, "time-pos", MPV_FORMAT_DOUBLE);
        mpv_observe_property(m_mpv, Duration, "duration", MPV_FORMAT_DOUBLE);
        mpv_observe_property(m_mpv, Pause, "pause", MPV_FORMAT_FLAG);
        mpv_observe_property(m_mpv, Volume, "volume", MPV_FORMAT_DOUBLE);
        mpv_observe_property(m_mpv, Mute, "mute", MPV_FORMAT_FLAG);
        mpv_hook_add(m_mpv, 0, "on_preloaded", 0);
        mpv_set_wakeup_callback(
            m_mpv,
            [](void* ctx) {
                auto* self = static_cast<MpvPlayer*>(ctx);
                if (!self->m_wakePending.exchange(true))
                    QMetaObject::invokeMethod(
                        self, [self] { self->drainEvents(); }, Qt::QueuedConnection);
            },
            this);
    }

    // Pictures only when the engine draws for us; another video output (vo=null) draws nothing.
    const bool render = m_mpv && optionValue(m_options, QStringLiteral("vo")) == QLatin1String("libmpv");
    if (render && openGlUsable()) {
        auto* gl = new MpvGlArea(m_mpv, this);
        gl->onReady = [this] {
            if (!m_startWhenReady)
                return;
            m_startWhenReady = false;
            m_readyTimeout->stop();
            loadSource();
        };
        m_surface = gl;
    } else {
        m_surface = new MpvSoftwareArea(m_mpv, render, this);
    }
    m_readyTimeout = new QTimer(this);
    m_readyTimeout->setSingleShot(true);
    connect(m_readyTimeout, &QTimer::timeout, this, [this] {
        if (!m_startWhenReady)
            return;
        m_startWhenReady = false;
        loadSource();
    });

    buildFace();
    // As the player window is designed: off until Go, playing once at normal speed.
    setEnabled(false);
    refreshFace();
}

MpvPlayer::~MpvPlayer()
{
    if (m_midiCancel)
        m_midiCancel->store(true);
    for (QThread* thread : std::as_const(m_midiThreads)) {
        thread->wait();
        delete thread;
    }
    if (m_mpv)
        mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    m_surface->release(); // the render context must go before the engine
    if (m_mpv)
        mpv_terminate_destroy(m_mpv);
}

QWidget* MpvPlayer::videoArea() const
{
    return m_surface->widget();
}

void MpvPlayer::buildFace()
{
    setFocusPolicy(Qt::StrongFocus);
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
        if (m_mpv && !qFuzzyCompare(value + 1.0, m_volume + 1.0)) {
            double v = value;
            mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &v);
        }
    });
    connect(m_tracker, &QSlider::valueChanged, this, [this](int value) {
        if (m_settingTracker || !m_mpv || m_playingId == 0)
            return;
        const QByteArray percent = QByteArray::number(value / 10.0, 'f', 1);
        command({"seek", percent.constData(), "absolute-percent"});
    });
}

void MpvPlayer::command(std::initializer_list<const char*> args)
{
    if (!m_mpv)
        return;
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command(m_mpv, argv.data());
}

// --- operations ---

void MpvPlayer::Open(const QString& path)
{
    if (!m_mpv)
        throw AppError(tr("The media engine could not be started."));
    ++m_run;
    if (m_midiCancel)
        m_midiCancel->store(true);
    m_items = AsxParse::readPlaylist(path);
    m_index = -1;
    m_current = 0;
    m_passes = 0;
    m_loadedThisPass = false;
    m_endPending = false;
    m_endResult = 0;
    m_loadingId = m_playingId = 0;
    // AutoStart: whatever was paused before, this run plays.
    int no = 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &no);
    if (m_items.isEmpty()) {
        command({"stop"});
        finishRun(MPV_ERROR_NOTHING_TO_PLAY);
        return;
    }
    startItem(0);
}

void MpvPlayer::Stop()
{
    ++m_run;
    if (m_midiCancel)
        m_midiCancel->store(true);
    m_startWhenReady = false;
    m_endPending = false;
    m_loadingId = m_playingId = 0;
    command({"stop"});
    m_position = 0;
    m_surface->setMode(MpvVideoSurface::Mode::Idle);
    m_hasVideo = false;
    setState(m_items.isEmpty() ? State::Ready : State::Stopped);
}

bool MpvPlayer::IsSoundCardEnabled()
{
    const QString ao = optionValue(m_options, QStringLiteral("ao"));
    if (ao == QLatin1String("null"))
        return false;
    if (ao.startsWith(QLatin1String("pcm"))) // a file stands in for the sound card
        return true;
    // Otherwise try the outputs for real: a twentieth of a second of silence, no fallback.
    QStringList probe{QStringLiteral("config=no"),
                      QStringLiteral("vo=null"),
                      QStringLiteral("idle=no"),
                      QStringLiteral("terminal=no"),
                      QStringLiteral("audio-fallback-to-null=no"),
                      QStringLiteral("length=0.05")};
    for (const QString& option : std::as_const(m_options)) {
        const QString name = splitOption(option).first;
        if (name == QLatin1String("ao") || name.startsWith(QLatin1String("ao-")) ||
            name.startsWith(QLatin1String("audio-device")) || name.startsWith(QLatin1String("alsa-")) ||
            name.startsWith(QLatin1String("pulse-")))
            probe.append(option);
    }
    mpv_handle* h = createEngine(probe);
    if (!h)
        return false;
    mpv_observe_property(h, 0, "current-ao", MPV_FORMAT_STRING);
    const char* cmd[] = {"loadfile", "av://lavfi:anullsrc", nullptr};
    bool sound = false;
    if (mpv_command(h, cmd) >= 0) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3000) {
            mpv_event* e = mpv_wait_event(h, 0.1);
            if (e->event_id == MPV_EVENT_PROPERTY_CHANGE) {
                auto* p = static_cast<mpv_event_property*>(e->data);
                if (p->format == MPV_FORMAT_STRING && p->data && **static_cast<char**>(p->data))
                    sound = true;
            } else if (e->event_id == MPV_EVENT_END_FILE || e->event_id == MPV_EVENT_SHUTDOWN ||
                       e->event_id == MPV_EVENT_IDLE) {
                break;
            }
            if (sound)
                break;
        }
    }
    mpv_terminate_destroy(h);
    return sound;
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

void MpvPlayer::SetPlayCount(int count)
{
    m_playCount = qMax(0, count);
}

void MpvPlayer::SetRate(double rate)
{
    if (!std::isfinite(rate))
        rate = 1.0;
    m_rate = qBound(MinRate, rate, MaxRate);
    if (m_mpv)
        mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &m_rate);
}

// --- the run ---

void MpvPlayer::startItem(int index)
{
    m_index = index;
    m_source = 0;
    if (!m_surface->ready()) {
        // The pictures need the render context before the first file; the area makes it when shown.
        m_startWhenReady = true;
        if (m_surface->widget()->isVisible()) {
            m_readyTimeout->start(ReadyTimeoutMs);
        } else {
            m_readyTimeout->start(0);
        }
        setState(State::Opening);
        return;
    }
    loadSource();
}

void MpvPlayer::loadSource()
{
    if (m_index < 0 || m_index >= m_items.size())
        return;
    const QString source = m_items.at(m_index).sources.value(m_source);
    setState(State::Opening);
    if (MidiRender::isMidi(source)) {
        command({"stop"}); // the clip before must not play on while this one renders
        startMidi(source);
        return;
    }
    loadFile(source);
}

void MpvPlayer::loadFile(const QString& path)
{
    const QByteArray file = path.toUtf8();
    const char* cmd[] = {"loadfile", file.constData(), "replace", nullptr};
    mpv_node result;
    if (mpv_command_ret(m_mpv, cmd, &result) < 0) {
        const quint64 run = m_run;
        const int index = m_index;
        QTimer::singleShot(0, this, [this, run, index] {
            if (run == m_run && index == m_index)
                sourceFailed();
        });
        return;
    }
    m_loadingId = 0;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i)
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                m_loadingId = result.u.list->values[i].u.int64;
    }
    mpv_free_node_contents(&result);
}

void MpvPlayer::startMidi(const QString& path)
{
    if (m_midiCancel)
        m_midiCancel->store(true);
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

void MpvPlayer::sourceFailed()
{
    m_loadingId = 0;
    if (m_index >= 0 && m_index < m_items.size() && m_source + 1 < m_items.at(m_index).sources.size()) {
        ++m_source;
        loadSource();
        return;
    }
    advance();
}

void MpvPlayer::endReached(int result)
{
    m_playingId = 0;
    m_endPending = true;
    m_endResult = result;
    advance();
}

void MpvPlayer::advance()
{
    int next = m_index + 1;
    if (next >= m_items.size()) {
        ++m_passes;
        // A pass in which nothing would play ends the run, repeat or not: no busy loop.
        const bool again = m_loadedThisPass && (m_playCount == 0 || m_passes < m_playCount);
        if (!again) {
            finishRun(m_endPending ? m_endResult : MPV_ERROR_NOTHING_TO_PLAY);
            return;
        }
        next = 0;
        m_loadedThisPass = false;
    }
    startItem(next);
}

void MpvPlayer::finishRun(int result)
{
    m_index = -1;
    m_current = 0;
    m_loadingId = m_playingId = 0;
    m_hasVideo = false;
    m_surface->setMode(MpvVideoSurface::Mode::Idle);
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

bool MpvPlayer::emitPending()
{
    if (!m_endPending)
        return true;
    m_endPending = false;
    const quint64 run = m_run;
    QPointer<MpvPlayer> self(this);
    Q_EMIT OnEndOfStream(m_endResult);
    return self && run == m_run;
}

// --- engine events ---

void MpvPlayer::drainEvents()
{
    m_wakePending = false;
    QPointer<MpvPlayer> self(this);
    while (self && m_mpv) {
        mpv_event* e = mpv_wait_event(m_mpv, 0);
        if (e->event_id == MPV_EVENT_NONE)
            break;
        // Copied out: a handler may reach the engine again, which invalidates e.
        EngineEvent event;
        event.id = e->event_id;
        if (e->event_id == MPV_EVENT_START_FILE) {
            event.entryId = static_cast<mpv_event_start_file*>(e->data)->playlist_entry_id;
        } else if (e->event_id == MPV_EVENT_END_FILE) {
            auto* end = static_cast<mpv_event_end_file*>(e->data);
            event.entryId = end->playlist_entry_id;
            event.reason = end->reason;
            event.error = end->error;
        } else if (e->event_id == MPV_EVENT_HOOK) {
            // The engine waits here, so the tracks can be read before a short clip is gone again.
            m_preloadedId = m_startedId;
            m_preloadedVideo = false;
            int64_t count = 0;
            mpv_get_property(m_mpv, "track-list/count", MPV_FORMAT_INT64, &count);
            for (int64_t i = 0; i < count && !m_preloadedVideo; ++i) {
                const QByteArray name = "track-list/" + QByteArray::number(i) + "/type";
                char* type = mpv_get_property_string(m_mpv, name.constData());
                m_preloadedVideo = type && qstrcmp(type, "video") == 0;
                mpv_free(type);
            }
            mpv_hook_continue(m_mpv, static_cast<mpv_event_hook*>(e->data)->id);
            continue;
        } else if (e->event_id == MPV_EVENT_PROPERTY_CHANGE) {
            auto* p = static_cast<mpv_event_property*>(e->data);
            event.property = e->reply_userdata;
            event.hasValue = p->data != nullptr;
            if (p->format == MPV_FORMAT_DOUBLE && p->data)
                event.number = *static_cast<double*>(p->data);
            else if (p->format == MPV_FORMAT_FLAG && p->data)
                event.flag = *static_cast<int*>(p->data) != 0;
        }
        handleEvent(event);
    }
}

void MpvPlayer::handleEvent(const EngineEvent& e)
{
    switch (e.id) {
    case MPV_EVENT_START_FILE:
        m_startedId = e.entryId;
        break;
    case MPV_EVENT_FILE_LOADED: {
        if (m_loadingId == 0 || m_startedId != m_loadingId)
            break; // a file of an earlier run, or one replaced meanwhile
        m_playingId = m_loadingId;
        m_loadingId = 0;
        m_loadedThisPass = true;
        m_current = m_items.at(m_index).entry;
        m_hasVideo = m_preloadedId == m_startedId && m_preloadedVideo;
        const QString source = m_items.at(m_index).sources.value(m_source);
        m_surface->setMode(m_hasVideo ? MpvVideoSurface::Mode::Video : MpvVideoSurface::Mode::Audio,
                           clipName(source));
        m_position = 0;
        setState(m_paused ? State::Paused : State::Playing);
        // The previous entry's end is told only now, so that GetCurrentEntry already names this one.
        if (!emitPending())
            return;
        Q_EMIT OnNewStream();
        return;
    }
    case MPV_EVENT_END_FILE:
        if (e.entryId != 0 && e.entryId == m_playingId) {
            if (e.reason == MPV_END_FILE_REASON_EOF)
                endReached(0);
            else if (e.reason == MPV_END_FILE_REASON_ERROR)
                endReached(e.error);
            else
                m_playingId = 0;
        } else if (e.entryId != 0 && e.entryId == m_loadingId) {
            if (e.reason != MPV_END_FILE_REASON_STOP && e.reason != MPV_END_FILE_REASON_QUIT)
                sourceFailed(); // a clip that would not load raises no new-stream event
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        switch (e.property) {
        case TimePos:
            m_position = e.hasValue ? e.number : 0;
            break;
        case Duration:
            m_duration = e.hasValue ? e.number : 0;
            break;
        case Pause:
            m_paused = e.flag;
            if (m_state == State::Playing || m_state == State::Paused)
                m_state = m_paused ? State::Paused : State::Playing;
            break;
        case Volume:
            m_volume = e.number;
            break;
        case Mute:
            m_muted = e.flag;
            break;
        default:
            break;
        }
        refreshFace();
        break;
    default:
        break;
    }
}

// --- face ---

void MpvPlayer::play()
{
    if (m_state == State::Playing || m_state == State::Paused || m_state == State::Opening) {
        int no = 0;
        if (m_mpv)
            mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &no);
        return;
    }
    if (m_items.isEmpty() || !m_mpv)
        return;
    ++m_run;
    m_endPending = false;
    int no = 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &no);
    if (m_index < 0) { // the run was over: start it again
        m_passes = 0;
        m_loadedThisPass = false;
        startItem(0);
    } else {
        startItem(m_index);
    }
}

void MpvPlayer::togglePause()
{
    if (m_state != State::Playing && m_state != State::Paused) {
        play();
        return;
    }
    int on = m_paused ? 0 : 1;
    if (m_mpv)
        mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &on);
}

void MpvPlayer::previousEntry()
{
    if (m_items.isEmpty())
        return;
    int target = m_index - 1;
    if (target < 0)
        target = m_playCount == 0 ? int(m_items.size()) - 1 : 0;
    ++m_run;
    m_endPending = false;
    startItem(target);
}

void MpvPlayer::nextEntry()
{
    if (m_items.isEmpty())
        return;
    int target = m_index + 1;
    if (target >= m_items.size()) {
        if (m_playCount != 0)
            return;
        target = 0;
    }
    ++m_run;
    m_endPending = false;
    startItem(target);
}

void MpvPlayer::seekBy(double seconds)
{
    if (m_playingId == 0)
        return;
    const QByteArray amount = QByteArray::number(seconds, 'f', 3);
    command({"seek", amount.constData(), "relative"});
}

void MpvPlayer::changeVolume(double delta)
{
    double v = qBound(0.0, m_volume + delta, 100.0);
    if (m_mpv)
        mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &v);
}

void MpvPlayer::setMuted(bool on)
{
    int flag = on ? 1 : 0;
    if (m_mpv)
        mpv_set_property(m_mpv, "mute", MPV_FORMAT_FLAG, &flag);
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

void MpvPlayer::setState(State state)
{
    m_state = state;
    refreshFace();
}

QString MpvPlayer::statusText() const
{
    QString state;
    switch (m_state) {
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
    if (m_index < 0 || m_index >= m_items.size() || m_state == State::Stopped)
        return state;
    const QString clip = clipName(m_items.at(m_index).sources.value(m_source));
    if (m_state == State::Opening)
        return state + QStringLiteral(": ") + clip;
    return state + QStringLiteral(": ") + clip + QStringLiteral("  ") + formatTime(m_position) +
           QStringLiteral(" / ") + formatTime(m_duration);
}

void MpvPlayer::refreshFace()
{
    const bool active = m_state == State::Playing || m_state == State::Paused;
    const bool playing = m_state == State::Playing;
    // Icons change seldom, the time many times a second.
    const int icons = (playing ? 1 : 0) | (m_muted ? 2 : 0);
    if (icons != m_shownIcons) {
        m_shownIcons = icons;
        m_playPause->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
        m_playPause->setToolTip(playing ? tr("Pause") : tr("Play"));
        m_mute->setIcon(style()->standardIcon(m_muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    }

    m_tracker->setEnabled(active && m_duration > 0);
    if (!m_tracker->isSliderDown()) { // the user's drag wins over the engine's position
        m_settingTracker = true;
        m_tracker->setValue(active && m_duration > 0 ? qRound(1000 * qBound(0.0, m_position / m_duration, 1.0))
                                                     : 0);
        m_settingTracker = false;
    }
    m_trackerTime->setText(formatTime(active ? m_position : 0) + QStringLiteral(" / ") +
                           formatTime(active ? m_duration : 0));

    const QSignalBlocker muteBlock(m_mute);
    m_mute->setChecked(m_muted);
    const QSignalBlocker volumeBlock(m_volumeSlider);
    m_volumeSlider->setValue(qRound(m_volume));

    m_status->setText(statusText());
    Q_EMIT faceChanged();
}
