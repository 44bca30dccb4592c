// The player window's own costs, each beside a baseline measured in the same run:
//  - drawing the shuffled order of 100,000 clips when Shuffle is checked (the draw, and the whole
//    handler with the hidden list filled) against the standard library's shuffle of the same list;
//  - from a click on Go to the first new-stream event (playlist written, control opened) against
//    the bare control opening the same playlist, and against the mpv program from its start to
//    its file-loaded point on the first clip ("Starting playback...");
//  - the same from the player window's creation (media engine made afresh) to the first new stream.
// Figures are milliseconds; "ratio" is ours / baseline's.
#include "bench/MpvProgram.h"
#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/desktop/SystemServices.h"
#include "platform/media/MpvBackend.h"
#include "platform/media/MpvPlayer.h"
#include "platform/ui/Prompts.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

class SilentPrompts : public Prompts
{
public:
    QMessageBox::StandardButton messageBox(const MessageBoxRequest&, QWidget*) override
    {
        return QMessageBox::Ok;
    }
    QStringList fileDialog(FileDialogSettings&, QWidget*) override { return {}; }
    bool inputBox(const QString&, const QString&, QString&, QWidget*) override { return false; }
    QString browseFolder(FolderBrowseRequest&, QWidget*) override { return {}; }
};

class NoSystem : public SystemServices
{
public:
    void requestShutdown() override {}
    void openUrl(const QString&) override {}
};

QTemporaryDir* g_dir = nullptr;
QStringList g_clips; // three short clips
SilentPrompts g_prompts;
NoSystem g_system;

const QStringList Quiet{QStringLiteral("vo=null"), QStringLiteral("ao=null")};

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

QStringList manyPaths(int n)
{
    QStringList out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(QStringLiteral("/media/music/album %1/track %2.mp3")
                       .arg(i / 20, 5, 10, QLatin1Char('0'))
                       .arg(i % 20));
    return out;
}

void report(benchmark::State& state, double ours, double baseline, int n)
{
    state.counters["ours_ms"] = ours / n;
    state.counters["baseline_ms"] = baseline / n;
    state.counters["ratio"] = ours / baseline;
}

