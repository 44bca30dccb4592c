#include "common/JustOne.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {
constexpr char RaiseRequest[] = "raise\n";
}

TXJustOne::TXJustOne(QObject* owner) : QObject(owner) {}

TXJustOne::~TXJustOne()
{
    delete m_server;
    delete m_lock; // releases the lock
}

QString TXJustOne::lockPath(const QString& name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).filePath(name + QStringLiteral(".lock"));
}

QString TXJustOne::serverName(const QString& name)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).filePath(name + QStringLiteral(".sock"));
}

bool TXJustOne::check(const QString& name)
{
    m_held = false;
    delete m_lock;
    m_lock = new QLockFile(lockPath(name));
    m_lock->setStaleLockTime(0); // a crashed copy's lock is taken over at once
    const bool first = m_lock->tryLock(0);
    if (!first) {
        if (AlreadyExist)
            AlreadyExist(this);
        if (SwitchToPrevious) {
            QLocalSocket socket;
            socket.connectToServer(serverName(name));
            if (socket.waitForConnected(1000)) {
                socket.write(RaiseRequest);
                socket.waitForBytesWritten(1000);
                socket.disconnectFromServer();
            }
        }
    } else {
        // We hold the lock, so a socket left behind by a crashed copy can go.
        QLocalServer::removeServer(serverName(name));
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
        m_server->listen(serverName(name));
    }
    m_held = true;
    return first;
}
