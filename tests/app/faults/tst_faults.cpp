// Saving a playlist or the settings under real faults, counted: every I/O call failed in turn
// (libfiu), a full disk (a small tmpfs in a private mount namespace), a file size limit, another
// user's file modes, and kill -9 in the middle of a save. For each, the old file must survive
// whole or the new one be complete, nothing may be left behind, and every failure must reach the
// user. The operations run in fault_driver and save_loop, programs of ours built on the real code.
#include "FaultOps.h"
#include "SaveLoop.h"

#include "support/OtherUser.h"

#include "common/IniFile.h"
#include "common/SafeFile.h"
#include "playlist/CCFuncs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace FaultOps;

namespace {

struct Child
{
    bool ran = false;
    int exitCode = -1;
    QList<QPair<QString, QString>> values;
    QString value(const char* key) const
    {
        for (const auto& [k, v] : values) {
            if (k == QLatin1String(key))
                return v;
        }
        return {};
    }
    QStringList all(const char* key) const
    {
        QStringList out;
        for (const auto& [k, v] : values) {
            if (k == QLatin1String(key))
                out << v;
        }
        return out;
    }
};

void parse(const QByteArray& text, Child& c)
{
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            c.values.append(
                {QString::fromLocal8Bit(line.left(eq)), QString::fromLocal8Bit(line.mid(eq + 1))});
    }
}

Child runDriver(const QStringList& wrapper, const QStringList& args, int timeoutMs = 120000)
{
    Child c;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QString driver = QStringLiteral(FAULT_DRIVER);
    if (wrapper == OtherUser::wrapper() && !wrapper.isEmpty()) {
        QString why;
        driver = OtherUser::reachableCopy(driver, &why);
        if (driver.isEmpty()) {
            qWarning("%s", qPrintable(why));
            return c;
        }
    }
    QStringList command = wrapper;
    command << driver << args;
    p.start(command.first(), command.mid(1));
    if (!p.waitForStarted() || !p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit)
        return c;
    c.ran = true;
    c.exitCode = p.exitCode();
    parse(p.readAllStandardOutput(), c);
    return c;
}

Tally tallyOf(const Child& c)
{
    Tally t;
    t.trials = c.value("trials").toInt();
    t.reported = c.value("reported").toInt();
    t.succeeded = c.value("succeeded").toInt();
    t.bytesLost = c.value("lost").toLongLong();
    t.leftovers = c.value("leftovers").toInt();
    t.silent = c.value("silent").toInt();
    t.notes = c.all("note");
    return t;
}

const QStringList FiuRun = {QStringLiteral("fiu-run"), QStringLiteral("-x"), QStringLiteral("-f"), QString()};

// File modes bind only an unprivileged user: root runs the driver as nobody, anyone else as is.
QStringList unprivileged()
{
    return OtherUser::wrapper();
}

QStringList privateMounts()
{
    QStringList w = {QStringLiteral("unshare"), QStringLiteral("-m"), QStringLiteral("--propagation"),
                     QStringLiteral("private")};
    if (::geteuid() != 0)
        w.insert(1, QStringLiteral("-r")); // mounting needs root in a user namespace
    return w;
}

bool works(const QStringList& wrapper)
{
    if (!wrapper.isEmpty() && QStandardPaths::findExecutable(wrapper.first()).isEmpty())
        return false;
    const Child c = runDriver(wrapper, {QStringLiteral("noop")});
    return c.ran && c.exitCode == 0;
}

void clearDir(const QString& dir)
{
    for (const QString& e : entries(dir)) {
        const QString p = QDir(dir).filePath(e);
        if (!QFile::remove(p))
            QDir(p).removeRecursively();
    }
}

QStringList extraEntries(const QString& dir, const QString& target)
{
    QStringList extra = entries(dir);
    extra.removeAll(target);
    return extra;
}

