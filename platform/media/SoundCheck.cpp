#include "platform/media/SoundCheck.h"

#include "platform/media/MpvOptions.h"

#include <QDir>
#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace SoundCheck {
namespace {

// A sound server listens on a local socket; a connect to a stale one is refused at once.
bool listening(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.isEmpty() || size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, name.constData(), sizeof(address.sun_path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return ok;
}

QString runtimeDir()
{
    const QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return dir.isEmpty() ? QStringLiteral("/run/user/%1").arg(::getuid()) : dir;
}

bool pulse()
{
    const QString servers = qEnvironmentVariable("PULSE_SERVER");
    if (servers.isEmpty())
        return listening(runtimeDir() + QStringLiteral("/pulse/native"));
    // A list of servers, tried in turn; one on the network is taken as reachable.
    for (QString server : servers.split(u' ', Qt::SkipEmptyParts)) {
        if (server.startsWith(u'{'))
            server = server.mid(server.indexOf(u'}') + 1);
        if (server.startsWith(QLatin1String("unix:")))
            server.remove(0, 5);
        else if (!server.startsWith(u'/'))
            return true;
        if (listening(server))
            return true;
    }
    return false;
}

bool pipewire()
{
    const QString remote = qEnvironmentVariable("PIPEWIRE_REMOTE", QStringLiteral("pipewire-0"));
    return listening(remote.startsWith(u'/') ? remote : runtimeDir() + u'/' + remote);
}

bool alsa()
{
    const QDir snd(QStringLiteral("/dev/snd"));
    for (const QString& name : snd.entryList({QStringLiteral("pcmC*p")}, QDir::System))
        if (::access(QFile::encodeName(snd.filePath(name)).constData(), W_OK) == 0)
            return true;
    return false;
}

} // namespace

bool outputAvailable(const QStringList& options)
{
    // The engine's list of outputs, tried in turn; empty means its own order.
    QStringList outputs = optionValue(options, QStringLiteral("ao")).split(u',', Qt::SkipEmptyParts);
    if (outputs.isEmpty())
        outputs = {QStringLiteral("pipewire"), QStringLiteral("pulse"), QStringLiteral("alsa")};
    for (const QString& output : std::as_const(outputs)) {
        const QString name = output.section(u':', 0, 0);
        if (name == QLatin1String("null"))
            continue;
        if (name == QLatin1String("pulse")      ? pulse()
            : name == QLatin1String("pipewire") ? pipewire()
            : name == QLatin1String("alsa")     ? alsa()
                                                : true) // a file (pcm) or an output this check does not know
            return true;
    }
    return false;
}

} // namespace SoundCheck
