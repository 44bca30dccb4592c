#include "SoundServer.h"

#include "Processes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const char* const sinkName = "vidmarro_test";
// The clock is read from the earliest of the last blocks: the sink's own clock moves when it
// rewinds for a new stream, and a block noticed late only says later.
constexpr int RecentBlocks = 4;

bool accepts(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, name.constData(), sizeof(address.sun_path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool ok =
        fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// The tool dies with this process: setpriv sets the parent-death signal and execs it.
QStringList dyingWithUs(const QString& tool, const QStringList& args)
{
    return QStringList{QStringLiteral("--pdeathsig"), QStringLiteral("KILL"), tool} + args;
}

} // namespace

SoundServer::SoundServer() = default;

SoundServer::~SoundServer()
{
    stopRecording();
    stopProcess(m_server);
}

void SoundServer::stopRecording()
{
    m_watching = false;
    if (m_watch.joinable())
        m_watch.join();
    stopProcess(m_recorder);
}

bool SoundServer::start(QString* why)
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (setpriv.isEmpty() || pulseaudio.isEmpty()) {
        *why = QStringLiteral("pulseaudio or setpriv is not installed");
        return false;
    }
    const QDir dir(m_dir.path());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    dir.mkpath(QStringLiteral("pulse"));
    dir.mkpath(QStringLiteral("home"));
    QFile conf(dir.filePath(QStringLiteral("client.conf")));
    if (!conf.open(QIODevice::WriteOnly) || conf.write("autospawn = no\n") < 0) {
        *why = QStringLiteral("cannot write ") + conf.fileName();
        return false;
    }
    conf.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("home/.config")));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    const QString socket = dir.filePath(QStringLiteral("pulse/native"));
    // Root may run a user's server: the socket sits in a folder only this user can enter.
    m_server.start(
        setpriv,
        dyingWithUs(
            pulseaudio,
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--use-pid-file=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--realtime=no"),
             QStringLiteral("--high-priority=no"), QStringLiteral("--disallow-exit"),
             QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
             QStringLiteral("module-null-sink sink_name=%1 rate=%2").arg(QLatin1String(sinkName)).arg(rate()),
             QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket}));
    const QDeadlineTimer deadline(20000);
    while (!accepts(socket)) {
        if (m_server.state() == QProcess::NotRunning || deadline.hasExpired()) {
            stopProcess(m_server);
            *why = QStringLiteral("pulseaudio did not start: ") + QString::fromLocal8Bit(m_server.readAll());
            return false;
        }
        m_server.waitForFinished(20);
    }
    return true;
}

void SoundServer::useInThisProcess() const
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    qputenv("PULSE_CLIENTCONFIG",
            QFile::encodeName(QDir(m_dir.path()).filePath(QStringLiteral("client.conf"))));
    qunsetenv("PULSE_SERVER");
    qunsetenv("PULSE_SINK");
    qunsetenv("PIPEWIRE_REMOTE");
}

void SoundServer::crash()
{
    stopRecording();
    m_server.kill();
    m_server.waitForFinished(5000);
}

