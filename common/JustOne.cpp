#include "common/JustOne.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <memory>
#include <utility>

#include <unistd.h>

namespace {
// What a second copy says, one line each: its launcher's tokens ("token" and "startup-id", in
// base64, when it has them), "raise", then "open <path in base64>" per file, then "end"; the first
// copy answers "ok" as it takes the files (and takes them only while the second still waits). Lines a copy
// does not know are passed over, so copies of different versions still understand each other.
constexpr char TokenLine[] = "token ";
constexpr char StartupIdLine[] = "startup-id ";
constexpr char RaiseRequest[] = "raise\n";
constexpr char OpenRequest[] = "open ";
constexpr char EndRequest[] = "end\n";
constexpr char Acknowledged[] = "ok\n";

QString userTag()
{
    return QString::number(::geteuid());
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

// A token is short; anything longer is not one.
constexpr int MaxTokenBytes = 4096;
// Bounds on what other processes of ours may cost the running copy.
constexpr int MaxLineBytes = 64 * 1024;
constexpr int MaxConnections = 32;
constexpr int MaxFiles = 100000;
constexpr int ConnectionLifeMs = 30000;
constexpr int RaiseGapMs = 500;
constexpr int ListenCheckMs = 3000;
// How long a start waits for the lock of a copy that is on its way out.
constexpr int TakeOverMs = 5000;

QString lineValue(const QByteArray& line, const char* key)
{
    const QByteArray value = QByteArray::fromBase64(line.mid(int(qstrlen(key))));
    return value.size() <= MaxTokenBytes ? QString::fromUtf8(value) : QString();
}

bool ownedByUs(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.ownerId() == ::geteuid();
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

bool TXJustOne::handleHeld() const
{
    return m_lock && m_lock->isLocked();
}

bool TXJustOne::check(const QString& name, const QStringList& files, const LaunchToken& token)
{
    m_handedOver = false;
    // A repeated check starts afresh: the earlier server and lock go first.
    delete m_server;
    m_server = nullptr;
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
        // No answer while the lock is held: the running copy is on its way out (or stuck). Its lock
        // goes with it, and this start runs in its place, with its own files; none went to the
        // other, which takes files only with an answer.
        if (SwitchToPrevious && !askToComeForward(server, files, token))
            first = m_lock->tryLock(TakeOverMs);
    }
    if (first) {
        // We hold the lock, so a socket left behind by a crashed copy can go.
        QLocalServer::removeServer(server);
        listen(server);
    }
    return first;
}

void TXJustOne::listen(const QString& server)
{
    m_serverName = server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection())
            serve(s);
    });
    m_server->listen(server);
    if (!m_watch) {
        // Qt gives up listening for good when accepting fails (no descriptors left, say), and says
        // nothing; a look now and then brings the socket back.
        m_watch = new QTimer(this);
        m_watch->setInterval(ListenCheckMs);
        connect(m_watch, &QTimer::timeout, this, [this] {
            if (m_server && (!m_server->isListening() || !QFileInfo::exists(m_server->fullServerName()))) {
                m_server->close();
                QLocalServer::removeServer(m_serverName);
                m_server->listen(m_serverName);
            }
        });
        m_watch->start();
    }
}

void TXJustOne::serve(QLocalSocket* s)
{
    // What one connection, and many at once, may cost is bounded: a second start says a few short
    // lines and is done in a moment.
    if (m_connections >= MaxConnections) {
        s->abort();
        delete s;
        return;
    }
    ++m_connections;
    s->setReadBufferSize(MaxLineBytes);
    connect(s, &QObject::destroyed, this, [this] { --m_connections; });
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    QTimer::singleShot(ConnectionLifeMs, s, [s] { s->abort(); });
    auto files = std::make_shared<QStringList>();
    auto token = std::make_shared<LaunchToken>();
    auto raised = std::make_shared<bool>(false);
    connect(s, &QLocalSocket::readyRead, this, [this, s, files, token, raised] {
        while (s->canReadLine()) {
            const QByteArray line = s->readLine().trimmed();
            if (line.startsWith(TokenLine)) {
                token->activation = lineValue(line, TokenLine);
            } else if (line.startsWith(StartupIdLine)) {
                token->startupId = lineValue(line, StartupIdLine);
            } else if (line == "raise") {
                // A token serves one raise, and one connection asks for one.
                if (!std::exchange(*raised, true))
                    raise(std::exchange(*token, {}));
            } else if (line.startsWith(OpenRequest)) {
                if (files->size() >= MaxFiles) {
                    s->abort();
                    return;
                }
                files->append(QString::fromUtf8(QByteArray::fromBase64(line.mid(int(qstrlen(OpenRequest))))));
            } else if (line == "end") {
                // Opening them may run modal windows: not from inside this socket's handler. They
                // are taken, and answered for, in one step at the next turn of the loop; a copy
                // that quits before then neither answers nor takes them, and the second start
                // keeps them.
                QTimer::singleShot(0, s, [this, s, taken = std::exchange(*files, {})] {
                    if (s->state() != QLocalSocket::ConnectedState)
                        return; // the second start gave up waiting and reports them itself
                    s->write(Acknowledged);
                    s->flush();
                    if (!taken.isEmpty())
                        Q_EMIT filesReceived(taken);
                });
            }
        }
        // A line longer than any request fills the buffer: not a copy of ours.
        if (s->bytesAvailable() >= MaxLineBytes)
            s->abort();
    });
}

void TXJustOne::raise(const LaunchToken& token)
{
    // Raises close together become one, so that a flood of requests cannot keep the desktop busy.
    m_pendingRaise = token;
    if (m_raiseTimer && m_raiseTimer->isActive())
        return;
    if (!m_raiseTimer) {
        m_raiseTimer = new QTimer(this);
        m_raiseTimer->setSingleShot(true);
        connect(m_raiseTimer, &QTimer::timeout, this, [this] {
            m_lastRaise.start();
            Q_EMIT activateRequested(std::exchange(m_pendingRaise, {}));
        });
    }
    const qint64 since = m_lastRaise.isValid() ? m_lastRaise.elapsed() : RaiseGapMs;
    m_raiseTimer->start(int(qMax<qint64>(0, RaiseGapMs - since)));
}

bool TXJustOne::askToComeForward(const QString& server, const QStringList& files, const LaunchToken& token)
{
    // A copy that has just taken the lock may not be listening yet; give it a moment.
    const QDeadlineTimer deadline(1000);
    while (true) {
        // Only a socket of our own user is spoken to.
        if (ownedByUs(server)) {
            QLocalSocket socket;
            socket.connectToServer(server);
            if (socket.waitForConnected(500)) {
                QByteArray request;
                if (!token.activation.isEmpty())
                    request += TokenLine + token.activation.toUtf8().toBase64() + '\n';
                if (!token.startupId.isEmpty())
                    request += StartupIdLine + token.startupId.toUtf8().toBase64() + '\n';
                request += RaiseRequest;
                for (const QString& f : files)
                    request += OpenRequest + f.toUtf8().toBase64() + '\n';
                request += EndRequest;
                socket.write(request);
                socket.waitForBytesWritten(1000);
                // The files are ours until the first copy says it has them; without files the
                // answer tells that it still runs. A copy stuck in a long operation gets a few
                // seconds.
                const QDeadlineTimer answer(5000);
                QByteArray reply;
                while (!reply.contains('\n') && socket.waitForReadyRead(int(answer.remainingTime())))
                    reply += socket.readAll();
                const bool answered = reply.startsWith(Acknowledged);
                m_handedOver = answered && !files.isEmpty();
                socket.disconnectFromServer();
                return answered;
            }
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
}
