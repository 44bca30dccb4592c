#include "OtherUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace OtherUser {

namespace {

// True when others may enter every folder from the root down to `dir`.
bool enterable(const QString& dir, QString* blocking)
{
    QString path = QFileInfo(dir).canonicalFilePath();
    while (!path.isEmpty()) {
        struct stat st = {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !(st.st_mode & S_IXOTH)) {
            *blocking = path;
            return false;
        }
        if (path == QLatin1String("/"))
            break;
        path = QFileInfo(path).path();
    }
    return true;
}

} // namespace

QStringList wrapper()
{
    if (::geteuid() != 0)
        return {};
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups")};
}

QString reachableCopy(const QString& program, QString* why)
{
    // Removed when the process ends; the copies run until then.
    static QTemporaryDir place;
    static QHash<QString, QString> copies;
    if (const auto it = copies.constFind(program); it != copies.cend())
        return *it;
    QString blocking;
    if (!enterable(QDir::tempPath(), &blocking)) {
        *why = QStringLiteral("other users cannot enter %1, where the program would be copied for them")
                   .arg(blocking);
        return {};
    }
    const QFileDevice::Permissions everyoneEnters = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                    QFile::ExeOther;
    QFile::setPermissions(place.path(), everyoneEnters);
    const QFileInfo source(program);
    const QDir to(place.filePath(QString::number(copies.size())));
    to.mkpath(QStringLiteral("."));
    QFile::setPermissions(to.path(), everyoneEnters);
    const QStringList files{source.fileName(), QStringLiteral("libvidmarro-engine.so"),
                            QStringLiteral("vidmarro-engine.libs")};
    for (const QString& name : files) {
        const QString from = source.dir().filePath(name);
        if (name != source.fileName() && !QFile::exists(from))
            continue;
        if (!QFile::copy(from, to.filePath(name))) {
            *why = QStringLiteral("cannot copy %1 to %2").arg(from, to.path());
            return {};
        }
    }
    const QString copy = to.filePath(source.fileName());
    copies.insert(program, copy);
    return copy;
}

} // namespace OtherUser