bool SoundServer::startRecording()
{
    stopRecording();
    const QString parec = QStandardPaths::findExecutable(QStringLiteral("parec"));
    if (parec.isEmpty())
        return false;
    QProcessEnvironment env = m_server.processEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"),
               QStringLiteral("unix:") + QDir(m_dir.path()).filePath(QStringLiteral("pulse/native")));
    m_recorder.setProcessEnvironment(env);
    // Into a file, so that the recording never waits for this process's event loop.
    m_recording = QDir(m_dir.path()).filePath(QStringLiteral("monitor.raw"));
    QFile::remove(m_recording);
    m_recorder.setStandardOutputFile(m_recording);
    m_recorder.start(
        QStringLiteral("setpriv"),
        dyingWithUs(parec, {QStringLiteral("--device=%1.monitor").arg(QLatin1String(sinkName)),
                            QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                            QStringLiteral("--rate=%1").arg(rate()), QStringLiteral("--channels=1")}));
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_origin = -1;
    }
    m_clock.start();
    m_watching = true;
    m_watch = std::thread([this] {
        qsizetype seen = 0;
        QList<qint64> recent; // where the last blocks put the first sample
        while (m_watching) {
            const qsizetype now = QFileInfo(m_recording).size() / 2;
            // The first block holds what the sink had mixed ahead before the recorder came: it
            // comes before it plays, and says nothing of the clock.
            if (now > seen && seen > 0) {
                recent.append(m_clock.nsecsElapsed() - qint64(seen) * 1000000000 / rate());
                if (recent.size() > RecentBlocks)
                    recent.removeFirst();
                const std::lock_guard<std::mutex> hold(m_lock);
                m_origin = *std::min_element(recent.cbegin(), recent.cend());
            }
            seen = qMax(seen, now);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // The null sink plays silence while idle, so samples come at once; the clock is known from the
    // second block on.
    const QDeadlineTimer deadline(20000);
    while (m_recorder.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        if (sampleCount() > 0)
            return true;
        m_recorder.waitForFinished(20);
    }
    return false;
}

qsizetype SoundServer::recordedCount() const
{
    return QFileInfo(m_recording).size() / 2;
}

qsizetype SoundServer::sampleCount() const
{
    const qint64 now = m_clock.nsecsElapsed();
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_origin < 0 ? 0 : qsizetype((now - m_origin) * rate() / 1000000000);
}

QList<qint16> SoundServer::samples() const
{
    QFile f(m_recording);
    QList<qint16> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray raw = f.readAll();
    out.reserve(raw.size() / 2);
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
        out.append(qFromLittleEndian<qint16>(raw.constData() + i));
    return out;
}

namespace {

double rms(const QList<qint16>& s, qsizetype from, qsizetype to)
{
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

double pitch(const QList<qint16>& s, qsizetype from, qsizetype to)
{
    int ups = 0;
    for (qsizetype i = from + 1; i < to; ++i)
        ups += s[i - 1] < 0 && s[i] >= 0;
    return ups * double(SoundServer::rate()) / double(to - from);
}

} // namespace

SoundServer::Change SoundServer::listenToChange(const QList<qint16>& s, double lowHz, double highHz,
                                                double floor)
{
    const int window = rate() / 200; // 5 ms
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i + window <= s.size(); i += window)
        if (rms(s, i, i + window) > floor) {
            if (first < 0)
                first = i;
            last = i + window;
        }
    Change c;
    if (first < 0)
        return c;
    // To the sample: the first and the last beyond the floor.
    qsizetype from = first, to = last - 1;
    while (from < last && qAbs(int(s[from])) <= floor)
        ++from;
    while (to > from && qAbs(int(s[to])) <= floor)
        --to;
    c.soundSeconds = double(to - from + 1) / rate();
    int quiet = 0;
    for (qsizetype i = first; i < last; i += window) {
        quiet = rms(s, i, i + window) > floor ? 0 : quiet + 1;
        c.silenceMs = qMax(c.silenceMs, quiet * 5.0);
    }
    for (qsizetype i = first; i + 2 * window <= last; i += 2 * window) {
        const double hz = pitch(s, i, i + 2 * window);
        if (hz > (lowHz + highHz) / 2) {
            c.highSeconds += 0.01;
            if (c.highFrom < 0)
                c.highFrom = i;
        } else if (hz > lowHz / 2) {
            c.lowSeconds += 0.01;
        }
    }
    // To the period: the first of three upward zero crossings in a row at the higher pitch.
    const double split = rate() * (1 / lowHz + 1 / highHz) / 2;
    QList<qsizetype> ups;
    for (qsizetype i = qMax(first, c.highFrom - 4 * window) + 1; i < qMin(last, c.highFrom + 4 * window); ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            ups.append(i);
    for (qsizetype k = 0; k + 3 < ups.size(); ++k)
        if (ups[k + 1] - ups[k] < split && ups[k + 2] - ups[k + 1] < split &&
            ups[k + 3] - ups[k + 2] < split) {
            c.highFrom = ups[k];
            break;
        }
    // Where they meet is left out: a pitch-keeping filter starts afresh with each clip.
    int peak = 0, step = 0;
    const qsizetype meet = c.highFrom, margin = rate() / 50;
    for (qsizetype i = from + 1; i <= to; ++i) {
        if (meet >= 0 && qAbs(i - meet) < margin)
            continue;
        peak = qMax(peak, qAbs(int(s[i])));
        step = qMax(step, qAbs(s[i] - s[i - 1]));
    }
    c.steepness = step / (2 * M_PI * highHz / rate() * qMax(peak, 1));
    return c;
}
