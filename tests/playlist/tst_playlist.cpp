// The ASX writer and reader against real files, and the sorted mode of the string list they fill.
//
// Faults that need another user or a full disk run in a child copy of this program, started
// through setpriv (file modes bind only an unprivileged user) or unshare (a private 64 KiB tmpfs).

#include "support/OtherUser.h"

#include "common/AppError.h"
#include "common/StringList.h"
#include "playlist/CCFuncs.h"
#include "playlist/Playlists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray crlf = "\r\n";

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

void touch(const QString& path)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
}

QStringList dirEntries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

// The AppError text of body, or a null string when it succeeded.
template <typename F> QString errorOf(F body)
{
    try {
        body();
    } catch (const AppError& e) {
        return e.text();
    }
    return QString();
}

QStringList someClips(int n)
{
    QStringList clips;
    for (int i = 0; i < n; ++i)
        clips << QStringLiteral("/clips/clip %1.mp3").arg(i, 5, 10, QLatin1Char('0'));
    return clips;
}

// ---- child side ---------------------------------------------------------------------------------

void report(const char* key, const QString& value)
{
    QString v = value;
    v.replace(u'\n', QLatin1String("\\n"));
    std::printf("%s=%s\n", key, v.toLocal8Bit().constData());
}

int childRead(const QString& path)
{
    StringList box;
    const QString err =
        errorOf([&] { report("missing", QString::number(CCFuncs::ReadPlaylist(path, box))); });
    report("error", err);
    return 0;
}

int childWrite(const QString& path, int n)
{
    report("error", errorOf([&] { CCFuncs::WritePlaylist(someClips(n), path); }));
    return 0;
}

// Runs inside a private mount namespace: a 64 KiB tmpfs over `dir` is a disk that really fills up.
int childFullDisk(const QString& dir)
{
    if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k") != 0)
        return 77;
    const QString old = dir + QStringLiteral("/old.asx");
    if (!errorOf([&] { CCFuncs::WritePlaylist(someClips(2), old); }).isNull())
        return 3;
    const QByteArray before = readAll(old);

    // Larger than the disk.
    report("bigError", errorOf([&] { CCFuncs::WritePlaylist(someClips(3000), old); }));
    report("bigSame", readAll(old) == before ? QStringLiteral("yes") : QStringLiteral("no"));
    report("bigFiles", dirEntries(dir).join(u','));

    // Small enough to sit in a write buffer until the final flush: the case a buffered save
    // reports as success.
    const int fd =
        ::open(QFile::encodeName(dir + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT, 0644);
    const QByteArray block(4096, 'x');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    ::close(fd);
    report("smallError", errorOf([&] { CCFuncs::WritePlaylist(someClips(40), old); }));
    report("smallSame", readAll(old) == before ? QStringLiteral("yes") : QStringLiteral("no"));
    report("smallFiles", dirEntries(dir).join(u','));
    return 0;
}

// Needs no privilege: a file size limit fails the write as a full disk would.
int childSizeLimit(const QString& dir)
{
    const QString old = dir + QStringLiteral("/old.asx");
    if (!errorOf([&] { CCFuncs::WritePlaylist(someClips(2), old); }).isNull())
        return 3;
    const QByteArray before = readAll(old);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {8192, 8192};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 77;
    // Larger than the limit, smaller than a write buffer.
    report("error", errorOf([&] { CCFuncs::WritePlaylist(someClips(200), old); }));
    report("same", readAll(old) == before ? QStringLiteral("yes") : QStringLiteral("no"));
    report("files", dirEntries(dir).join(u','));
    return 0;
}

int runChild(const QStringList& args)
{
    const QString op = args.value(0);
    if (op == QLatin1String("noop"))
        return 0;
    if (op == QLatin1String("read"))
        return childRead(args.value(1));
    if (op == QLatin1String("write"))
        return childWrite(args.value(1), args.value(2).toInt());
    if (op == QLatin1String("sizelimit"))
        return childSizeLimit(args.value(1));
    if (op == QLatin1String("fulldisk"))
        return childFullDisk(args.value(1));
    return 2;
}

// ---- parent side --------------------------------------------------------------------------------

struct ChildResult
{
    bool ran = false;
    int exitCode = -1;
    QHash<QString, QString> values;
};

ChildResult runAsChild(const QStringList& wrapper, const QStringList& childArgs)
{
    ChildResult r;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QString program = QCoreApplication::applicationFilePath();
    if (wrapper == OtherUser::wrapper() && !wrapper.isEmpty()) {
        QString why;
        program = OtherUser::reachableCopy(program, &why);
        if (program.isEmpty()) {
            qWarning("%s", qPrintable(why));
            return r;
        }
    }
    QStringList command = wrapper;
    command << program << QStringLiteral("--child") << childArgs;
    p.start(command.first(), command.mid(1));
    if (!p.waitForStarted() || !p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.ran = true;
    r.exitCode = p.exitCode();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            r.values.insert(QString::fromLocal8Bit(line.left(eq)), QString::fromLocal8Bit(line.mid(eq + 1)));
    }
    return r;
}

// File modes bind only an unprivileged user: root runs the child as nobody, anyone else as is.
QStringList unprivileged()
{
    return OtherUser::wrapper();
}

bool canRunUnprivileged()
{
    const QStringList wrapper = unprivileged();
    if (!wrapper.isEmpty() && QStandardPaths::findExecutable(wrapper.first()).isEmpty())
        return false;
    const ChildResult r = runAsChild(wrapper, {QStringLiteral("noop")});
    return r.ran && r.exitCode == 0;
}

void setMode(const QString& path, QFileDevice::Permissions mode)
{
    QVERIFY2(QFile::setPermissions(path, mode), qPrintable(path));
}

const auto readAndEnter = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                          QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;

} // namespace

class TestPlaylist : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writerLayout();
    void writerReplacesWholeFile();
    void writerRefusesNamesThatBreakLines_data();
    void writerRefusesNamesThatBreakLines();
    void writerFailureKeepsOldFile();
    void writerFolderNotWritable();
    void writerDiskFull();
    void writerFileSizeLimit();

    void roundTrip();
    void readerLines_data();
    void readerLines();
    void readerValueLength();
    void readerChunkBoundaries();
    void readerBadFiles();
    void readerUnreadableFile();
    void readerEnormousLines();
    void readerNamesNotValidText();

    void formatOf_data();
    void formatOf();
    void otherFormatsRead_data();
    void otherFormatsRead();
    void otherFormatsRefused();
    void otherFormatsWriteBack_data();
    void otherFormatsWriteBack();
    void otherFormatsWriterRefuses();
    void realPlaylistsRead();

    void sortedModeOrder();
    void sortedModeOnOff();
    void sortedAddMatchesStableSort();
    void compareIgnoresCaseOnly();

private:
    QTemporaryDir m_tmp;
};

// ---- writer -------------------------------------------------------------------------------------

