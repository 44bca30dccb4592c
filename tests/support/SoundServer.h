#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <mutex>
#include <thread>

// A private PulseAudio server with a null sink, for tests that must hear what the user hears: its
// sink's monitor is recorded with parec. The recorder asks for no latency of its own, so the sink
// keeps the latency its players leave it, as a desktop's sound card does (a low one would hide
// the time an output takes to play out before the next clip's sound). It lives in a runtime folder of its
// own, so the user's own sound server is never reached; the server and the recorder die with the test process
// (PR_SET_PDEATHSIG), however that ends.
class SoundServer
{
public:
    SoundServer();
    ~SoundServer();

    // Starts the server; false (with the reason in `why`) when it cannot.
    bool start(QString* why);
    // Points this process at the server, as a desktop session would: XDG_RUNTIME_DIR and no
    // other server, and no client that starts a server of its own.
    void useInThisProcess() const;
    // Kills the server at once, leaving its socket behind as a crashed server does.
    void crash();
    QString runtimeDir() const { return m_dir.path(); }

    // Records the sink's monitor from now on, mono 16 bit at rate(); true once the first
    // samples have come.
    bool startRecording();
    // The samples recorded so far.
    QList<qint16> samples() const;
    // Where in the recording the sound being played now is. The sink hands its monitor blocks of
    // up to its latency as it mixes them, each as it starts to play, on its own clock: so this
    // counts by the clock from the recent block seen earliest against its place in the recording.
    qsizetype sampleCount() const;
    // How many samples the recording holds so far: up to the sink's latency ahead of sampleCount.
    qsizetype recordedCount() const;
    static constexpr int rate() { return 48000; }

    // Two tones of distinct pitch played one after the other: the longest silence between the
    // first sound and the last (5 ms windows above `floor`), how long each was heard (told apart by
    // pitch in 10 ms windows), and where the second was first heard (to its period); from the
    // first sound to the last, to the sample; and any click between them.
    struct Change
    {
        double silenceMs = 0;
        double soundSeconds = 0;
        double lowSeconds = 0;
        double highSeconds = 0;
        qsizetype highFrom = -1;
        // The steepest step from one sample to the next, against the steepest a sine of the higher
        // pitch at the loudest sample's level takes: well above 1 is a click.
        double steepness = 0;
    };
    static Change listenToChange(const QList<qint16>& s, double lowHz, double highHz, double floor = 300);

private:
    void stopRecording();

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_recorder;
    QString m_recording;
    // When (ns on m_clock) the recording's first sample played: a block seen late only says later.
    QElapsedTimer m_clock;
    mutable std::mutex m_lock;
    qint64 m_origin = -1;
    std::thread m_watch;
    std::atomic_bool m_watching{false};
};
