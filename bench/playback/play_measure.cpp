// The program's own windows, put together as the program does, playing what "Select Clip(s)" picks
// (the prompts answered by this program), and measuring itself:
//   vm_play_measure go CLIP       CPU time of the whole process from Go to the player's closing, and
//                                 the GUI thread's longest stall from Go to the first new stream,
//                                 beside the same timer's lateness at the idle main window
//   vm_play_measure memory CLIPS...
//                                 private memory (smaps Private_Dirty) and threads while the clips
//                                 play in one run: as the 50th clip starts and as the last one does
//   vm_play_measure stall CLIP SECONDS
//                                 the GUI thread's longest stall over SECONDS of the clip playing
//                                 in the player window (from its first new stream), beside the same
//                                 timer at the idle main window for as long; the engine's frame
//                                 counts over that time (and from 1 s in) and the worst A/V
//                                 difference it measured
//   vm_play_measure keys CLIP     a clip of bm_keys playing: F, Space and the arrows pressed on the
//                                 X server, each key's time to its effect on the screen (KeyWatch)
// Prints "name value" lines. bm_startup also runs "go" for the peak memory of playing a video.
#include "KeyWatch.h"
#include "app/wmt.h"
#include "common/SharedState.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/media/MpvBackend.h"
#include "platform/media/MpvPlayer.h"
#include "platform/ui/Prompts.h"
#include "player/PlayerDialogs.h"
#include "player/WplayerU2.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <thread>

namespace {

class AnsweringPrompts : public Prompts
{
public:
    explicit AnsweringPrompts(QStringList clips) : m_clips(std::move(clips)) {}
    QMessageBox::StandardButton messageBox(const MessageBoxRequest&, QWidget*) override
    {
        return QMessageBox::No;
    }
    QStringList fileDialog(FileDialogSettings& request, QWidget*) override
    {
        return request.kind == FileDialogSettings::OpenMany ? m_clips : QStringList{};
    }
    bool inputBox(const QString&, const QString&, QString&, QWidget*) override { return false; }
    QString browseFolder(FolderBrowseRequest&, QWidget*) override { return {}; }

private:
    QStringList m_clips;
};

double cpuMs()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

// How late a 10 ms timer fires at worst while it runs: the longest the GUI thread was held up.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(Tick);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            note();
            m_clock.restart();
        });
    }
    void start()
    {
        m_worst = 0;
        m_clock.start();
        m_since.start();
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        note();
        return m_worst;
    }
    // Seconds from the start to the worst stall's end.
    double worstAt() const { return m_worstAt / 1e3; }

private:
    void note()
    {
        if (const double late = m_clock.nsecsElapsed() / 1e6 - Tick; late > m_worst) {
            m_worst = late;
            m_worstAt = m_since.elapsed();
        }
    }

    static constexpr int Tick = 10;
    QTimer m_timer;
    QElapsedTimer m_clock, m_since;
    double m_worst = 0;
    qint64 m_worstAt = 0;
};