void TestPlaylist::writerLayout()
{
    const QString path = m_tmp.filePath(QStringLiteral("layout.asx"));

    CCFuncs::WritePlaylist({}, path);
    const QList<QByteArray> empty = readAll(path).split('\n');
    // Four lines, each ending CR LF, nothing after the last.
    QCOMPARE(empty.size(), 5);
    QCOMPARE(empty.last(), QByteArray());
    QCOMPARE(empty[0], QByteArray("<ASX VERSION=\"3.0\">\r"));
    QVERIFY(empty[1].startsWith("<!--") && empty[1].endsWith("-->\r") && empty[1].contains("Vidmarro"));
    QVERIFY(empty[2].startsWith("<!--") && empty[2].endsWith("-->\r") &&
            empty[2].contains("https://www.vidmarro.com/"));
    QCOMPARE(empty[3], QByteArray("</ASX>\r"));
    const QByteArray head = empty[0] + '\n' + empty[1] + '\n' + empty[2] + '\n';

    // Paths go out unchanged: no escaping, duplicates kept, 8-bit (UTF-8 here) text.
    const QStringList entries = {QStringLiteral("/m/Tom & Jerry <live>.mp3"), QStringLiteral("/m/b.mp3"),
                                 QStringLiteral("/m/b.mp3"), QStringLiteral("/m/Dvořák – Humoreska.ogg"),
                                 QStringLiteral("relative/c.wav")};
    CCFuncs::WritePlaylist(entries, path);
    QByteArray expected = head;
    for (const QString& e : entries)
        expected += " <ENTRY><REF HREF=\"" + e.toUtf8() + "\" /></ENTRY>\r\n";
    expected += "</ASX>\r\n";
    QCOMPARE(readAll(path), expected);
    QCOMPARE(readAll(path).split('\n')[3].size(), 31 + 1 + qsizetype(entries[0].size()));
}

void TestPlaylist::writerReplacesWholeFile()
{
    const QString path = m_tmp.filePath(QStringLiteral("replace.asx"));
    writeAll(path, QByteArray(100000, 'z'));
    CCFuncs::WritePlaylist({QStringLiteral("/a.mp3")}, path);
    QVERIFY(!readAll(path).contains('z'));
    QVERIFY(readAll(path).endsWith("</ASX>\r\n"));
    QCOMPARE(dirEntries(m_tmp.path()).filter(QStringLiteral("replace")), QStringList{"replace.asx"});
}

void TestPlaylist::writerRefusesNamesThatBreakLines_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("shown");
    QTest::newRow("double quote") << QStringLiteral("/m/a\" /></ENTRY><ENTRY><REF HREF=\"/etc/x.mp3")
                                  << QStringLiteral("/m/a\" /></ENTRY><ENTRY><REF HREF=\"/etc/x.mp3");
    QTest::newRow("line feed") << QStringLiteral("/m/a\n <ENTRY><REF HREF=\"/etc/x.mp3")
                               << QStringLiteral("/m/a\\n <ENTRY><REF HREF=\"/etc/x.mp3");
    QTest::newRow("carriage return") << QStringLiteral("/m/b\rc.mp3") << QStringLiteral("/m/b\\rc.mp3");
    QTest::newRow("Ctrl-Z") << QStringLiteral("/m/b\x1a.mp3") << QStringLiteral("/m/b\\x1A.mp3");
    QTest::newRow("NUL") << QString::fromUtf16(u"/m/b\0c.mp3", 10) << QStringLiteral("/m/b\\0c.mp3");
}

void TestPlaylist::writerRefusesNamesThatBreakLines()
{
    QFETCH(QString, clip);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.asx"));
    CCFuncs::WritePlaylist({QStringLiteral("/m/keep.mp3")}, path);
    const QByteArray before = readAll(path);

    const QString err = errorOf([&] { CCFuncs::WritePlaylist({QStringLiteral("/m/ok.mp3"), clip}, path); });
    QVERIFY2(err.contains(QLatin1String("a double quote, a line break or another control character")),
             qPrintable(err));
    QVERIFY2(err.endsWith(shown), qPrintable(err));
    QCOMPARE(readAll(path), before);
    QCOMPARE(dirEntries(dir.path()), QStringList{"list.asx"});
}

