// A clip change as the user hears and sees it, through a private PulseAudio server with a null sink
// whose monitor is recorded with parec (medians over the rounds):
//  - the silence where two 2 s tones (440 Hz, then 880 Hz) meet, and how long each was heard;
//  - how long after the second tone is first heard the player window's title names it;
// beside the mpv program playing the same two files in the same run (gapless by default), its own
// change of file (the "Playing:" line) timed the same way.
// The player window is the program's own (Go clicked, the clips picked); no video output.
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
#include <QEventLoop>
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
    while (server.sampleCount() < end + SoundServer::rate() / 2 && !deadline.hasExpired())
        settle(50); // what the server still held comes out within its latency
    Round r;
    r.change = SoundServer::listenToChange(server.samples().mid(from), LowHz, HighHz);
    if (switchAt >= 0 && r.change.highFrom >= 0)
        r.switchMs = double(switchAt - from - r.change.highFrom) * 1000 / SoundServer::rate();
    return r;
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
    figure("clip change: tones cut short by", median(ourShort), median(mpvShort), "ms", "-",
           "mpv program, gapless");
    figure("clip change: title after the next clip's first sound", median(ourSwitch), median(mpvSwitch), "ms",
           "-", "mpv program's file change");
    std::fflush(stdout);
    return 0;
}