void BM_ShuffleDraw100k(benchmark::State& state)
{
    const QStringList base = manyPaths(100000);
    std::mt19937 rng(1);
    double ours = 0, baseline = 0;
    int n = 0;
    for (auto _ : state) {
        QStringList a = base;
        QElapsedTimer t;
        t.start();
        TWplayerF2::shuffle(a, rng);
        const double mine = ms(t);
        QStringList b = base;
        t.restart();
        std::shuffle(b.begin(), b.end(), rng);
        baseline += ms(t);
        ours += mine;
        ++n;
        state.SetIterationTime(mine / 1000);
    }
    report(state, ours, baseline, n);
}
BENCHMARK(BM_ShuffleDraw100k)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The whole Shuffle handler in a window of 100,000 clips: the draw and the hidden list filled.
void BM_ShuffleCheckBox100k(benchmark::State& state)
{
    SharedState s;
    s.AllBox.assign(manyPaths(100000));
    MpvBackend media(Quiet);
    Services services{g_prompts, g_system, media};
    double ours = 0, baseline = 0;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TWplayerF2 player(s, services, nullptr);
        auto* box = player.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        box->setChecked(true);
        const double mine = ms(t);
        state.PauseTiming();
        QStringList b = s.AllBox.items();
        t.restart();
        std::shuffle(b.begin(), b.end(), s.Random);
        baseline += ms(t);
        ours += mine;
        ++n;
        state.ResumeTiming();
        state.SetIterationTime(mine / 1000);
    }
    report(state, ours, baseline, n);
}
BENCHMARK(BM_ShuffleCheckBox100k)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Waits for the control's first new-stream event after `start`; milliseconds, or -1 on no event.
double untilNewStream(MediaPlayerControl& control, const std::function<void()>& start)
{
    QEventLoop loop;
    bool seen = false;
    const auto c = QObject::connect(&control, &MediaPlayerControl::OnNewStream, &loop, [&] {
        seen = true;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    start();
    if (!seen)
        loop.exec();
    const double elapsed = ms(t);
    QObject::disconnect(c);
    return seen ? elapsed : -1;
}

void BM_GoToFirstNewStream(benchmark::State& state)
{
    SharedState s;
    s.AllBox.assign(g_clips);
    s.EntryMode = EntryPicked;
    s.PlaylistPath = g_dir->filePath(QStringLiteral("playlist.tmp"));
    const QString same = g_dir->filePath(QStringLiteral("same.asx"));
    CCFuncs::WritePlaylist(g_clips, same);
    MpvBackend media(Quiet);
    Services services{g_prompts, g_system, media};
    MpvPlayer bare(nullptr, Quiet);
    double ours = 0, baseline = 0;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TWplayerF2 player(s, services, nullptr);
        player.show();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        const double mine = untilNewStream(*player.WMTPlayer1, [&] { player.GoButtonClick(); });
        state.PauseTiming();
        player.close();
        const double base = untilNewStream(bare, [&] { bare.Open(same); });
        bare.Stop();
        state.ResumeTiming();
        if (mine < 0 || base < 0) {
            state.SkipWithError("no new-stream event");
            break;
        }
        ours += mine;
        baseline += base;
        ++n;
        state.SetIterationTime(mine / 1000);
    }
    if (n)
        report(state, ours, baseline, n);
}
BENCHMARK(BM_GoToFirstNewStream)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Medians of the pair the figures table shows: ours, the mpv program's.
struct Pair
{
    std::vector<double> ours, mpv;
    static double median(std::vector<double> v)
    {
        if (v.empty())
            return -1;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};
Pair g_goPair, g_openGoPair;

// Go to the first new stream, beside the mpv program starting the same first clip; the two run in
// turns. Also from the player window's creation, engine included.
void BM_GoBesideMpvProgram(benchmark::State& state)
{
    SharedState s;
    s.AllBox.assign(g_clips);
    s.EntryMode = EntryPicked;
    s.PlaylistPath = g_dir->filePath(QStringLiteral("playlist.tmp"));
    MpvBackend media(Quiet);
    Services services{g_prompts, g_system, media};
    for (auto _ : state) {
        QElapsedTimer made;
        made.start();
        auto player = std::make_unique<TWplayerF2>(s, services, nullptr);
        player->show();
        const double creation = ms(made);
        const double mine = untilNewStream(*player->WMTPlayer1, [&] { player->GoButtonClick(); });
        player->close();
        player.reset();
        const double theirs = mpvProgramStart(g_clips.first());
        if (mine < 0 || theirs < 0) {
            state.SkipWithError("no new stream");
            break;
        }
        g_goPair.ours.push_back(mine);
        g_goPair.mpv.push_back(theirs);
        g_openGoPair.ours.push_back(creation + mine);
        g_openGoPair.mpv.push_back(theirs);
        state.SetIterationTime(mine / 1000);
    }
    state.counters["ours_ms"] = Pair::median(g_goPair.ours);
    state.counters["mpv_program_ms"] = Pair::median(g_goPair.mpv);
    state.counters["ratio"] = Pair::median(g_goPair.ours) / Pair::median(g_goPair.mpv);
    state.counters["with_window_ms"] = Pair::median(g_openGoPair.ours);
}
BENCHMARK(BM_GoBesideMpvProgram)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    g_dir = &dir;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        const QString out = dir.filePath(QString::fromLatin1(name));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                      QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                      QStringLiteral("-i"), QStringLiteral("sine=duration=0.5"), out});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            return 2;
        g_clips.append(out);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_goPair.ours.empty()) {
        const double ours = Pair::median(g_goPair.ours), mpv = Pair::median(g_goPair.mpv);
        const double withWindow = Pair::median(g_openGoPair.ours);
        std::printf("FIGURE|playback start: Go to first new stream|%.1f|%.1f|ms|%.2f|1.20|mpv program start "
                    "to file loaded\n",
                    ours, mpv, ours / mpv);
        std::printf("FIGURE|playback start: player window made + Go to first new "
                    "stream|%.1f|%.1f|ms|%.2f|-|mpv program start to file loaded\n",
                    withWindow, mpv, withWindow / mpv);
    }
    return 0;
}