void TestPlaylist::writerFailureKeepsOldFile()
{
    QTemporaryDir dir;
    // A folder where the playlist should go stays a folder, with its contents.
    const QString folder = dir.filePath(QStringLiteral("folder.asx"));
    QVERIFY(QDir().mkdir(folder));
    touch(folder + QStringLiteral("/inside"));
    QCOMPARE(errorOf([&] { CCFuncs::WritePlaylist(someClips(3), folder); }),
             QStringLiteral("File access denied"));
    QCOMPARE(dirEntries(folder), QStringList{"inside"});

    // Nor is a pipe (or a device) swapped for a plain file.
    const QString fifo = dir.filePath(QStringLiteral("pipe.asx"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QCOMPARE(errorOf([&] { CCFuncs::WritePlaylist(someClips(3), fifo); }),
             QStringLiteral("File access denied"));
    QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));

    QCOMPARE(
        errorOf([&] { CCFuncs::WritePlaylist(someClips(3), dir.filePath(QStringLiteral("no/such.asx"))); }),
        QStringLiteral("File not found"));
    QCOMPARE(errorOf([&] { CCFuncs::WritePlaylist(someClips(3), QString()); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(errorOf([&] { CCFuncs::WritePlaylist(someClips(3), dir.filePath(QString(300, u'n'))); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(dirEntries(dir.path()), (QStringList{"folder.asx", "pipe.asx"}));
}

void TestPlaylist::writerFolderNotWritable()
{
    if (!canRunUnprivileged())
        QSKIP("cannot run a child as an unprivileged user here");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.asx"));
    CCFuncs::WritePlaylist(someClips(2), path);
    // The file itself is writable for all; only replacing it atomically needs the folder.
    setMode(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                      QFileDevice::WriteOther);
    setMode(dir.path(), readAndEnter);
    const QByteArray before = readAll(path);

    const ChildResult r = runAsChild(unprivileged(), {QStringLiteral("write"), path, QStringLiteral("50")});
    setMode(dir.path(), readAndEnter | QFileDevice::WriteOwner);
    QVERIFY(r.ran);
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("File access denied"));
    QCOMPARE(readAll(path), before);
    QCOMPARE(dirEntries(dir.path()), QStringList{"old.asx"});
}

void TestPlaylist::writerDiskFull()
{
    QStringList privateMounts = {QStringLiteral("unshare"), QStringLiteral("-m"),
                                 QStringLiteral("--propagation"), QStringLiteral("private")};
    if (::geteuid() != 0)
        privateMounts.insert(1, QStringLiteral("-r")); // mounting needs root in a user namespace
    if (QStandardPaths::findExecutable(privateMounts.first()).isEmpty())
        QSKIP("unshare is not installed");
    const ChildResult probe = runAsChild(privateMounts, {QStringLiteral("noop")});
    if (!probe.ran || probe.exitCode != 0)
        QSKIP("no private mount namespace allowed here");
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkdir(mountPoint));
    const ChildResult r = runAsChild(privateMounts, {QStringLiteral("fulldisk"), mountPoint});
    QVERIFY(r.ran);
    if (r.exitCode == 77)
        QSKIP("mounting a tmpfs is not allowed here");
    QCOMPARE(r.exitCode, 0);

    QCOMPARE(r.values.value(QStringLiteral("bigError")), QStringLiteral("Disk full"));
    QCOMPARE(r.values.value(QStringLiteral("bigSame")), QStringLiteral("yes"));
    QCOMPARE(r.values.value(QStringLiteral("bigFiles")), QStringLiteral("old.asx"));
    QCOMPARE(r.values.value(QStringLiteral("smallError")), QStringLiteral("Disk full"));
    QCOMPARE(r.values.value(QStringLiteral("smallSame")), QStringLiteral("yes"));
    QCOMPARE(r.values.value(QStringLiteral("smallFiles")), QStringLiteral("filler,old.asx"));
    // The tmpfs was private to the child.
    QVERIFY(dirEntries(mountPoint).isEmpty());
}

void TestPlaylist::writerFileSizeLimit()
{
    QTemporaryDir dir;
    const ChildResult r = runAsChild({}, {QStringLiteral("sizelimit"), dir.path()});
    QVERIFY(r.ran);
    if (r.exitCode == 77)
        QSKIP("cannot limit the file size here");
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("Disk full"));
    QCOMPARE(r.values.value(QStringLiteral("same")), QStringLiteral("yes"));
    QCOMPARE(r.values.value(QStringLiteral("files")), QStringLiteral("old.asx"));
}

// ---- reader -------------------------------------------------------------------------------------

void TestPlaylist::roundTrip()
{
    QTemporaryDir dir;
    QStringList clips;
    for (const char* name : {"b.mp3", "A & B.mp3", "c <1>.wav", "Dvořák.ogg", "b.mp3", "gone.mp3", "e.avi"})
        clips << dir.filePath(QString::fromUtf8(name));
    for (const QString& c : clips)
        touch(c);
    const QString path = dir.filePath(QStringLiteral("list.asx"));
    CCFuncs::WritePlaylist(clips, path);
    QFile::remove(dir.filePath(QStringLiteral("gone.mp3")));

    StringList box({QStringLiteral("left over")});
    box.setSorted(true);
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), 1);
    QVERIFY(!box.sorted());
    QStringList expected = clips;
    expected.removeAt(5);
    QCOMPARE(box.items(), expected);

    // Once more after the rewrite: the missing clip is gone from the file.
    CCFuncs::WritePlaylist(box.items(), path);
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), 0);
    QCOMPARE(box.items(), expected);

    CCFuncs::WritePlaylist({}, path);
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), 0);
    QVERIFY(box.isEmpty());

    // A relative name is the playlist's neighbour, whatever folder is current (a running copy's
    // differs from the one a second copy was started in), and is kept whole for the player.
    CCFuncs::WritePlaylist({QStringLiteral("e.avi"), QStringLiteral("gone.mp3")}, path);
    QTemporaryDir elsewhere;
    touch(QDir(elsewhere.path()).filePath(QStringLiteral("gone.mp3")));
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    const int missing = CCFuncs::ReadPlaylist(path, box);
    QDir::setCurrent(before);
    QCOMPARE(missing, 1);
    QCOMPARE(box.items(), QStringList{clips.last()});
}

// Each row's text stands for a playlist; {a}, {b}, {c}, {amp} and {dir} become paths of clips that
// exist (a.mp3, b.mp3, c.mp3, x&y.mp3) and of their folder. `expected` names the clips read back.
void TestPlaylist::readerLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("missing");

    const QByteArray e1 = " <ENTRY><REF HREF=\"{a}\" /></ENTRY>";
    const QByteArray e2 = " <ENTRY><REF HREF=\"{b}\" /></ENTRY>";
    const QByteArray e3 = " <ENTRY><REF HREF=\"{c}\" /></ENTRY>";
    const QStringList abc = {"a", "b", "c"};

    QTest::newRow("two entries on a line") << QByteArray(e1 + e2 + crlf) << QStringList{"a"} << 0;
    QTest::newRow("lower-case href") << QByteArray("<REF href=\"{a}\" />\r\n") << QStringList{} << 0;
    QTest::newRow("HREF at line start") << QByteArray("HREF=\"{a}\"\r\n") << QStringList{} << 0;
    QTest::newRow("five before F") << QByteArray("  HREF=\"{a}\"\r\n") << QStringList{} << 0;
    QTest::newRow("six before F") << QByteArray("   HREF=\"{a}\"\r\n") << QStringList{"a"} << 0;
    // Characters count, not bytes.
    QTest::newRow("five characters, seven bytes") << QByteArray("ééHREF=\"{a}\"\r\n") << QStringList{} << 0;
    QTest::newRow("six characters, nine bytes") << QByteArray("éééHREF=\"{a}\"\r\n") << QStringList{"a"} << 0;
    QTest::newRow("first occurrence too early")
        << QByteArray("F=\"x\" <REF HREF=\"{a}\"\r\n") << QStringList{} << 0;
    QTest::newRow("web address") << QByteArray(" <REF HREF=\"http://example.com/a.mp3\" />\r\n")
                                 << QStringList{} << 1;
    QTest::newRow("no such file") << QByteArray(" <REF HREF=\"{dir}/none.mp3\" />\r\n" + e2 + crlf)
                                  << QStringList{"b"} << 1;
    QTest::newRow("no closing quote") << QByteArray(" <REF HREF=\"{a} />\r\n") << QStringList{} << 1;
    QTest::newRow("empty value") << QByteArray(" <REF HREF=\"\" />\r\n") << QStringList{} << 1;
    QTest::newRow("folder") << QByteArray(" <REF HREF=\"{dir}\" />\r\n") << QStringList{} << 1;
    QTest::newRow("raw ampersand") << QByteArray(" <REF HREF=\"{amp}\" />\r\n") << QStringList{"amp"} << 0;
    QTest::newRow("entity stays") << QByteArray(" <REF HREF=\"{dir}/x&amp;y.mp3\" />\r\n") << QStringList{}
                                  << 1;
    QTest::newRow("header and nesting ignored")
        << QByteArray("garbage\r\n<ASX>\r\n" + e1 + "\r\n</ENTRY>") << QStringList{"a"} << 0;

    QTest::newRow("CR LF") << QByteArray(e1 + crlf + e2 + crlf + e3 + crlf) << abc << 0;
    QTest::newRow("LF only") << QByteArray(e1 + '\n' + e2 + '\n' + e3 + '\n') << abc << 0;
    QTest::newRow("CR only") << QByteArray(e1 + '\r' + e2 + '\r' + e3 + '\r') << abc << 0;
    QTest::newRow("mixed, blank lines") << QByteArray(e1 + "\n\r\n\r" + e2 + "\r\n\n" + e3) << abc << 0;
    QTest::newRow("LF inside a value")
        << QByteArray(" <REF HREF=\"{a}\n\" />\r\n" + e2) << QStringList{"b"} << 1;
    QTest::newRow("Ctrl-Z ends the file")
        << QByteArray(e1 + crlf + "\x1a" + e2 + crlf) << QStringList{"a"} << 0;
    QTest::newRow("Ctrl-Z inside a value")
        << QByteArray(" <REF HREF=\"{a}\x1a\"\r\n" + e2) << QStringList{} << 1;
}

