// A clip change as the user hears and sees it, through a private PulseAudio server with a null sink
// whose monitor is recorded with parec (medians over the rounds):
//  - the silence where two 2 s tones (440 Hz, then 880 Hz) meet, and how long each was heard;
//  - how long after the second tone is first heard the player window's title names it;
// beside the mpv program playing the same two files in the same run (gapless by default), its own
// change of file (the "Playing:" line) timed the same way.
// Short clips, gapless as in mpv: a playlist of 40 WAV tones of 0.3 s, and one of 100 video clips
// of 0.3 s on both video paths (the engine's own window, and the render API), each played to its
// end: seconds from Go until the window closes, beside the mpv program from its start to its end;
// and the longest silence anywhere in what the tones gave. A tone followed by a MIDI clip: the
// silence where they meet (the MIDI clip rendered while the tone plays).
// The player window is the program's own (Go clicked, the clips picked); no video output for the
// two tones.
// usage: bm_gapless [--rounds N]   Needs an X display, pulseaudio, parec, ffmpeg and mpv.
#include "../BenchKit.h"
#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/media/MpvBackend.h"
#include "platform/ui/Prompts.h"
#include "player/WplayerU2.h"
#include "support/SoundServer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <clocale>
#include <cstring>

using BenchKit::figure;
using BenchKit::median;

namespace {

constexpr double LowHz = 440;
constexpr double HighHz = 880;
constexpr double ToneSeconds = 2;

class QuietPrompts : public Prompts
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

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Round
{
    SoundServer::Change change;
    double switchMs = 1e9; // the title's (or mpv's file change's) offset from the second tone
};

Round measure(SoundServer& server, qsizetype from, qsizetype switchAt)
{
    const qsizetype end = server.sampleCount();
    const QDeadlineTimer deadline(10000);
    while (server.recordedCount() < end + SoundServer::rate() / 2 && !deadline.hasExpired())
        settle(50); // what the server still held comes out within its latency
    Round r;
    r.change = SoundServer::listenToChange(server.samples().mid(from), LowHz, HighHz);
    if (switchAt >= 0 && r.change.highFrom >= 0)
        r.switchMs = double(switchAt - from - r.change.highFrom) * 1000 / SoundServer::rate();
    return r;
}

// A playlist played to its end: its seconds and the longest silence within what it gave.
struct Whole
{
    double seconds = 0;
    double silenceMs = 0;
};

Whole wholeOf(SoundServer& server, qsizetype from, double seconds)
{
    const Round r = measure(server, from, -1);
    return {seconds, r.change.silenceMs};
}

Whole playOursWhole(SoundServer& server, Services& services, const QStringList& clips,
                    const QString& playlist)
{
    SharedState state;
    for (const QString& clip : clips)
        state.AllBox.add(clip);
    state.EntryMode = EntryPicked;
    state.PlaylistPath = playlist;
    TWplayerF2 player(state, services, nullptr);
    player.show();
    settle(200); // the window and its video area come up, as before a user's click
    const qsizetype from = server.sampleCount();
    QElapsedTimer clock;
    clock.start();
    player.GoButtonClick();
    const QDeadlineTimer deadline(300000);
    while (player.isVisible() && !deadline.hasExpired())
        settle(5);
    return wholeOf(server, from, clock.nsecsElapsed() / 1e9);
}

Whole playMpvWhole(SoundServer& server, const QStringList& clips, const QStringList& options)
{
    QProcess mpv;
    mpv.setProcessChannelMode(QProcess::MergedChannels);
    const qsizetype from = server.sampleCount();
    QElapsedTimer clock;
    clock.start();
    mpv.start(QStringLiteral("mpv"), QStringList{QStringLiteral("--no-config"), QStringLiteral("--ao=pulse"),
                                                 QStringLiteral("--really-quiet")} +
                                         options + clips);
    mpv.waitForFinished(300000);
    return wholeOf(server, from, clock.nsecsElapsed() / 1e9);
}

bool makeClip(const QStringList& input, const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-nostdin"), QStringLiteral("-v"),
                                                       QStringLiteral("error"), QStringLiteral("-y")} +
                                               input + QStringList{path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

// Copies of one clip under numbered names, as many as asked.
QStringList copies(const QString& clip, int count, const QString& dir)
{
    QStringList out;
    for (int i = 0; i < count; ++i) {
        out << QStringLiteral("%1/%2-%3")
                   .arg(dir)
                   .arg(i, 3, 10, QLatin1Char('0'))
                   .arg(clip.section(u'/', -1));
        QFile::copy(clip, out.last());
    }
    return out;
}

Round playOurs(SoundServer& server, Services& services, const QStringList& clips, const QString& playlist)
{
    SharedState state;
    for (const QString& clip : clips)
        state.AllBox.add(clip);
    state.EntryMode = EntryPicked;
    state.PlaylistPath = playlist;
    TWplayerF2 player(state, services, nullptr);
    player.show();
    const qsizetype from = server.sampleCount();
    qsizetype switchAt = -1;
    QObject::connect(&player, &QWidget::windowTitleChanged, &player, [&](const QString& title) {
        if (title.contains(QLatin1String("(2/2)")))
            switchAt = server.sampleCount();
    });
    player.GoButtonClick();
    const QDeadlineTimer deadline(60000);
    while (player.isVisible() && !deadline.hasExpired())
        settle(20);
    return measure(server, from, switchAt);
}

Round playMpv(SoundServer& server, const QStringList& clips)
{
    QProcess mpv;
    mpv.setProcessChannelMode(QProcess::MergedChannels);
    const qsizetype from = server.sampleCount();
    qsizetype switchAt = -1;
    QByteArray seen;
    QObject::connect(&mpv, &QProcess::readyRead, &mpv, [&] {
        seen += mpv.readAll();
        if (switchAt < 0 && seen.contains("Playing: " + clips.last().toUtf8()))
            switchAt = server.sampleCount();
    });
    mpv.start(QStringLiteral("mpv"),
              QStringList{QStringLiteral("--no-config"), QStringLiteral("--vo=null"),
                          QStringLiteral("--ao=pulse"), QStringLiteral("--msg-level=all=no,cplayer=info")} +
                  clips);
    mpv.waitForStarted();
    const QDeadlineTimer deadline(60000);
    while (mpv.state() != QProcess::NotRunning && !deadline.hasExpired())
        settle(20);
    return measure(server, from, switchAt);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    int rounds = 3;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));

