// The media player control beside the mpv program on the same clip, measured in the same run:
//  - from Open to OnNewStream (the control already made, and made afresh), and from the start of a
//    program around the control to its first OnNewStream, against mpv from its start to
//    "Starting playback..." (its file-loaded point);
//  - peak memory while playing a video to its end: the control in a window of the player's size
//    (vm_media_demo) against mpv in a window of the same size. With no display both draw nothing.
// Figures are milliseconds and KiB; "ratio" is ours / mpv's.
#include "bench/MpvProgram.h"
#include "platform/media/MpvPlayer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <clocale>

#include <memory>

namespace {

QTemporaryDir* g_dir = nullptr;
QString g_clip;  // a short clip with sound and pictures
QString g_video; // a longer video for the memory figures

bool ffmpeg(const QStringList& args, const QString& out)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y"),
                                                  QStringLiteral("-v"), QStringLiteral("error")} +
                                          args + QStringList{out});
    return p.waitForFinished(120000) && p.exitCode() == 0;
}

const QStringList Null{QStringLiteral("vo=null"), QStringLiteral("ao=null")};

// Milliseconds from Open to OnNewStream.
double openToNewStream(MpvPlayer& player, const QString& clip)
{
    QEventLoop loop;
    QElapsedTimer clock;
    const auto c = QObject::connect(&player, &MediaPlayerControl::OnNewStream, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    clock.start();
    player.Open(clip);
    loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(c);
    player.Stop();
    return ms;
}

// Milliseconds from starting our demo program to the control's first OnNewStream.
double ourProgramStart(const QString& clip)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIDMARRO_MPV_OPTIONS"), QStringLiteral("vo=null ao=null"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vm_media_demo"),
            {QStringLiteral("--first-stream"), clip});
    QByteArray seen;
    double ms = -1;
    while (p.waitForReadyRead(20000)) {
        seen += p.readAllStandardOutput();
        if (seen.contains("new stream")) {
            ms = clock.nsecsElapsed() / 1e6;
            break;
        }
    }
    p.waitForFinished();
    return ms;
}

struct Totals
{
    double ours = 0, mpv = 0;
    int n = 0;
};

void report(benchmark::State& state, const Totals& t, const char* unit)
{
    state.counters[std::string("ours_") + unit] = t.ours / t.n;
    state.counters[std::string("mpv_") + unit] = t.mpv / t.n;
    state.counters["ratio"] = t.ours / t.mpv;
}

void BM_OpenToNewStream(benchmark::State& state)
{
    MpvPlayer player(nullptr, Null);
    openToNewStream(player, g_clip); // first load pulls in the decoders
    Totals t;
    for (auto _ : state) {
        const double ours = openToNewStream(player, g_clip);
        const double mpv = mpvProgramStart(g_clip);
        state.SetIterationTime(ours / 1000);
        t.ours += ours;
        t.mpv += mpv;
        ++t.n;
    }
    report(state, t, "ms");
}
BENCHMARK(BM_OpenToNewStream)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The control made afresh each time: engine start-up included, as the program does for each run.
void BM_MakeAndOpenToNewStream(benchmark::State& state)
{
    Totals t;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto player = std::make_unique<MpvPlayer>(nullptr, Null);
        const double made = clock.nsecsElapsed() / 1e6;
        const double ours = made + openToNewStream(*player, g_clip);
        player.reset();
        const double mpv = mpvProgramStart(g_clip);
        state.SetIterationTime(ours / 1000);
        t.ours += ours;
        t.mpv += mpv;
        ++t.n;
    }
    report(state, t, "ms");
}
BENCHMARK(BM_MakeAndOpenToNewStream)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Whole programs: ours from its start to the first new stream, mpv from its start to file loaded.
void BM_ProgramStartToNewStream(benchmark::State& state)
{
    Totals t;
    for (auto _ : state) {
        const double ours = ourProgramStart(g_clip);
        const double mpv = mpvProgramStart(g_clip);
        if (ours < 0 || mpv < 0) {
            state.SkipWithError("a player failed");
            return;
        }
        state.SetIterationTime(ours / 1000);
        t.ours += ours;
        t.mpv += mpv;
        ++t.n;
    }
    report(state, t, "ms");
}
BENCHMARK(BM_ProgramStartToNewStream)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Peak resident memory (KiB) of a program run to its end. VmHWM is read from /proc while it runs:
// the rusage of a child spawned from this process would count this process's own memory.
long peakKiB(const QString& program, const QStringList& args, const QList<QByteArray>& env)
{
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QByteArray& e : env) {
        const qsizetype eq = e.indexOf('=');
        environment.insert(QString::fromLocal8Bit(e.left(eq)), QString::fromLocal8Bit(e.mid(eq + 1)));
    }
    p.setProcessEnvironment(environment);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForStarted())
        return -1;
    QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
    long peak = 0;
    do {
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    peak = qMax(peak, line.mid(6).trimmed().split(' ').value(0).toLong());
            status.close();
        }
    } while (!p.waitForFinished(10));
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? peak : -1;
}

void BM_PeakMemoryPlaying(benchmark::State& state)
{
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    const QString demo = QCoreApplication::applicationDirPath() + QStringLiteral("/vm_media_demo");
    QList<QByteArray> ourEnv{"VIDMARRO_MPV_OPTIONS=ao=null"};
    QStringList mpvArgs{QStringLiteral("--no-config"), QStringLiteral("--ao=null"),
                        QStringLiteral("--really-quiet")};
    if (display) {
        ourEnv.append("QT_QPA_PLATFORM=xcb");
        mpvArgs.append(QStringLiteral("--geometry=229x202"));
    } else {
        ourEnv = {"VIDMARRO_MPV_OPTIONS=ao=null vo=null", "QT_QPA_PLATFORM=offscreen"};
        mpvArgs.append(QStringLiteral("--vo=null"));
    }
    Totals t;
    for (auto _ : state) {
        const long ours = peakKiB(demo, {g_video}, ourEnv);
        const long mpv = peakKiB(QStringLiteral("mpv"), mpvArgs + QStringList{g_video}, {});
        if (ours < 0 || mpv < 0) {
            state.SkipWithError("a player failed");
            return;
        }
        t.ours += double(ours);
        t.mpv += double(mpv);
        ++t.n;
    }
    report(state, t, "KiB");
    state.counters["display"] = display ? 1 : 0;
}
BENCHMARK(BM_PeakMemoryPlaying)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("VIDMARRO_MPV_OPTIONS");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    g_dir = &dir;
    g_clip = dir.filePath(QStringLiteral("clip.mpg"));
    g_video = dir.filePath(QStringLiteral("video.mpg"));
    const QStringList av{QStringLiteral("-f"),   QStringLiteral("lavfi"),
                         QStringLiteral("-i"),   QStringLiteral("testsrc=s=320x240:r=25:d=2"),
                         QStringLiteral("-f"),   QStringLiteral("lavfi"),
                         QStringLiteral("-i"),   QStringLiteral("sine=d=2"),
                         QStringLiteral("-c:v"), QStringLiteral("mpeg1video"),
                         QStringLiteral("-c:a"), QStringLiteral("mp2"),
                         QStringLiteral("-f"),   QStringLiteral("mpeg")};
    QStringList big = av;
    big[3] = QStringLiteral("testsrc=s=640x480:r=25:d=4");
    big[7] = QStringLiteral("sine=d=4");
    if (!ffmpeg(av, g_clip) || !ffmpeg(big, g_video))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