void TestPlaylist::readerLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    QFETCH(int, missing);

    QTemporaryDir dir;
    QHash<QString, QString> clips = {{"a", dir.filePath("a.mp3")},
                                     {"b", dir.filePath("b.mp3")},
                                     {"c", dir.filePath("c.mp3")},
                                     {"amp", dir.filePath("x&y.mp3")}};
    for (const QString& c : std::as_const(clips))
        touch(c);
    for (auto it = clips.cbegin(); it != clips.cend(); ++it)
        text.replace("{" + it.key().toLatin1() + "}", it.value().toUtf8());
    text.replace("{dir}", dir.path().toUtf8());
    const QString path = dir.filePath(QStringLiteral("list.asx"));
    writeAll(path, text);

    StringList box;
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), missing);
    QStringList paths;
    for (const QString& key : expected)
        paths << clips.value(key);
    QCOMPARE(box.items(), paths);
}

// The closing quote must fall within the 999 characters after F=": a 998-character path is read,
// a 999-character one is not, even though it exists.
void TestPlaylist::readerValueLength()
{
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QString sub = QString(120, u'ä') + u'/'; // two bytes each
    while (sub.size() < 998 - 200)
        sub += QString(200, u'd') + u'/';
    QVERIFY(QDir().mkpath(sub));
    const QString fits = sub + QString(998 - sub.size(), u'f');
    const QString tooLong = sub + QString(999 - sub.size(), u'g');
    touch(fits);
    touch(tooLong);
    QVERIFY(QFileInfo::exists(fits) && QFileInfo::exists(tooLong));

    const QString path = dir.filePath(QStringLiteral("list.asx"));
    CCFuncs::WritePlaylist({fits, tooLong}, path);
    StringList box;
    const int missing = CCFuncs::ReadPlaylist(path, box);
    const QString whole = QDir::current().absoluteFilePath(fits);
    QVERIFY(QDir::setCurrent(oldCwd));
    QCOMPARE(missing, 1);
    QCOMPARE(box.items(), QStringList{whole});
}

// The file is read in pieces; an F=" or a line end split between two reads must not matter.
void TestPlaylist::readerChunkBoundaries()
{
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("a.mp3"));
    touch(clip);
    QByteArray text;
    QStringList expected;
    int lines = 0;
    const QByteArray entry = " <ENTRY><REF HREF=\"" + clip.toUtf8() + "\" /></ENTRY>\r\n";
    for (qsizetype shift = 0; shift <= entry.size(); ++shift) {
        // The next 64 KiB boundary falls `shift` bytes into the entry line.
        const qsizetype target = (qsizetype(lines) + 1) * 65536 - shift;
        text += QByteArray(std::max<qsizetype>(target - text.size(), 1), 'x') + "\r\n";
        text += entry;
        expected << clip;
        ++lines;
    }
    const QString path = dir.filePath(QStringLiteral("list.asx"));
    writeAll(path, text);
    StringList box;
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), 0);
    QCOMPARE(box.items(), expected);
}

void TestPlaylist::readerBadFiles()
{
    QTemporaryDir dir;
    StringList box({QStringLiteral("stale")});
    box.setSorted(true);

    // Each failure leaves the list cleared and unsorted, as the reader's first step left it.
    QCOMPARE(errorOf([&] { CCFuncs::ReadPlaylist(dir.filePath(QStringLiteral("none.asx")), box); }),
             QStringLiteral("File not found"));
    QVERIFY(box.isEmpty() && !box.sorted());

    QCOMPARE(errorOf([&] { CCFuncs::ReadPlaylist(dir.path(), box); }), QStringLiteral("File access denied"));
    QCOMPARE(errorOf([&] { CCFuncs::ReadPlaylist(QString(), box); }), QStringLiteral("File not found"));
    // A pipe with no writer would keep the reader waiting for ever.
    const QString fifo = dir.filePath(QStringLiteral("pipe.asx"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QCOMPARE(errorOf([&] { CCFuncs::ReadPlaylist(fifo, box); }), QStringLiteral("File access denied"));

    // A clip picked by mistake as the playlist must not pass for an empty playlist: saving over it
    // would destroy it.
    const QString clip = dir.filePath(QStringLiteral("song.mp3"));
    QByteArray binary("ID3\x04\x00\x00\x00\x00\x00\x21", 10);
    std::mt19937 gen(7);
    for (int i = 0; i < 10000; ++i)
        binary += char(gen());
    writeAll(clip, binary);
    const QString err = errorOf([&] { CCFuncs::ReadPlaylist(clip, box); });
    QVERIFY2(err.contains(QLatin1String("is not a playlist")) && err.contains(clip), qPrintable(err));
    QCOMPARE(readAll(clip), binary);
}

void TestPlaylist::readerUnreadableFile()
{
    if (!canRunUnprivileged())
        QSKIP("cannot run a child as an unprivileged user here");
    QTemporaryDir dir;
    setMode(dir.path(), readAndEnter | QFileDevice::WriteOwner);
    const QString path = dir.filePath(QStringLiteral("secret.asx"));
    CCFuncs::WritePlaylist(someClips(2), path);
    setMode(path, QFileDevice::WriteOwner);

    const ChildResult r = runAsChild(unprivileged(), {QStringLiteral("read"), path});
    QVERIFY(r.ran);
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("File access denied"));
    // Control: readable, the same child reads it.
    setMode(path, QFileDevice::WriteOwner | QFileDevice::ReadOwner | QFileDevice::ReadOther);
    const ChildResult ok = runAsChild(unprivileged(), {QStringLiteral("read"), path});
    QCOMPARE(ok.values.value(QStringLiteral("error")), QString());
    QCOMPARE(ok.values.value(QStringLiteral("missing")), QStringLiteral("2"));
}

// A 64 MiB line is read whole (its one reference counts), a value longer than a value can be is
// dropped, and the lines after both still count.
void TestPlaylist::readerEnormousLines()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.mp3"));
    const QString b = dir.filePath(QStringLiteral("b.mp3"));
    touch(a);
    touch(b);
    const QString path = dir.filePath(QStringLiteral("huge.asx"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 64; ++i)
            QCOMPARE(f.write(block), block.size());
        f.write(" <REF HREF=\"" + a.toUtf8() + "\" />\r\n");
        f.write(" <REF HREF=\"");
        for (int i = 0; i < 8; ++i)
            f.write(block);
        f.write("\" />\r\n <ENTRY><REF HREF=\"" + b.toUtf8() + "\" /></ENTRY>\r\n");
    }
    StringList box;
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), 1);
    QCOMPARE(box.items(), (QStringList{a, b}));
}