// Whether the Nth call (0-based) of a fault-free run's log leaves the operation no honest way to
// succeed: a failed write, rename or truncation, or a sync with written data still to flush.
// A save runs from an open to its rename; writes outside are the event loop's wake-ups.
bool mustFail(const QStringList& log, int n)
{
    const QString name = log.value(n);
    if (name.endsWith(QLatin1String("/reduce")))
        return false;
    const QString open = QStringLiteral("posix/io/oc/open");
    const QString rename = QStringLiteral("posix/io/dir/rename");
    const qsizetype lastOpen = log.lastIndexOf(open, n - 1);
    const qsizetype nextRename = log.indexOf(rename, n);
    if (lastOpen < 0 || nextRename < 0 || log.lastIndexOf(rename, n - 1) > lastOpen)
        return false;
    static const QStringList writes = {"posix/io/rw/write",   "posix/io/rw/pwrite",    "posix/io/rw/writev",
                                       "posix/io/rw/pwritev", "posix/io/rw/ftruncate", "posix/io/rw/truncate",
                                       "posix/io/dir/rename"};
    if (writes.contains(name))
        return true;
    // A sync fails the save only with data written since the file was opened or last synced.
    if (name.startsWith(QLatin1String("posix/io/sync/"))) {
        for (qsizetype i = n - 1; i > lastOpen; --i) {
            if (log[i].startsWith(QLatin1String("posix/io/sync/")))
                return false;
            if (writes.contains(log[i]) && log[i] != rename)
                return true;
        }
    }
    return false;
}

void report(const Tally& t, const QString& what)
{
    qInfo().noquote() << t.line(what);
    for (const QString& n : t.notes)
        qInfo().noquote() << "    " << n;
}

