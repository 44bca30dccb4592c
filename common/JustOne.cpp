#include "common/JustOne.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
constexpr char RaiseRequest[] = "raise\n";

QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::geteuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// The runtime folder is ours alone (Qt checks its owner and mode). When it cannot be had, as when
// another user holds the folder the fallback would use, the per-user cache folder in the home folder
// stands in, never the current folder.
QString guardFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (!dir.isEmpty())
            QDir().mkpath(dir);
    }
    return dir.isEmpty() ? QDir::homePath() : dir;
}

bool ownedByUs(const QString& path)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    return info.exists() && info.ownerId() == ::geteuid();
#else
    Q_UNUSED(path);
    return true;
#endif
}
} // namespace

TXJustOne::TXJustOne(QObject* owner) : QObject(owner) {}

TXJustOne::~TXJustOne()
{
    delete m_server;
    delete m_lock; // releases the lock
}

QString TXJustOne::lockPath(const QString& name)
{
    return QDir(guardFolder()).filePath(name + QStringLiteral(".lock"));
}

QString TXJustOne::serverName(const QString& name)
{
    return QDir(guardFolder()).filePath(name + QLatin1Char('-') + userTag() + QStringLiteral(".sock"));
}

bool TXJustOne::check(const QString& name)
{
    m_held = false;
    delete m_lock;
    // Each lookup of the folder checks it on disk, so the names are worked out once.
    const QString lock = lockPath(name);
    const QString server = serverName(name);
    m_lock = new QLockFile(lock);
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale, however old it is
    bool first = m_lock->tryLock(0);
    if (!first && QFileInfo::exists(lock) && !ownedByUs(lock)) {
        // Every copy of ours runs as us, so a lock of another user in our own folder is a leftover
        // that Qt cannot open to check; it must not keep us from starting.
        QFile::remove(lock);
        first = m_lock->tryLock(0);
    }
    if (!first) {
        if (AlreadyExist)
            AlreadyExist(this);
        if (SwitchToPrevious)
            askToComeForward(server);
    } else {
        // We hold the lock, so a socket left behind by a crashed copy can go.
        QLocalServer::removeServer(server);
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = m_server->nextPendingConnection()) {
                connect(s, &QLocalSocket::readyRead, this, [this, s] {
                    if (s->readAll().contains("raise"))
                        Q_EMIT activateRequested();
                });
                connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        m_server->listen(server);
    }
    m_held = true;
    return first;
}

void TXJustOne::askToComeForward(const QString& server)
{
    // A copy that has just taken the lock may not be listening yet; give it a moment.
    const QDeadlineTimer deadline(1000);
    while (true) {
        // Only a socket of our own user is spoken to.
        if (ownedByUs(server)) {
            QLocalSocket socket;
            socket.connectToServer(server);
            if (socket.waitForConnected(500)) {
                socket.write(RaiseRequest);
                socket.waitForBytesWritten(1000);
                socket.disconnectFromServer();
                return;
            }
        }
        if (deadline.hasExpired())
            return;
        QThread::msleep(20);
    }
}