void TestPlaylist::readerNamesNotValidText()
{
    QTemporaryDir dir;
    const QByteArray rawName = QFile::encodeName(dir.path()) + "/clip \xff\xfe.mp3";
    const QString path = dir.filePath(QStringLiteral("list.asx"));
    const QByteArray text = " <REF HREF=\"" + rawName + "\" />\r\n";
    writeAll(path, text);
    StringList box;

    // Absent, it is only a missing clip.
    QCOMPARE(CCFuncs::ReadPlaylist(path, box), 1);

    // Present, it cannot be held as text; dropping it would lose it on the next save.
    const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    const QString err = errorOf([&] { CCFuncs::ReadPlaylist(path, box); });
    QVERIFY2(err.contains(QLatin1String("not valid text")) && err.contains(QLatin1String("clip ")),
             qPrintable(err));
    QCOMPARE(readAll(path), text);
    QCOMPARE(::unlink(rawName.constData()), 0); // beyond what QTemporaryDir can name
}

// ---- other programs' playlists ------------------------------------------------------------------

void TestPlaylist::formatOf_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // "-" for no file at all
    QTest::addColumn<int>("format");
    using F = Playlists::Format;
    QTest::newRow("asx") << "a.ASX" << QByteArray("-") << int(F::Asx);
    QTest::newRow("m3u") << "a.m3u" << QByteArray("-") << int(F::M3u);
    QTest::newRow("m3u8") << "a.M3u8" << QByteArray("garbage") << int(F::M3u8);
    QTest::newRow("pls") << "a.PLS" << QByteArray() << int(F::Pls);
    QTest::newRow("xspf") << "a.xspf" << QByteArray("-") << int(F::Xspf);
    QTest::newRow("wax is a clip") << "a.wax" << QByteArray("<ASX>") << int(F::None);
    QTest::newRow("wvx is a clip") << "a.wvx" << QByteArray("<ASX>") << int(F::None);
    QTest::newRow("sniffed asx") << "playlist.tmp" << QByteArray("\r\n <!-- x --><asx version=\"3.0\">")
                                 << int(F::Asx);
    QTest::newRow("sniffed m3u") << "list.txt" << QByteArray("\xEF\xBB\xBF#EXTM3U\r\na.mp3") << int(F::M3u);
    QTest::newRow("sniffed pls") << "list" << QByteArray("[Playlist]\nFile1=a") << int(F::Pls);
    QTest::newRow("sniffed xspf") << "list.xml"
                                  << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE x>\n<x:playlist "
                                                "xmlns:x=\"http://xspf.org/ns/0/\">")
                                  << int(F::Xspf);
    QTest::newRow("other xml") << "list.xml" << QByteArray("<?xml version=\"1.0\"?><playlists>")
                               << int(F::None);
    QTest::newRow("clip") << "song.mp3" << QByteArray("ID3\x04\0\0#EXTM3U", 13) << int(F::None);
    QTest::newRow("text") << "notes.txt" << QByteArray("a.mp3\n") << int(F::None);
    QTest::newRow("missing, unknown extension") << "gone.txt" << QByteArray("-") << int(F::None);
}

void TestPlaylist::formatOf()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, format);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (content != "-")
        writeAll(path, content);
    QCOMPARE(int(Playlists::formatOf(path)), format);
    QCOMPARE(Playlists::isPlaylist(path), format != int(Playlists::Format::None));
}