void checkTally(const Tally& t)
{
    QCOMPARE(t.bytesLost, qint64(0));
    QCOMPARE(t.leftovers, 0);
    QCOMPARE(t.silent, 0);
    QCOMPARE(t.reported + t.succeeded, t.trials);
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_base;
    QString m_clips;
    QHash<QString, QByteArray> m_complete;
    QHash<QString, Tally> m_totals;

    QString freshDir(const QString& name)
    {
        const QString d = m_base.filePath(name);
        QDir(d).removeRecursively();
        QDir().mkpath(d);
        return d;
    }

    // The operation's new file, from a run with no fault.
    QByteArray complete(const QString& op)
    {
        if (!m_complete.contains(op)) {
            const QString dir = freshDir(QStringLiteral("complete-") + op);
            make(op)->prepare(dir, m_clips);
            const Child c = runDriver({}, {QStringLiteral("attempt"), op, dir, m_clips});
            if (!c.ran || c.value("reported") != QLatin1String("0"))
                qFatal("%s does not save without a fault: %s", qPrintable(op),
                       qPrintable(c.value("message")));
            m_complete.insert(op, readFile(QDir(dir).filePath(make(op)->target())));
        }
        return m_complete.value(op);
    }

    void addTotal(const QString& kind, const Tally& t) { m_totals[kind].merge(t); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_base.isValid());
        // The unprivileged driver must reach its folders and the clips.
        QVERIFY(QFile::setPermissions(m_base.path(), QFileDevice::Permissions(0x7755)));
        m_clips = freshDir(QStringLiteral("clips"));
        // The main window's single-instance guard keeps its lock here.
        const QString runtime = freshDir(QStringLiteral("runtime"));
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(runtime).constData(), 65534, 65534), 0);
        QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The lists of recent playlists are a help whose failures go unsaid; kept out of reach
        // here, they leave each save's calls its own.
        qputenv("XDG_STATE_HOME", "/dev/null/state");
        qputenv("XDG_DATA_HOME", "/dev/null/data");
    }

    void cleanupTestCase()
    {
        qInfo("Totals by fault:");
        for (auto it = m_totals.cbegin(); it != m_totals.cend(); ++it)
            qInfo().noquote() << it.value().line(it.key());
    }

    void eachOperationSavesWithoutFault_data()
    {
        QTest::addColumn<QString>("op");
        for (const QString& op : names())
            QTest::newRow(qPrintable(op)) << op;
    }
    void eachOperationSavesWithoutFault()
    {
        QFETCH(QString, op);
        const QByteArray bytes = complete(op);
        QVERIFY(!bytes.isEmpty());
        const QString dir = freshDir(QStringLiteral("old-") + op);
        make(op)->prepare(dir, m_clips);
        QVERIFY(readFile(QDir(dir).filePath(make(op)->target())) != bytes); // the save changes the file
    }

    // Fault: libfiu fails the Nth I/O call of the save, for every N the save makes; also where the
    // file system gives no unnamed files, for the saves whose first open asks for one.
    void failEveryCallInTurn_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("named");
        for (const QString& op : names())
            QTest::newRow(qPrintable(op)) << op << false;
        QTest::newRow("playlist, no unnamed files") << QStringLiteral("playlist") << true;
        QTest::newRow("editor, no unnamed files") << QStringLiteral("editor") << true;
    }
    void failEveryCallInTurn()
    {
        QFETCH(QString, op);
        QFETCH(bool, named);
        const QStringList mode = named ? QStringList{QStringLiteral("named")} : QStringList();
        if (!works(FiuRun))
            QSKIP("fiu-run is not installed");
        const QString dir = freshDir(QStringLiteral("fiu-") + op);
        auto operation = make(op);
        const QString path = QDir(dir).filePath(operation->target());
        const QByteArray done = complete(op);
        const QList<QByteArray> partial = operation->partialStates(dir);

        operation->prepare(dir, m_clips);
        const Child dry = runDriver(
            FiuRun, QStringList{QStringLiteral("attempt"), op, dir, m_clips, QStringLiteral("0")} + mode);
        QVERIFY(dry.ran);
        if (dry.exitCode == 77)
            QSKIP("the driver does not see libfiu");
        QCOMPARE(dry.value("reported"), QStringLiteral("0"));
        QCOMPARE(readFile(path), done);
        const QStringList log = dry.value("log").split(u',', Qt::SkipEmptyParts);
        QCOMPARE(dry.value("points").toInt(), log.size());
        QVERIFY(log.contains(QStringLiteral("posix/io/rw/write")));
        QVERIFY(log.contains(QStringLiteral("posix/io/dir/rename")));

        Tally tally;
        for (int n = 1; n <= log.size(); ++n) {
            clearDir(dir);
            operation->prepare(dir, m_clips);
            const QByteArray before = readFile(path);
            const Child c = runDriver(
                FiuRun, QStringList{QStringLiteral("attempt"), op, dir, m_clips, QString::number(n)} + mode);
            QVERIFY(c.ran);
            QCOMPARE(c.value("failed"), log[n - 1]); // the same calls in the same order
            Outcome out;
            out.reported = c.value("reported") == QLatin1String("1");
            out.message = c.value("message");
            tally.add(QStringLiteral("call %1 (%2)").arg(n).arg(log[n - 1]), out, before, readFile(path),
                      done, partial, extraEntries(dir, operation->target()), mustFail(log, n - 1));
        }
        report(tally,
               QStringLiteral("failed I/O call [%1]").arg(QString::fromLatin1(QTest::currentDataTag())));
        addTotal(QStringLiteral("libfiu, each I/O call failed in turn"), tally);
        QCOMPARE(tally.trials, log.size());
        checkTally(tally);
    }

    // The order of a save's calls as libfiu sees them: the data is written, synced, renamed into
    // place, and the folder synced. Failing each call in turn cannot catch a sync that is missing.
    void saveSyncsBeforeAndAfterTheRename_data() { failEveryCallInTurn_data(); }
    void saveSyncsBeforeAndAfterTheRename()
    {
        QFETCH(QString, op);
        QFETCH(bool, named);
        if (!works(FiuRun))
            QSKIP("fiu-run is not installed");
        const QString dir = freshDir(QStringLiteral("order-%1-%2").arg(op).arg(named));
        make(op)->prepare(dir, m_clips);
        QStringList args{QStringLiteral("attempt"), op, dir, m_clips, QStringLiteral("0")};
        if (named)
            args << QStringLiteral("named");
        const Child dry = runDriver(FiuRun, args);
        QVERIFY(dry.ran);
        if (dry.exitCode == 77)
            QSKIP("the driver does not see libfiu");
        const QStringList log = dry.value("log").split(u',', Qt::SkipEmptyParts);
        const QString rename = QStringLiteral("posix/io/dir/rename");
        auto syncIn = [&](qsizetype from, qsizetype to) {
            for (qsizetype i = from + 1; i < to; ++i) {
                if (log[i].startsWith(QLatin1String("posix/io/sync/")))
                    return true;
            }
            return false;
        };
        QVERIFY2(log.contains(rename), qPrintable(log.join(u' ')));
        for (qsizetype r = log.indexOf(rename); r >= 0; r = log.indexOf(rename, r + 1)) {
            const qsizetype written = log.lastIndexOf(QStringLiteral("posix/io/rw/write"), r);
            QVERIFY2(written >= 0, qPrintable(log.join(u' ')));
            QVERIFY2(syncIn(written, r),
                     qPrintable(QStringLiteral("no sync before the rename: ") + log.join(u' ')));
            const qsizetype next = log.indexOf(rename, r + 1);
            QVERIFY2(syncIn(r, next < 0 ? log.size() : next),
                     qPrintable(QStringLiteral("no sync after the rename: ") + log.join(u' ')));
        }
    }

    // Fault: the disk is full (a tmpfs with 0, 1, 2 ... pages free, or no free inode).
    void fullDisk_data() { eachOperationSavesWithoutFault_data(); }
    void fullDisk()
    {
        QFETCH(QString, op);
        if (!works(privateMounts()))
            QSKIP("no private mount namespace here");
        complete(op);
        const QString dir = freshDir(QStringLiteral("disk-") + op);
        const Child c = runDriver(privateMounts(), {QStringLiteral("fulldisk"), op, dir, m_clips});
        QVERIFY(c.ran);
        if (c.exitCode == 77)
            QSKIP("mounting a tmpfs is not allowed here");
        QCOMPARE(c.exitCode, 0);
        const Tally tally = tallyOf(c);
        report(tally, QStringLiteral("full disk [%1]").arg(op));
        addTotal(QStringLiteral("full disk (tmpfs)"), tally);
        QVERIFY(tally.trials >= 4);
        QVERIFY(tally.reported >= 2); // no room at all, no inode
        checkTally(tally);
    }

    // Fault: RLIMIT_FSIZE from 0 bytes to past the new file's size.
    void fileSizeLimit_data() { eachOperationSavesWithoutFault_data(); }
    void fileSizeLimit()
    {
        QFETCH(QString, op);
        const QString dir = freshDir(QStringLiteral("limit-") + op);
        const Child c = runDriver({}, {QStringLiteral("sizelimit"), op, dir, m_clips});
        QVERIFY(c.ran);
        QCOMPARE(c.exitCode, 0);
        const Tally tally = tallyOf(c);
        report(tally, QStringLiteral("file size limit [%1]").arg(op));
        addTotal(QStringLiteral("file size limit"), tally);
        QVERIFY(tally.trials > 20);
        QVERIFY(tally.succeeded > 0 && tally.reported > 0);
        checkTally(tally);
    }

    // Fault: file and folder modes that forbid the save, for a user that root's powers do not cover.
    void permissions_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("mayWrite");
        struct Case
        {
            const char* name;
            int folder, file;
            bool mayWrite;
        };
        const Case cases[] = {
            {"folder read-only", 0555, 0666, false},     {"file read-only", 0755, 0444, false},
            {"file of another user", 0755, 0644, false}, {"file unreadable", 0755, 0222, true},
            {"folder not enterable", 0666, 0666, false}, {"control: all allowed", 0755, 0666, true},
        };
        for (const QString& op : names()) {
            for (const Case& c : cases)
                QTest::newRow(qPrintable(op + QStringLiteral(", ") + QLatin1String(c.name)))
                    << op << c.folder
                    << c.file
                    // Only the plain writer need not read the old file first.
                    << (c.mayWrite && (c.file & 0444 || op == QLatin1String("playlist")));
        }
    }
    void permissions()
    {
        QFETCH(QString, op);
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(bool, mayWrite);
        if (!works(unprivileged()))
            QSKIP("cannot run the driver as an unprivileged user here");
        if (::geteuid() != 0 && QByteArray(QTest::currentDataTag()).contains("another user"))
            QSKIP("only root can give a file to another user");
        const QByteArray done = complete(op);
        auto operation = make(op);
        const QString dir = freshDir(QStringLiteral("perm-") + op);
        const QString path = QDir(dir).filePath(operation->target());
        operation->prepare(dir, m_clips);
        const QByteArray before = readFile(path);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
        // The folder is the driver's own: the program keeps no files in one that others can write.
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(dir).constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(QFile::encodeName(dir).constData(), mode_t(folderMode)), 0);
        const Child c = runDriver(unprivileged(), {QStringLiteral("attempt"), op, dir, m_clips});
        QCOMPARE(::chmod(QFile::encodeName(dir).constData(), 0755), 0);
        QVERIFY(c.ran);
        Outcome out;
        out.reported = c.value("reported") == QLatin1String("1");
        out.message = c.value("message");
        Tally tally;
        tally.add(QString::fromLatin1(QTest::currentDataTag()), out, before, readFile(path), done,
                  operation->partialStates(dir), extraEntries(dir, operation->target()), !mayWrite);
        report(tally, QStringLiteral("permissions [%1]").arg(QString::fromLatin1(QTest::currentDataTag())));
        addTotal(QStringLiteral("permission faults as an unprivileged user"), tally);
        checkTally(tally);
        QCOMPARE(out.reported, !mayWrite);
    }

    // Fault: kill -9 at random moments while the program saves, over and over, two versions in
    // turn. The file must be whole after each kill, one of the versions, and stand alone.
    void killedWhileSaving_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("kills");
        QTest::newRow("playlist") << QStringLiteral("playlist") << 200;
        QTest::newRow("settings") << QStringLiteral("settings") << 100;
    }
    void killedWhileSaving()
    {
        QFETCH(QString, kind);
        QFETCH(int, kills);
        const bool playlist = kind == QLatin1String("playlist");
        auto operation = make(kind);
        const QString dir = freshDir(QStringLiteral("kill-") + kind);
        const QString path = QDir(dir).filePath(operation->target());
        operation->prepare(dir, m_clips);

        // The versions the file may hold: the old one and the two the loop saves.
        QList<QByteArray> versions = {readFile(path)};
        {
            QTemporaryDir scratch;
            const QString copy = scratch.filePath(operation->target());
            for (const bool odd : {false, true}) {
                if (playlist) {
                    CCFuncs::WritePlaylist(loopEntries(odd), copy);
                } else {
                    if (!odd)
                        writeFile(copy, versions.first());
                    IniFile(copy).writeBool(QStringLiteral("Bar"), QStringLiteral("Track"), odd);
                }
                versions << readFile(copy);
            }
        }

        bool seedOk = false;
        quint32 seed = qEnvironmentVariableIntValue("VIDMARRO_FAULT_SEED", &seedOk);
        if (!seedOk)
            seed = std::random_device()();
        qInfo("kill -9 [%s]: seed %u (set VIDMARRO_FAULT_SEED to repeat)", qPrintable(kind), seed);
        std::mt19937 gen(seed);
        std::uniform_int_distribution<int> delayUs(0, 15000);

        const QString temp = SafeFile::tempName(operation->target());
        Tally tally;
        QList<int> held(versions.size(), 0);
        int tempAfterKill = 0;
        for (int k = 0; k < kills; ++k) {
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p.start(QStringLiteral(SAVE_LOOP), {kind, dir});
            QVERIFY(p.waitForStarted());
            QByteArray out;
            while (!out.contains("ready=1") && p.waitForReadyRead(20000))
                out += p.readAllStandardOutput();
            QVERIFY2(out.contains("ready=1"), out.constData());
            // The random point of the kill: a delay drawn from the seeded generator.
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(gen)));
            QCOMPARE(::kill(pid_t(p.processId()), SIGKILL), 0);
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitStatus(), QProcess::CrashExit); // killed while still saving
            ++tally.trials;
            const QByteArray after = readFile(path);
            const qsizetype which = versions.indexOf(after);
            if (which >= 0) {
                ++held[which];
            } else {
                tally.bytesLost += versions.first().size();
                tally.notes
                    << QStringLiteral("kill %1: file left with %2 bytes").arg(k + 1).arg(after.size());
                writeFile(path, versions.first());
            }
            // Killed between naming the new file and putting it in place, a save leaves it under
            // its one hidden name, which the next save clears; nothing else may be there.
            QStringList extra = extraEntries(dir, operation->target());
            tempAfterKill += int(extra.removeAll(temp));
            if (!extra.isEmpty()) {
                tally.leftovers += int(extra.size());
                tally.notes << QStringLiteral("kill %1: left behind %2").arg(k + 1).arg(extra.join(u','));
                for (const QString& e : std::as_const(extra))
                    QFile::remove(QDir(dir).filePath(e));
            }
        }
        // One more save, not killed.
        if (playlist)
            CCFuncs::WritePlaylist(loopEntries(false), path);
        else
            IniFile(path).writeBool(QStringLiteral("Bar"), QStringLiteral("Track"), false);
        tally.leftovers += int(extraEntries(dir, operation->target()).size());
        qInfo("kill -9 [%s]: %d kills, file held the old version %d times, the two saved ones %d and %d "
              "times, %lld bytes lost; the hidden new file stood alone after %d kills, %d files left "
              "after the next save",
              qPrintable(kind), kills, held[0], held[1], held[2], tally.bytesLost, tempAfterKill,
              tally.leftovers);
        for (const QString& n : std::as_const(tally.notes))
            qInfo().noquote() << "    " << n;
        QCOMPARE(tally.bytesLost, qint64(0));
        QCOMPARE(tally.leftovers, 0);
        QCOMPARE(held[0] + held[1] + held[2], kills);
        QVERIFY(held[1] + held[2] > 0); // the kills did land after saves
    }
};

QTEST_GUILESS_MAIN(TestFaults)

#include "tst_faults.moc"
