// The single-instance guard, in-process and with two real copies of the program.
#include "common/JustOne.h"
#include "support/Processes.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <QDeadlineTimer>
#include <QDir>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class TestJustOne : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void secondCopyEndsAndRaisesTheFirst()
    {
        TXJustOne first;
        QSignalSpy raised(&first, &TXJustOne::activateRequested);
        QVERIFY(!first.handleHeld());
        QVERIFY(first.check(QStringLiteral("Guarded")));
        QVERIFY(first.handleHeld());
        // Checking again keeps one lock and one listener, and still hears a second copy once.
        QVERIFY(first.check(QStringLiteral("Guarded")));
        QVERIFY(first.handleHeld());
        QCOMPARE(first.findChildren<QLocalServer*>().size(), 1);

        TXJustOne second;
        int told = 0;
        second.AlreadyExist = [&](TXJustOne* sender) {
            QCOMPARE(sender, &second);
            QCOMPARE(raised.count(), 0); // before anything else is done
            ++told;
        };
        // The launcher's tokens go along: the first copy may only come forward with them.
        const LaunchToken token{QStringLiteral("wl-7f3a"), QStringLiteral("kde;host;4711_TIME123")};
        QVERIFY(!second.check(QStringLiteral("Guarded"), {}, token));
        QVERIFY(!second.handleHeld());
        QCOMPARE(told, 1);
        QTRY_COMPARE(raised.count(), 1);
        QTest::qWait(50);
        QCOMPARE(raised.count(), 1);
        const auto got = raised.first().first().value<LaunchToken>();
        QCOMPARE(got.activation, token.activation);
        QCOMPARE(got.startupId, token.startupId);

        // A copy of an earlier version sends no token, and one yet to come may say more: both are heard.
        QLocalSocket old;
        old.connectToServer(TXJustOne::serverName(QStringLiteral("Guarded")));
        QVERIFY(old.waitForConnected(5000));
        old.write("colour blue\nraise\n");
        QTRY_COMPARE(raised.count(), 2);
        QVERIFY(raised.last().first().value<LaunchToken>().isEmpty());
    }

    // A copy killed outright leaves its socket behind. The next copy must take its place, so that
    // a start after it raises it and hands it files.
    void crashedCopysSocketIsTakenOver()
    {
        const QString name = QStringLiteral("Vidmarro");
        QTemporaryDir dir; // the program keeps its settings beside itself
        const QString exe = dir.filePath(QStringLiteral("vidmarro"));
        QVERIFY(QFile::copy(QStringLiteral(VIDMARRO_EXE), exe));
        QProcess crashed;
        crashed.setProcessEnvironment(programEnvironment());
        endWithTest(crashed);
        crashed.start(exe, {});
        QVERIFY(crashed.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(TXJustOne::serverName(name)), 20000);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(20000));
        QVERIFY(QFile::exists(TXJustOne::serverName(name)));

        TXJustOne first;
        QSignalSpy raised(&first, &TXJustOne::activateRequested);
        QSignalSpy received(&first, &TXJustOne::filesReceived);
        QVERIFY(first.check(name));
        // The second copy waits for an answer, so it runs beside this loop.
        std::atomic<int> handedOver{-1};
        std::thread second([&] {
            TXJustOne copy;
            copy.check(name, {QStringLiteral("/clips/a b.mp3"), QStringLiteral("/clips/é\n.asx")});
            handedOver = copy.filesHandedOver() ? 1 : 0;
        });
        // Not QTRY: a failed wait would leave the thread running into std::terminate, and the copy
        // gives up by itself after a few seconds anyway.
        while (handedOver < 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        second.join();
        QCOMPARE(handedOver.load(), 1);
        QCOMPARE(raised.count(), 1);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(),
                 QStringList({QStringLiteral("/clips/a b.mp3"), QStringLiteral("/clips/é\n.asx")}));
    }

    // Other processes of ours can flood the running copy; what that costs is bounded, and it keeps
    // listening even after it ran out of file descriptors.
    void floodsAreBoundedAndListeningGoesOn()
    {
        const QString name = QStringLiteral("Flooded");
        TXJustOne first;
        QSignalSpy raised(&first, &TXJustOne::activateRequested);
        QVERIFY(first.check(name));

        // One connection asking for many raises brings the window forward once, not many times.
        QLocalSocket storm;
        storm.connectToServer(TXJustOne::serverName(name));
        QVERIFY(storm.waitForConnected(5000));
        storm.write(QByteArray("raise\n").repeated(20000));
        QTRY_COMPARE(raised.count(), 1);
        QTest::qWait(700);
        QCOMPARE(raised.count(), 1);

        // A line longer than any request ends its connection instead of filling memory.
        QLocalSocket endless;
        endless.connectToServer(TXJustOne::serverName(name));
        QVERIFY(endless.waitForConnected(5000));
        endless.write(QByteArray(4 << 20, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(endless.state(), QLocalSocket::UnconnectedState, 10000);

        // Descriptors run out while connections pour in; once they are free again a start is heard.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        const auto open =
            rlim_t(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
        rlimit tight = saved;
        tight.rlim_cur = open + 12;
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
        std::vector<std::unique_ptr<QLocalSocket>> flood;
        for (int i = 0; i < 40; ++i) { // they wait to be accepted until every descriptor is taken
            flood.push_back(std::make_unique<QLocalSocket>());
            flood.back()->connectToServer(TXJustOne::serverName(name));
        }
        QTest::qWait(200);
        flood.clear();
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
        const QDeadlineTimer until(15000);
        bool heard = false;
        while (!heard && !until.hasExpired())
            heard = handOver(name, {QStringLiteral("/clips/after.mp3")});
        QVERIFY(heard);
    }

    // The running copy's socket lost under it, each way alone: the copy listens again by itself,
    // and a second start after that hands it its files.
    void lostSocketIsMended_data()
    {
        QTest::addColumn<bool>("fileRemoved");
        QTest::newRow("socket file removed while listening") << true;
        QTest::newRow("listener stopped, file still there") << false;
    }
    void lostSocketIsMended()
    {
        QFETCH(bool, fileRemoved);
        const QString name = QStringLiteral("Mended");
        TXJustOne first;
        QSignalSpy received(&first, &TXJustOne::filesReceived);
        QVERIFY(first.check(name));
        const QString path = TXJustOne::serverName(name);
        int squatter = -1;
        if (fileRemoved) {
            QVERIFY(QFile::remove(path));
        } else {
            first.findChild<QLocalServer*>()->close();
            // A socket file that nobody listens on.
            squatter = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            qstrncpy(addr.sun_path, QFile::encodeName(path).constData(), sizeof addr.sun_path);
            QCOMPARE(::bind(squatter, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        }
        const QDeadlineTimer until(20000);
        bool heard = false;
        while (!heard && !until.hasExpired())
            heard = handOver(name, {QStringLiteral("/clips/mended.mp3")});
        if (squatter >= 0)
            ::close(squatter);
        QVERIFY(heard);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(), QStringList{QStringLiteral("/clips/mended.mp3")});
    }

    // A start while the running copy is on its way out: the lock is still held and the socket does
    // not answer; then the copy ends (its parent has not reaped it yet). The start waits for the
    // lock, becomes the running copy with its own files (the ending copy took none), and hears the
    // next start.
    void startWhileTheRunningCopyEndsTakesItsPlace()
    {
        const QString name = QStringLiteral("Vidmarro");
        QTemporaryDir dir;
        const QString exe = dir.filePath(QStringLiteral("vidmarro"));
        QVERIFY(QFile::copy(QStringLiteral(VIDMARRO_EXE), exe));
        QStringList envList = programEnvironment().toStringList();
        std::vector<QByteArray> envBytes;
        std::vector<char*> envp;
        for (const QString& e : envList)
            envBytes.push_back(e.toLocal8Bit());
        for (QByteArray& e : envBytes)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        QByteArray exeBytes = QFile::encodeName(exe);
        char* argv[] = {exeBytes.data(), nullptr};
        // Not a QProcess: nothing may reap it before the start below has looked.
        pid_t ending = 0;
        QCOMPARE(::posix_spawn(&ending, exeBytes.constData(), nullptr, nullptr, argv, envp.data()), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(TXJustOne::serverName(name)), 20000);
        ::kill(ending, SIGSTOP); // from here it answers nothing

        const QStringList files{QStringLiteral("/clips/late.mp3")};
        std::atomic<int> result{-1};
        std::unique_ptr<TXJustOne> copy;
        QThread* here = QThread::currentThread();
        std::thread second([&] {
            copy = std::make_unique<TXJustOne>();
            const bool runs = copy->check(name, files);
            result = runs && !copy->filesHandedOver() ? 1 : 0;
            copy->moveToThread(here);
        });
        QThread::msleep(1500);
        ::kill(ending, SIGTERM);
        ::kill(ending, SIGCONT);
        second.join();
        QCOMPARE(result.load(), 1);
        QVERIFY(copy->handleHeld());
        QSignalSpy received(copy.get(), &TXJustOne::filesReceived);
        QVERIFY(handOver(name, {QStringLiteral("/clips/next.mp3")}));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(), QStringList{QStringLiteral("/clips/next.mp3")});
        int status = 0;
        QCOMPARE(::waitpid(ending, &status, 0), ending);
        QVERIFY(WIFSIGNALED(status));
    }

    void withoutSwitchingTheFirstIsLeftAlone()
    {
        TXJustOne first;
        QSignalSpy raised(&first, &TXJustOne::activateRequested);
        QVERIFY(first.check(QStringLiteral("Quiet")));
        TXJustOne second;
        second.SwitchToPrevious = false;
        QVERIFY(!second.check(QStringLiteral("Quiet")));
        // A third copy that does switch is heard; had the second spoken, it would be heard first.
        TXJustOne third;
        QVERIFY(!third.check(QStringLiteral("Quiet")));
        QTRY_COMPARE(raised.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(raised.count(), 1);
    }

    void otherTitlesAndLaterCopiesRunNormally()
    {
        auto first = std::make_unique<TXJustOne>();
        QVERIFY(first->check(QStringLiteral("One")));
        TXJustOne other;
        QVERIFY(other.check(QStringLiteral("Another")));
        first.reset();
        TXJustOne later;
        QVERIFY(later.check(QStringLiteral("One")));
    }

    void twoRealCopies()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath(QStringLiteral("vidmarro"));
        QVERIFY(QFile::copy(QStringLiteral(VIDMARRO_EXE), exe));
        const QProcessEnvironment env = programEnvironment();

        QProcess first;
        first.setProcessEnvironment(env);
        endWithTest(first);
        first.start(exe, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(TXJustOne::serverName(QStringLiteral("Vidmarro"))), 20000);

        QProcess second;
        second.setProcessEnvironment(env);
        endWithTest(second);
        second.start(exe, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(20000));
    }

private:
    // A second start handing over files, beside this loop (it waits for the answer).
    static bool handOver(const QString& name, const QStringList& files)
    {
        std::atomic<int> taken{-1};
        std::thread second([&] {
            TXJustOne copy;
            copy.check(name, files);
            taken = copy.filesHandedOver() ? 1 : 0;
        });
        while (taken < 0) // the copy gives up by itself after a few seconds
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        second.join();
        return taken == 1;
    }

    QProcessEnvironment programEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        return env;
    }

    QTemporaryDir m_runtime;
};

QTEST_MAIN(TestJustOne)
#include "tst_justone.moc"