// Each row's text is a playlist as another program writes it. The clips a.mp3, b.mp3, "c d.mp3",
// "Tom & Jerry.mp3", "ünï €.mp3" and sub/e.mp3 exist; {dir} is their folder, {a}, {b} ... full
// paths. `expected` names the clips read (their keys), `missing` how many entries are missing.
void TestPlaylist::otherFormatsRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("missing");

    QTest::newRow("m3u, CR LF")
        << "list.m3u"
        << QByteArray(
               "#EXTM3U\r\n#EXTINF:123,Artist - A\r\na.mp3\r\n\r\n#EXTINF:-1,Web\r\n"
               "http://example.com/x.mp3\r\n{b}\r\nfile://{dir}/c%20d.mp3\r\nsub/e.mp3\r\ngone.mp3\r\n")
        << QStringList{"a", "b", "cd", "e"} << 2;
    QTest::newRow("m3u8, LF, BOM, no last line end")
        << "list.m3u8"
        << QByteArray("\xEF\xBB\xBF#EXTM3U\n\xC3\xBCn\xC3\xAF \xE2\x82\xAC.mp3\n./Tom & Jerry.mp3\n"
                      "file:///nowhere/zz.mp3\nfile://localhost{dir}/b.mp3\nsub/../a.mp3")
        << QStringList{"u", "tom", "b", "a"} << 1;
    QTest::newRow("m3u, UTF-8 without a BOM")
        << "list.m3u" << QByteArray("\xC3\xBCn\xC3\xAF \xE2\x82\xAC.mp3\r\n") << QStringList{"u"} << 0;
    QTest::newRow("m3u, blanks around a name")
        << "list.m3u" << QByteArray("  #EXTINF:1,x\n a.mp3 \n\t\n") << QStringList{"a"} << 0;
    QTest::newRow("m3u, CR only") << "list.m3u" << QByteArray("a.mp3\rb.mp3\r") << QStringList{"a", "b"} << 0;
    QTest::newRow("m3u by content") << "list.txt" << QByteArray("#EXTM3U\nb.mp3\na.mp3\n")
                                    << QStringList{"b", "a"} << 0;

    QTest::newRow("pls, out of order")
        << "list.pls"
        << QByteArray("[playlist]\r\nFile3=sub/e.mp3\r\nTitle1=One\r\nNumberOfEntries=9\r\nfile10=b.mp3\r\n"
                      "File1=file://{dir}/Tom%20%26%20Jerry.mp3\r\nFILE2 = {a}\r\nFile02=gone.mp3\r\n"
                      "File4=http://example.com/x\r\nFile5=gone.mp3\r\nVersion=2\r\n")
        << QStringList{"tom", "a", "e", "b"} << 2;
    QTest::newRow("pls, LF, BOM") << "list.pls"
                                  << QByteArray("\xEF\xBB\xBF[playlist]\nFile1=c d.mp3\nLength1=-1\n")
                                  << QStringList{"cd"} << 0;

    QTest::newRow("xspf")
        << "list.xspf"
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                      "xmlns=\"http://xspf.org/ns/0/\">\n<title>T</title><trackList>\n"
                      "<track><location>file://{dir}/Tom%20%26%20Jerry.mp3</location></track>\n"
                      "<track><location>c%20d.mp3</location></track>\n"
                      "<track><location>http://example.com/a.mp3</location></track>\n"
                      "<track><location>gone.mp3</location><location>sub/e.mp3</location></track>\n"
                      "<track><title>no location</title></track>\n"
                      "<track>\n  <location>\n  %C3%BCn%C3%AF%20%E2%82%AC.mp3\n  </location>\n</track>\n"
                      "<track><location>{dir}/a.mp3</location></track>\n"
                      "</trackList></playlist>\n")
        << QStringList{"tom", "cd", "e", "u", "a"} << 2;
    QTest::newRow("xspf, prefixed, CR LF")
        << "list.xspf"
        << QByteArray("<x:playlist xmlns:x=\"http://xspf.org/ns/0/\">\r\n<x:trackList>\r\n"
                      "<x:track><x:location>b.mp3</x:location></x:track>\r\n</x:trackList>\r\n"
                      "<x:trackList><x:track><x:location>a.mp3</x:location></x:track></x:trackList>"
                      "</x:playlist>")
        << QStringList{"b", "a"} << 0;
    // The XML reader keeps every open element: far too deep, the playlist ends there.
    QTest::newRow("xspf, nested too deep")
        << "list.xspf"
        << QByteArray("<playlist><trackList><track><location>a.mp3</location></track><track>" +
                      QByteArray("<x>").repeated(300) + "<location>b.mp3</location>" +
                      QByteArray("</x>").repeated(300) + "</track><track><location>b.mp3</location></track>")
        << QStringList{"a"} << 0;

    QTest::newRow("asx of another program")
        << "list.asx"
        << QByteArray("<asx version='3.0'>\n<entry>\n  <ref href = 'gone.mp3'/>\n  <Ref HREF=\"b.mp3\" />\n"
                      "</entry>\n<ENTRY><REF HREF=\"http://example.com/a.mp3\"/></ENTRY>\n"
                      "<entry><ref href='Tom &amp; Jerry.mp3'/></entry>\n</asx>\n")
        << QStringList{"b", "tom"} << 1;

    // As other programs and people write them: GNOME's "DOS" M3U and its XSPF (byte for byte),
    // Windows encodings, escaped names, and lists carried with their clips from another machine.
    QTest::newRow("m3u, GNOME's DOS flavour")
        << "list.m3u"
        << QByteArray("#EXTM3U\r\n#EXTINF:,plain.wav\r\nMy Clips\\plain.wav\r\n#EXTINF:,#1 hash.wav\r\n"
                      "My Clips\\#1 hash.wav\r\n")
        << QStringList{"plain", "hash"} << 0;
    QTest::newRow("m3u, Windows-1252")
        << "list.m3u" << QByteArray("#EXTM3U\r\n\xE6\xF8\xE5.mp3\r\n\x96 \x80.mp3\r\n")
        << QStringList{"ae", "dash"} << 0;
    QTest::newRow("m3u, UTF-16 LE with a BOM")
        << "list.m3u" << QByteArray("\xFF\xFE#\0\n\0\xE6\0\xF8\0\xE5\0.\0m\0p\0003\0\r\0\n\0", 24)
        << QStringList{"ae"} << 0;
    QTest::newRow("m3u, UTF-16 BE with a BOM")
        << "list.m3u" << QByteArray("\xFE\xFF\0\xE6\0\xF8\0\xE5\0.\0m\0p\0003", 16) << QStringList{"ae"} << 0;
    QTest::newRow("m3u, percent-encoded")
        << "list.m3u" << QByteArray("Aimer/%E6%98%A5 %41.flac\n") << QStringList{"spring"} << 0;
    QTest::newRow("pls, percent-encoded, Windows separators")
        << "list.pls" << QByteArray("[playlist]\r\nFile1=Aimer\\%E6%98%A5 %41.flac\r\nNumberOfEntries=1\r\n")
        << QStringList{"spring"} << 0;
    QTest::newRow("xspf, GNOME's raw #")
        << "list.xspf"
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
               "xmlns=\"http://xspf.org/ns/0/\">\n<title>title</title>\n <trackList>\n  <track>\n"
               "   <location>My Clips/plain.wav</location>\n   <title>plain.wav</title>\n  </track>\n"
               "  <track>\n   <location>My Clips/#1 hash.wav</location>\n   <title>#1 hash.wav</title>\n"
               "  </track>\n </trackList>\n</playlist>")
        << QStringList{"plain", "hash"} << 0;
    QTest::newRow("m3u, moved")
        << "list.m3u"
        << QByteArray("C:\\Users\\Ann\\Music\\My Clips\\plain.wav\r\n/home/ann/Music/Clips/sub/e.mp3\r\n"
                      "\\\\server\\share\\c d.mp3\r\nfile:///home/ann/a.mp3\r\nhttp://host/b.mp3\r\n")
        << QStringList{"plain", "e", "cd", "a"} << 1;
    // Relocation stays inside the playlist's folder: a.mp3 lies one above it.
    QTest::newRow("m3u, moved, .. stays inside")
        << "sub/list.m3u" << QByteArray("/old/x/../a.mp3\n") << QStringList{} << 1;
    QTest::newRow("asx, ours, moved")
        << "list.asx"
        << QByteArray(CCFuncs::Header() + " <ENTRY><REF HREF=\"D:\\Clips\\sub\\e.mp3\" /></ENTRY>\r\n"
                                          " <ENTRY><REF HREF=\"http://b.mp3\" /></ENTRY>\r\n</ASX>\r\n")
        << QStringList{"e"} << 1;
    QTest::newRow("asx of another program, moved, .wax kept")
        << "list.asx"
        << QByteArray("<asx version=\"3.0\"><entry><ref href=\"C:\\Music\\sub\\e.mp3\"/></entry>\n"
                      "<entry><ref href=\"r_wax.wax\"/></entry></asx>\n")
        << QStringList{"e", "wax"} << 0;
}

void TestPlaylist::otherFormatsRead()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    QFETCH(int, missing);

    QTemporaryDir dir;
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("sub"))));
    const QHash<QString, QString> clips = {{"a", dir.filePath("a.mp3")},
                                           {"b", dir.filePath("b.mp3")},
                                           {"cd", dir.filePath("c d.mp3")},
                                           {"tom", dir.filePath("Tom & Jerry.mp3")},
                                           {"u", dir.filePath(QStringLiteral("ünï €.mp3"))},
                                           {"e", dir.filePath("sub/e.mp3")},
                                           {"plain", dir.filePath("My Clips/plain.wav")},
                                           {"hash", dir.filePath("My Clips/#1 hash.wav")},
                                           {"ae", dir.filePath(QStringLiteral("æøå.mp3"))},
                                           {"dash", dir.filePath(QStringLiteral("– €.mp3"))},
                                           {"spring", dir.filePath(QStringLiteral("Aimer/春 A.flac"))},
                                           {"wax", dir.filePath("r_wax.wax")}};
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("My Clips"))) && QDir().mkdir(dir.filePath("Aimer")));
    for (const QString& c : clips)
        touch(c);
    writeAll(clips.value("wax"), "<asx><entry><ref href=\"b.mp3\"/></entry></asx>");
    for (auto it = clips.cbegin(); it != clips.cend(); ++it)
        text.replace("{" + it.key().toLatin1() + "}", it.value().toUtf8());
    text.replace("{dir}", dir.path().toUtf8());
    const QString path = dir.filePath(name);
    writeAll(path, text);

    StringList box({QStringLiteral("left over")});
    box.setSorted(true);
    QCOMPARE(Playlists::read(path, box), missing);
    QVERIFY(!box.sorted());
    QStringList paths;
    for (const QString& key : expected)
        paths << clips.value(key);
    QStringList got = box.items();
    for (QString& g : got)
        g = QDir::cleanPath(g);
    QCOMPARE(got, paths);
}

