#pragma once

#include <QObject>
#include <functional>

class QLockFile;
class QLocalServer;

// Keeps a second copy of the program from running. The first copy holds a lock named after the
// application title and listens on a local socket of the same name; a second copy finds the lock,
// asks the first to come to the front, and is told to end.
class TXJustOne : public QObject
{
    Q_OBJECT
public:
    explicit TXJustOne(QObject* owner = nullptr);
    ~TXJustOne() override;

    bool SwitchToPrevious = true;
    // Called when another copy is found, before anything else is done.
    std::function<void(TXJustOne* sender)> AlreadyExist;

    // Runs the check under `name` (the application title). Returns true when this is the only copy;
    // false when another copy runs, which has then been asked to come forward if SwitchToPrevious.
    bool check(const QString& name);
    bool handleHeld() const { return m_held; }

    // Where the lock and the socket live: per user, in the runtime folder. The socket's name also
    // carries the user, so that a shared folder can never put two users' copies in touch.
    static QString lockPath(const QString& name);
    static QString serverName(const QString& name);

Q_SIGNALS:
    // A second copy asked this one to come to the front.
    void activateRequested();

private:
    void askToComeForward(const QString& server);

    QLockFile* m_lock = nullptr;
    QLocalServer* m_server = nullptr;
    bool m_held = false;
};
