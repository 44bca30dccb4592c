#pragma once

#include "common/LaunchToken.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <functional>

class QLockFile;
class QLocalServer;
class QLocalSocket;
class QTimer;

// Keeps a second copy of the program from running. The first copy holds a lock named after the
// application title and listens on a local socket of the same name; a second copy finds the lock,
// asks the first to come to the front, hands it the files it was started with, and is told to end.
class TXJustOne : public QObject
{
    Q_OBJECT
public:
    explicit TXJustOne(QObject* owner = nullptr);
    ~TXJustOne() override;

    bool SwitchToPrevious = true;
    // Called when another copy is found, before anything else is done.
    std::function<void(TXJustOne* sender)> AlreadyExist;

    // Runs the check under `name` (the application title). Returns true when this is the only copy,
    // also when the copy that held the lock did not answer and ended within a few seconds; false
    // when another copy runs, which has then been asked to come forward if SwitchToPrevious (with
    // `token`, this start's leave to do so) and given `files` (absolute paths).
    bool check(const QString& name, const QStringList& files = {}, const LaunchToken& token = {});
    // True while this copy holds the lock, that is, it is the one running copy.
    bool handleHeld() const;
    // After a check that found another copy: it acknowledged the files it was given.
    bool filesHandedOver() const { return m_handedOver; }

    // Where the lock and the socket live: per user, in the runtime folder. The socket's name also
    // carries the user, so that a shared folder can never put two users' copies in touch.
    static QString lockPath(const QString& name);
    static QString serverName(const QString& name);

Q_SIGNALS:
    // A second copy asked this one to come to the front, with the token its launcher gave it.
    void activateRequested(const LaunchToken& token);
    // A second copy handed over the files it was started with; they are this copy's to open now.
    void filesReceived(const QStringList& files);

private:
    // True when the running copy answered (and so took the files).
    bool askToComeForward(const QString& server, const QStringList& files, const LaunchToken& token);
    void listen(const QString& server);
    void serve(QLocalSocket* socket);
    void raise(const LaunchToken& token);

    QLockFile* m_lock = nullptr;
    QLocalServer* m_server = nullptr;
    QString m_serverName;
    QTimer* m_watch = nullptr;
    int m_connections = 0;
    QTimer* m_raiseTimer = nullptr;
    LaunchToken m_pendingRaise;
    QElapsedTimer m_lastRaise;
    bool m_handedOver = false;
};