void TestPlaylist::otherFormatsRefused()
{
    QTemporaryDir dir;
    StringList box;
    // A clip picked by mistake is no playlist of any format.
    const QByteArray binary("ID3\x04\0\0\0\0\0\x21\nabc", 14);
    for (const char* name : {"song.m3u", "song.m3u8", "song.pls", "song.asx"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        writeAll(path, binary);
        const QString err = errorOf([&] { Playlists::read(path, box); });
        QVERIFY2(err.contains(QLatin1String("is not a playlist")) && err.contains(path), qPrintable(err));
    }
    const QString xspf = dir.filePath(QStringLiteral("song.xspf"));
    writeAll(xspf, "<asx><entry><ref href=\"a.mp3\"/></entry></asx>");
    QVERIFY(errorOf([&] { Playlists::read(xspf, box); }).contains(QLatin1String("is not a playlist")));
    // Our own playlist goes through our own reader: a lower-case href there counts for nothing.
    const QString own = dir.filePath(QStringLiteral("own.asx"));
    touch(dir.filePath(QStringLiteral("a.mp3")));
    writeAll(own, CCFuncs::Header() + "<entry><ref href=\"a.mp3\"/></entry>\r\n <ENTRY><REF HREF=\"a.mp3\" "
                                      "/></ENTRY>\r\n</ASX>\r\n");
    QCOMPARE(Playlists::read(own, box), 0);
    QCOMPARE(box.items(), QStringList{dir.filePath(QStringLiteral("a.mp3"))});
    // Missing, unreadable, a folder, a pipe: as our reader says.
    QCOMPARE(errorOf([&] { Playlists::read(dir.filePath(QStringLiteral("none.m3u")), box); }),
             QStringLiteral("File not found"));
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("folder.pls"))));
    QCOMPARE(errorOf([&] { Playlists::read(dir.filePath(QStringLiteral("folder.pls")), box); }),
             QStringLiteral("File access denied"));
    const QString fifo = dir.filePath(QStringLiteral("pipe.xspf"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QCOMPARE(errorOf([&] { Playlists::read(fifo, box); }), QStringLiteral("File access denied"));
}

// Each writer's file reads back to every entry; `head` is how the file starts, `has` what it holds.
// A file written over keeps its encoding; a name it cannot hold sends it out as UTF-8 with a BOM.
void TestPlaylist::otherFormatsWriteBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before"); // what the file held, "-" for no file
    QTest::addColumn<bool>("fits");         // every name fits Windows-1252 (no "Dvořák")
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("has");
    const QByteArray bom = "\xEF\xBB\xBF";
    const QByteArray ae1252 = "/\xE6\xF8\xE5.mp3\n";
    const QByteArray aeUtf8 = "/\xC3\xA6\xC3\xB8\xC3\xA5.mp3\n";
    // A "#" would start VLC's options in a plain path.
    QTest::newRow("m3u") << "list.m3u" << QByteArray("-") << false << QByteArray("#EXTM3U\n/")
                         << QByteArray("/%23hash.mp3\n");
    QTest::newRow("m3u8") << "list.M3U8" << QByteArray("-") << false << QByteArray("#EXTM3U\n/") << aeUtf8;
    QTest::newRow("pls") << "list.pls" << QByteArray("-") << false << QByteArray("[playlist]\nFile1=/")
                         << QByteArray("/%23hash.mp3\nFile4=/");
    QTest::newRow("xspf") << "list.xspf" << QByteArray("-") << false << QByteArray("<?xml version=\"1.0\"")
                          << QByteArray("/%23hash.mp3</location>");
    QTest::newRow("asx") << "list.asx" << QByteArray("-") << false << CCFuncs::Header() << QByteArray();
    QTest::newRow("new, unknown extension")
        << "list" << QByteArray("-") << false << CCFuncs::Header() << QByteArray();
    // Written over, a playlist keeps its format, whatever its name, and its encoding: an M3U in
    // plain ASCII counts as Windows-1252; a name that does not fit goes out as UTF-8, in an M3U
    // with a mark.
    QTest::newRow("over an m3u") << "old.m3u" << QByteArray("#EXTM3U\r\n/x.mp3\r\n") << true
                                 << QByteArray("#EXTM3U\n/") << ae1252;
    QTest::newRow("over a UTF-8 m3u") << "old.m3u" << QByteArray("#EXTM3U\r\n/\xC3\xA6.mp3\r\n") << true
                                      << QByteArray("#EXTM3U\n/") << aeUtf8;
    QTest::newRow("over a Windows-1252 m3u, a name that does not fit")
        << "old.m3u" << QByteArray("#EXTM3U\r\n/\xE6.mp3\r\n") << false << bom + "#EXTM3U\n/" << aeUtf8;
    QTest::newRow("over a UTF-16 m3u")
        << "old.m3u" << QByteArray("\xFF\xFE#\0E\0X\0T\0M\0003\0U\0\n\0", 18) << false
        << QByteArray("\xFF\xFE#\0E\0X\0T\0M\0003\0U\0\n\0/\0", 20) << QByteArray("\x59\x01", 2);
    QTest::newRow("over an m3u by content")
        << "old.txt" << QByteArray("#EXTM3U\r\n") << false << bom + "#EXTM3U\n/" << QByteArray();
    QTest::newRow("over a Windows-1252 pls")
        << "old.pls" << QByteArray("[playlist]\r\nFile1=/\xE6.mp3\r\n") << true
        << QByteArray("[playlist]\nFile1=/") << ae1252 + "NumberOfEntries=8\nVersion=2\n";
    QTest::newRow("over a pls by content, a name that does not fit")
        << "old" << QByteArray("[playlist]\n") << false << QByteArray("[playlist]\n")
        << aeUtf8 + "NumberOfEntries=9\nVersion=2\n";
}

void TestPlaylist::otherFormatsWriteBack()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(bool, fits);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, has);
    QTemporaryDir dir;
    QStringList entries;
    for (const QString& clip :
         {QStringLiteral("a b.mp3"), QStringLiteral("100% & more #1.mp3"), QStringLiteral("#hash.mp3"),
          QStringLiteral("Dvořák – Ünïcode €.ogg"), QStringLiteral("a b.mp3"), QStringLiteral(" blank .wav"),
          QStringLiteral("x<y>'.mp3"), QStringLiteral("http:x.mp3"), QStringLiteral("æøå.mp3")})
        entries << dir.filePath(clip);
    if (fits)
        entries.removeAt(3);
    for (const QString& e : entries)
        touch(e);
    const QString path = dir.filePath(name);
    if (before != "-")
        writeAll(path, before);
    Playlists::write(entries, path);
    const QByteArray written = readAll(path);
    QVERIFY2(written.startsWith(head), written.constData());
    QVERIFY2(written.contains(has), written.constData());
    StringList box;
    QCOMPARE(Playlists::read(path, box), 0);
    QCOMPARE(box.items(), entries);
    QCOMPARE(dirEntries(dir.path()).size(), entries.size()); // the clips (one twice) and the list alone
}