    SoundServer server;
    QString why;
    if (!server.start(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    server.useInThisProcess();
    if (!server.startRecording()) {
        std::fprintf(stderr, "parec did not record\n");
        return 1;
    }
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    QStringList clips;
    for (const double hz : {LowHz, HighHz}) {
        const QString path = dir.filePath(QStringLiteral("tone%1.wav").arg(hz));
        QProcess ffmpeg;
        ffmpeg.start(
            QStringLiteral("ffmpeg"),
            {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
             QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("sine=frequency=%1:duration=%2").arg(hz).arg(ToneSeconds), QStringLiteral("-ac"),
             QStringLiteral("1"), QStringLiteral("-ar"), QStringLiteral("44100"), path});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            return 1;
        clips << path;
    }

    QuietPrompts prompts;
    DesktopServices system;
    MpvBackend media({QStringLiteral("vo=null")});
    Services services{prompts, system, media};
    std::vector<double> ourSilence, mpvSilence, ourSwitch, mpvSwitch, ourShort, mpvShort;
    for (int round = 0; round < rounds; ++round) {
        for (const bool ours : {true, false}) {
            const Round r =
                ours ? playOurs(server, services, clips, dir.filePath(QStringLiteral("playlist.tmp")))
                     : playMpv(server, clips);
            std::printf("%s round %d: silence %.0f ms, heard %.2f s + %.2f s, change %+.0f ms after the "
                        "second tone\n",
                        ours ? "ours" : "mpv ", round + 1, r.change.silenceMs, r.change.lowSeconds,
                        r.change.highSeconds, r.switchMs);
            (ours ? ourSilence : mpvSilence).push_back(r.change.silenceMs);
            (ours ? ourSwitch : mpvSwitch).push_back(r.switchMs);
            // How much of the pair went unheard, in ms.
            (ours ? ourShort : mpvShort)
                .push_back(std::max(0.0, 2 * ToneSeconds - r.change.lowSeconds - r.change.highSeconds) *
                           1000);
        }
    }
    figure("clip change: silence between two tones", median(ourSilence), median(mpvSilence), "ms", "-",
           "mpv program, gapless");
    figure("clip change: sound of two 2 s tones", 2 * ToneSeconds * 1000 - median(ourShort),
           2 * ToneSeconds * 1000 - median(mpvShort), "ms", "-", "mpv program, gapless");
    figure("clip change: tones cut short by", median(ourShort), median(mpvShort), "ms", "-",
           "mpv program, gapless");
    figure("clip change: title after the next clip's first sound", median(ourSwitch), median(mpvSwitch), "ms",
           "-", "mpv program's file change");

    // Short clips: tones of alternating pitch, and video clips with sound.
    const QString shortTone[2] = {dir.filePath(QStringLiteral("short440.wav")),
                                  dir.filePath(QStringLiteral("short880.wav"))};
    const QString shortVideo = dir.filePath(QStringLiteral("short.avi"));
    const QString midi = dir.filePath(QStringLiteral("note.mid"));
    // In the synthesiser's format: a change of format reopens the output, MIDI or not. Long enough
    // for the rendering, which loads the whole soundfont first.
    const QString midiTone = dir.filePath(QStringLiteral("midi-tone.wav"));
    QDir().mkpath(dir.filePath(QStringLiteral("many")));
    QFile midiFile(midi);
    // One note from the start, held for a second.
    const bool made = makeClip({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("sine=frequency=440:duration=0.3"), QStringLiteral("-ac"),
                                QStringLiteral("2"), QStringLiteral("-ar"), QStringLiteral("48000")},
                               shortTone[0]) &&
                      makeClip({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("sine=frequency=880:duration=0.3"), QStringLiteral("-ac"),
                                QStringLiteral("2"), QStringLiteral("-ar"), QStringLiteral("48000")},
                               shortTone[1]) &&
                      makeClip({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("testsrc=s=320x240:r=25:d=0.3"), QStringLiteral("-f"),
                                QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("sine=frequency=440:duration=0.3"), QStringLiteral("-c:v"),
                                QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("mp2")},
                               shortVideo) &&
                      makeClip({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("sine=frequency=440:duration=3"), QStringLiteral("-ac"),
                                QStringLiteral("2"), QStringLiteral("-ar"), QStringLiteral("44100")},
                               midiTone) &&
                      midiFile.open(QIODevice::WriteOnly) &&
                      midiFile.write(QByteArray::fromHex("4d546864000000060000000100604d54726b0000000d"
                                                         "00903c7f"
                                                         "8140803c00"
                                                         "00ff2f00")) > 0;
    midiFile.close();
    if (!made) {
        std::fprintf(stderr, "the short clips could not be made\n");
        return 1;
    }
    QStringList tones;
    for (int i = 0; i < 40; ++i) {
        tones << dir.filePath(QStringLiteral("many/tone%1.wav").arg(i, 2, 10, QLatin1Char('0')));
        QFile::copy(shortTone[i % 2], tones.last());
    }
    const QStringList videos = copies(shortVideo, 100, dir.filePath(QStringLiteral("many")));

    struct Path
    {
        const char* name;
        QStringList ours;
        QStringList mpv;
    };
    const QList<Path> paths{
        {"native window", {}, {QStringLiteral("--vo=gpu"), QStringLiteral("--gpu-sw=yes")}},
        {"render API",
         {QStringLiteral("vo=libmpv")},
         {QStringLiteral("--vo=gpu"), QStringLiteral("--gpu-sw=yes")}},
    };
    std::vector<double> ourTones, mpvTones, ourToneSilence, mpvToneSilence, ourMidi;
    std::vector<std::vector<double>> ourVideos(paths.size()), mpvVideos(paths.size());
    for (int round = 0; round < rounds; ++round) {
        const Whole t = playOursWhole(server, services, tones, dir.filePath(QStringLiteral("playlist.tmp")));
        const Whole m = playMpvWhole(server, tones, {QStringLiteral("--vo=null")});
        std::printf(
            "40 tones of 0.3 s, round %d: ours %.2f s (silence %.0f ms), mpv %.2f s (silence %.0f ms)\n",
            round + 1, t.seconds, t.silenceMs, m.seconds, m.silenceMs);
        ourTones.push_back(t.seconds);
        mpvTones.push_back(m.seconds);
        ourToneSilence.push_back(t.silenceMs);
        mpvToneSilence.push_back(m.silenceMs);
        for (int p = 0; p < paths.size(); ++p) {
            MpvBackend video(paths[p].ours);
            Services withVideo{prompts, system, video};
            const Whole v =
                playOursWhole(server, withVideo, videos, dir.filePath(QStringLiteral("playlist.tmp")));
            const Whole w = playMpvWhole(server, videos, paths[p].mpv);
            std::printf("100 video clips of 0.3 s, %s, round %d: ours %.2f s, mpv %.2f s\n", paths[p].name,
                        round + 1, v.seconds, w.seconds);
            ourVideos[p].push_back(v.seconds);
            mpvVideos[p].push_back(w.seconds);
        }
        // The MIDI clip's rendering is not cached yet: it renders while the tone plays.
        QDir(dir.filePath(QStringLiteral("cache"))).removeRecursively();
        const Whole tm =
            playOursWhole(server, services, {midiTone, midi}, dir.filePath(QStringLiteral("playlist.tmp")));
        std::printf("tone then MIDI, round %d: silence %.0f ms\n", round + 1, tm.silenceMs);
        ourMidi.push_back(tm.silenceMs);
    }
    figure("short clips: 40 WAV clips of 0.3 s, played through", median(ourTones), median(mpvTones), "s",
           "1.1", "mpv program, gapless");
    figure("short clips: longest silence among the 40 tones", median(ourToneSilence), median(mpvToneSilence),
           "ms", "-", "mpv program, gapless");
    for (int p = 0; p < paths.size(); ++p)
        figure(qPrintable(QStringLiteral("short clips: 100 video clips of 0.3 s, %1")
                              .arg(QLatin1String(paths[p].name))),
               median(ourVideos[p]), median(mpvVideos[p]), "s", "1.1", "mpv program, its own window");
    figure("clip change: silence from a tone to a MIDI clip", median(ourMidi), 0, "ms", "-", "none");
    std::fflush(stdout);
    return 0;
}