long privateDirtyKiB()
{
    QFile f(QStringLiteral("/proc/self/smaps_rollup"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Private_Dirty:"))
            return line.mid(14).trimmed().split(' ').value(0).toLong();
    return -1;
}

int threads()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Where bm_keys's clip shows its patches, and a strip at the screen's right edge, beside the window.
KeyWatch::Places keyPlaces(QWidget* player, MediaPlayerControl* control)
{
    const QWidget* area = control->videoArea();
    const QRect rect(area->mapToGlobal(QPoint(0, 0)), area->size());
    // The 16:9 picture as the engine fits it into the area.
    const QSize picture = QSize(16, 9).scaled(rect.size(), Qt::KeepAspectRatio);
    const QPoint origin =
        rect.topLeft() + QPoint((rect.width() - picture.width()) / 2, (rect.height() - picture.height()) / 2);
    const QRect screen = player->screen()->geometry();
    return KeyWatch::placesFor(unsigned(player->window()->winId()), origin.x(), origin.y(), picture.width(),
                               screen.width(), screen.height());
}

void settle(int ms)
{
    // Waits in the event loop, so that the pause costs no CPU of its own.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 3)
        return 2;
    const QByteArray mode = argv[1];
    const bool stallMode = mode == "stall";
    const bool keysMode = mode == "keys";
    if ((stallMode && argc != 4) || (keysMode && argc != 3))
        return 2;
    QStringList clips;
    for (int i = 2; i < (stallMode ? 3 : argc); ++i)
        clips.append(QString::fromLocal8Bit(argv[i]));
    const int playMs = stallMode ? int(std::atof(argv[3]) * 1000) : 0;
    AnsweringPrompts prompts(clips);
    DesktopServices system;
    MpvBackend media;
    Services services{prompts, system, media};
    SharedState state;
    TForm1 form1(state, services, QCoreApplication::applicationDirPath());
    if (form1.AnotherCopyRuns())
        return 3;
    StartupDialogs dialogs(state, prompts);
    dialogs.create();
    form1.setPlayerDialogs(&dialogs);
    form1.show();

    StallWatch watch;
    double cpuAtGo = 0, stall = -1;
    // Go as soon as a player window shows; the stall is watched until its first clip starts.
    struct Clicker : QObject
    {
        std::function<void(TWplayerF2*)> onShow;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show)
                if (auto* player = qobject_cast<TWplayerF2*>(watched))
                    QTimer::singleShot(0, player, [this, player] { onShow(player); });
            return false;
        }
    } clicker;
    // Stall mode: the engine's counts when the clip starts, one second in and after playMs, and the
    // worst A/V difference read every quarter second in between, on a thread of its own: a read
    // waits for the engine's core, which must not count as a stall of the GUI thread.
    MpvPlayer::FrameCounts countsAtStart, countsAtEnd;
    // Memory mode: clips started so far, and the figures taken on the way.
    qsizetype started = 0;
    long at50 = -1, atEnd = -1;
    int threadsAtEnd = -1;
    // Keys mode: the pressing thread and what it found, one line per key.
    std::thread keys;
    bool keysStarted = false;
    QStringList keyTimes;
    auto measureKeys = [&](KeyWatch::Places places, TWplayerF2* player) {
        KeyWatch watch(places);
        auto line = [](const char* name, const std::vector<double>& times) {
            QStringList ms;
            for (double t : times)
                ms << QString::number(t, 'f', 1);
            return QString::fromLatin1(name) + u' ' + ms.join(u',');
        };
        QStringList found;
        if (watch.connected())
            found << line("seek_ms", watch.seek(10)) << line("pause_ms", watch.pause(10))
                  << line("fullscreen_ms", watch.fullScreen(10));
        QMetaObject::invokeMethod(player, [&, found, player] {
            keyTimes = found;
            player->close();
        });
    };
    double worstAvsync = 0, worstAvsyncLater = 0, droppedAtOneSecond = -1;
    QString area;
    std::thread sampler;
    std::atomic_bool sampling = false;
    clicker.onShow = [&](TWplayerF2* player) {
        auto* control = player->findChild<MediaPlayerControl*>();
        if (stallMode) {
            auto* mpv = qobject_cast<MpvPlayer*>(control);
            area = QString::fromLatin1(control->videoArea()->metaObject()->className());
            QObject::connect(control, &MediaPlayerControl::OnNewStream, player, [&, mpv, player] {
                if (stall >= 0 || sampler.joinable())
                    return;
                countsAtStart = mpv->frameCounts();
                watch.start();
                sampling = true;
                sampler = std::thread([&, mpv] {
                    const auto begun = std::chrono::steady_clock::now();
                    while (sampling) {
                        const MpvPlayer::FrameCounts now = mpv->frameCounts();
                        const bool later =
                            std::chrono::steady_clock::now() - begun >= std::chrono::seconds(1);
                        if (std::isfinite(now.avsyncMs)) {
                            worstAvsync = qMax(worstAvsync, std::abs(now.avsyncMs));
                            if (later)
                                worstAvsyncLater = qMax(worstAvsyncLater, std::abs(now.avsyncMs));
                        }
                        if (later && droppedAtOneSecond < 0)
                            droppedAtOneSecond = now.dropped;
                        std::this_thread::sleep_for(std::chrono::milliseconds(250));
                    }
                });
                QTimer::singleShot(playMs, player, [&, mpv, player] {
                    stall = watch.stop();
                    sampling = false;
                    sampler.join(); // before the player and its engine go
                    countsAtEnd = mpv->frameCounts();
                    player->close();
                });
            });
        } else if (keysMode) {
            QObject::connect(control, &MediaPlayerControl::OnNewStream, player, [&, control, player] {
                if (keysStarted)
                    return;
                keysStarted = true;
                // Past the clip's start, when the shaders are built and the first frames shown.
                QTimer::singleShot(3000, player, [&, control, player] {
                    control->setFocus(Qt::OtherFocusReason);
                    keys = std::thread(measureKeys, keyPlaces(player, control), player);
                });
            });
        } else if (mode == "memory") {
            QObject::connect(control, &MediaPlayerControl::OnNewStream, player, [&] {
                if (++started == 50)
                    at50 = privateDirtyKiB();
                if (started == clips.size()) {
                    atEnd = privateDirtyKiB();
                    threadsAtEnd = threads();
                }
            });
        } else {
            QObject::connect(control, &MediaPlayerControl::OnNewStream, player, [&] {
                if (stall < 0)
                    stall = watch.stop();
            });
        }
        cpuAtGo = cpuMs();
        watch.start();
        player->GoButtonClick();
    };
    app.installEventFilter(&clicker);

    if (stallMode || keysMode) // a clip that never starts would keep the player open for good
        QTimer::singleShot(2 * playMs + 180000, [] { std::_Exit(4); });
    QTimer::singleShot(0, &form1, [&] {
        settle(1500); // the main window settled: the engine check has come back
        if (mode == "go") {
            StallWatch idle;
            idle.start();
            settle(300);
            const double idleStall = idle.stop();
            form1.PickButtonClick();
            std::printf("cpu_ms %.1f\nstall_ms %.1f\nidle_stall_ms %.1f\n", cpuMs() - cpuAtGo, stall,
                        idleStall);
        } else if (stallMode) {
            StallWatch idle;
            idle.start();
            settle(playMs);
            const double idleStall = idle.stop();
            form1.PickButtonClick();
            sampling = false;
            if (sampler.joinable()) // the player closed early
                sampler.join();
            auto since = [](double end, double start) { return end >= 0 && start >= 0 ? end - start : -1; };
            std::printf(
                "video_area %s\nstall_ms %.1f\nstall_at_s %.2f\nidle_stall_ms %.1f\ndropped_frames %.0f\n"
                "dropped_after_1s %.0f\ndecoder_dropped_frames %.0f\ndelayed_frames %.0f\nworst_avsync_ms "
                "%.1f\nworst_avsync_after_1s_ms %.1f\n",
                qPrintable(area), stall, watch.worstAt(), idleStall,
                since(countsAtEnd.dropped, countsAtStart.dropped),
                since(countsAtEnd.dropped, droppedAtOneSecond),
                since(countsAtEnd.decoderDropped, countsAtStart.decoderDropped),
                since(countsAtEnd.delayed, countsAtStart.delayed), worstAvsync, worstAvsyncLater);
        } else if (keysMode) {
            form1.PickButtonClick();
            if (keys.joinable())
                keys.join();
            for (const QString& line : std::as_const(keyTimes))
                std::printf("%s\n", qPrintable(line));
        } else {
            const int freshThreads = threads();
            form1.PickButtonClick();
            std::printf("clips %lld\nprivate_kib_at_50 %ld\nprivate_kib_at_end %ld\nfresh_threads %d\n"
                        "threads_at_end %d\n",
                        qlonglong(started), at50, atEnd, freshThreads, threadsAtEnd);
        }
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