void TestPlaylist::otherFormatsWriterRefuses()
{
    QTemporaryDir dir;
    for (const char* name : {"list.m3u", "list.m3u8", "list.pls"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        Playlists::write({QStringLiteral("/m/keep.mp3")}, path);
        const QByteArray kept = readAll(path);
        const QString err = errorOf([&] { Playlists::write({QStringLiteral("/m/a\nb.mp3")}, path); });
        QVERIFY2(err.contains(QLatin1String("line break")) && err.endsWith(QLatin1String("/m/a\\nb.mp3")),
                 qPrintable(err));
        QCOMPARE(readAll(path), kept);
    }
    // An XSPF location holds any character but a NUL; a lone surrogate is no character.
    const QString xspf = dir.filePath(QStringLiteral("list.xspf"));
    QString lone = QStringLiteral("/m/a");
    lone += QChar(0xD800);
    QVERIFY(errorOf([&] { Playlists::write({lone}, xspf); }).contains(QLatin1String("encoding")));
    QVERIFY(!QFileInfo::exists(xspf));
    // As the ASX writer: a folder at the path stays a folder.
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("folder.m3u"))));
    QCOMPARE(errorOf([&] { Playlists::write({QStringLiteral("/m/a.mp3")}, dir.filePath("folder.m3u")); }),
             QStringLiteral("File access denied"));
    QCOMPARE(dirEntries(dir.path()), (QStringList{"folder.m3u", "list.m3u", "list.m3u8", "list.pls"}));
}

// Playlists from other projects' test suites, where a copy lies beside the source tree: each is
// read without a refusal or a hang (their clips do not lie here; what they list is their readers').
void TestPlaylist::realPlaylistsRead()
{
    const QString corpus = qEnvironmentVariable("VIDMARRO_PLAYLISTS_REAL");
    if (corpus.isEmpty() || !QFileInfo::exists(corpus + QStringLiteral("/SOURCES.txt")))
        QSKIP("no real-world playlists beside the source tree");
    const QStringList files = QDir(corpus).entryList({"*.m3u", "*.m3u8", "*.pls", "*.xspf"}, QDir::Files);
    QCOMPARE(files.size(), 58);
    for (const QString& name : files) {
        StringList box;
        const QString err = errorOf([&] { Playlists::read(QDir(corpus).filePath(name), box); });
        QVERIFY2(err.isNull(), qPrintable(name + u' ' + err));
    }
}

// ---- sorted mode of the string list -------------------------------------------------------------

void TestPlaylist::sortedModeOrder()
{
    StringList list;
    list.setSorted(true);
    QCOMPARE(list.add(QStringLiteral("b.mp3")), 0);
    QCOMPARE(list.add(QStringLiteral("C.mp3")), 1);
    QCOMPARE(list.add(QStringLiteral("a.mp3")), 0);
    QCOMPARE(list.add(QStringLiteral("B.MP3")), 2); // after its equal ignoring case
    QCOMPARE(list.add(QStringLiteral("b.mp3")), 3); // duplicates are kept
    QCOMPARE(list.add(QStringLiteral("/z/first")), 0);
    QCOMPARE(list.items(), (QStringList{"/z/first", "a.mp3", "b.mp3", "B.MP3", "b.mp3", "C.mp3"}));
    QCOMPARE(list.count(), 6);
}

void TestPlaylist::sortedModeOnOff()
{
    StringList list;
    for (const char* s : {"delta", "Alpha", "charlie", "alpha", "Bravo"})
        list.add(QString::fromLatin1(s));
    QCOMPARE(list.items(), (QStringList{"delta", "Alpha", "charlie", "alpha", "Bravo"}));

    list.setSorted(true); // re-sorts; equals keep their order
    QCOMPARE(list.items(), (QStringList{"Alpha", "alpha", "Bravo", "charlie", "delta"}));
    list.add(QStringLiteral("beta"));
    list.setSorted(false); // keeps the order, appends at the end from now on
    QCOMPARE(list.add(QStringLiteral("aardvark")), 6);
    QCOMPARE(list.items(), (QStringList{"Alpha", "alpha", "beta", "Bravo", "charlie", "delta", "aardvark"}));

    list.setSorted(true);
    list.assign({QStringLiteral("y"), QStringLiteral("X")});
    QCOMPARE(list.items(), (QStringList{"X", "y"}));
    list.clear();
    QVERIFY(list.isEmpty());
    QCOMPARE(list.add(QStringLiteral("q")), 0);
    QCOMPARE(list.items(), QStringList{"q"});
}

// Many adds, interleaved with reads and edits, against the plain model: stable sort of the arrivals.
void TestPlaylist::sortedAddMatchesStableSort()
{
    std::mt19937 gen(42);
    const QStringList words = {"Clip", "clip", "a", "B", "b", "Zed", "zed", "Ärger", "ärger", "1", "_"};
    auto randomPath = [&] {
        QString s = QStringLiteral("/Music/");
        for (int i = 0; i < 3; ++i)
            s += words[int(gen() % words.size())];
        return s;
    };
    auto less = [](const QString& x, const QString& y) { return StringList::compare(x, y) < 0; };

    StringList list;
    list.setSorted(true);
    QStringList model;
    for (int round = 0; round < 20; ++round) {
        const int adds = int(gen() % 600);
        for (int i = 0; i < adds; ++i) {
            const QString s = randomPath();
            const auto at = std::upper_bound(model.begin(), model.end(), s, less) - model.begin();
            model.insert(at, s);
            QCOMPARE(list.add(s), int(at));
            if (round % 2 == 0 && gen() % 5 == 0) // reads between adds: few or single adds merged in
                QCOMPARE(list.at(int(at)), s);
        }
        QCOMPARE(list.count(), model.size());
        QCOMPARE(list.items(), model);
        if (!model.isEmpty()) {
            const int i = int(gen() % model.size());
            QCOMPARE(list.at(i), model.at(i));
            list.removeAt(i);
            model.removeAt(i);
        }
        QCOMPARE(list.indexOf(model.value(0)), int(model.indexOf(model.value(0))));
    }
}

// The order must be Qt's case-insensitive order, surrogate pairs and shared beginnings included.
void TestPlaylist::compareIgnoresCaseOnly()
{
    const QStringList parts = {"a",          "A",          "b",          "ß",          "SS", "ä", "Ä",
                               "\U0001D400", "\U0001D401", "\U00010400", "\U00010428", "/",  "z", ""};
    std::mt19937 gen(3);
    auto make = [&] {
        QString s;
        for (int n = int(gen() % 5); n > 0; --n)
            s += parts[int(gen() % parts.size())];
        return s;
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (int i = 0; i < 20000; ++i) {
        const QString x = make();
        const QString y = (i % 3 == 0) ? x + make() : make();
        QCOMPARE(sign(StringList::compare(x, y)), sign(x.compare(y, Qt::CaseInsensitive)));
        QCOMPARE(sign(StringList::compare(y, x)), sign(y.compare(x, Qt::CaseInsensitive)));
    }
}

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--child") == 0) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return runChild(args);
    }
    QCoreApplication app(argc, argv);
    TestPlaylist test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playlist.moc"
