#include "SoundServer.h"

#include "Processes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const char* const sinkName = "vidmarro_test";

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
    stopProcess(m_recorder);
    stopProcess(m_server);
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
    stopProcess(m_recorder);
    m_server.kill();
    m_server.waitForFinished(5000);
}

bool SoundServer::startRecording()
{
    stopProcess(m_recorder);
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
                            QStringLiteral("--rate=%1").arg(rate()), QStringLiteral("--channels=1"),
                            QStringLiteral("--latency-msec=20")}));
    // The null sink plays silence while idle, so samples come at once.
    const QDeadlineTimer deadline(20000);
    while (m_recorder.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        if (QFileInfo(m_recording).size() > 0)
            return true;
        m_recorder.waitForFinished(20);
    }
    return false;
}

qsizetype SoundServer::sampleCount() const
{
    return QFileInfo(m_recording).size() / 2;
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
