// Runs one saving operation of the program under a fault and tells the test what happened, one
// key=value per line. The fault tests start it under fiu-run, setpriv and unshare.
//
//   attempt <op> <dir> <clips> [N [named]]
//                                    run <op> once; with N, libfiu fails the Nth I/O call in it;
//                                    with "named", where unnamed files are not to be had
//   sizelimit <op> <dir> <clips>     run <op> under file size limits from 0 to past its new size
//   fulldisk <op> <dir> <clips>      (private mount namespace) run <op> on a tmpfs at <dir> left
//                                    with 0, 1, 2 ... free pages, and with no free inode
#include "FaultOps.h"

#include "common/AppError.h"
#include "common/IniFile.h"
#include "playlist/CCFuncs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace FaultOps;

namespace {

void put(const char* key, const QString& value)
{
    QString v = value;
    v.replace(u'\n', QLatin1String("\\n"));
    v.replace(u'\r', QLatin1String("\\r"));
    std::printf("%s=%s\n", key, v.toLocal8Bit().constData());
    std::fflush(stdout);
}

void putTally(const Tally& t)
{
    put("trials", QString::number(t.trials));
    put("reported", QString::number(t.reported));
    put("succeeded", QString::number(t.succeeded));
    put("lost", QString::number(t.bytesLost));
    put("leftovers", QString::number(t.leftovers));
    put("silent", QString::number(t.silent));
    for (const QString& n : t.notes)
        put("note", n);
}

void noop() {}

// ---- libfiu: fail the Nth I/O call of the operation ---------------------------------------------
//
// The posix preload of fiu-run asks libfiu before each wrapped call; an external callback of ours
// counts the calls of this thread and fails exactly one. Looked up at run time, so that the
// program needs libfiu only when it runs under fiu-run.
namespace Fiu {

using Callback = int(const char*, int*, void**, unsigned*);
using EnableExternal = int (*)(const char*, int, void*, unsigned, Callback*);

bool g_armed = false;
pthread_t g_thread;
int g_count = 0;
int g_failAt = 0;
char g_failed[128] = {};
char g_log[16384] = {};

int errnoFor(const char* name)
{
    if (std::strstr(name, "/open"))
        return (g_failAt % 2) ? EACCES : EMFILE;
    if (std::strstr(name, "/write") || std::strstr(name, "/pwrite"))
        return (g_failAt % 2) ? ENOSPC : EIO;
    return EIO;
}

// Set: the first open of the save, which asks for an unnamed file, is refused as unsupported,
// so that the save takes its named way, and that way is swept.
bool g_noUnnamed = false;
bool g_unnamedRefused = false;

// Runs inside the wrapped calls: no allocation, no I/O.
int onPoint(const char* name, int*, void** failinfo, unsigned*)
{
    if (!g_armed || !pthread_equal(pthread_self(), g_thread))
        return 0;
    if (g_noUnnamed && !g_unnamedRefused && std::strcmp(name, "posix/io/oc/open") == 0) {
        g_unnamedRefused = true;
        *failinfo = reinterpret_cast<void*>(static_cast<long>(EOPNOTSUPP));
        return 1;
    }
    ++g_count;
    const size_t used = std::strlen(g_log);
    if (used + std::strlen(name) + 2 < sizeof g_log) {
        std::strcat(g_log, name);
        std::strcat(g_log, ",");
    }
    if (g_count != g_failAt)
        return 0;
    std::strncpy(g_failed, name, sizeof g_failed - 1);
    *failinfo = reinterpret_cast<void*>(static_cast<long>(errnoFor(name)));
    return 1;
}

bool install(int failAt)
{
    auto enable = reinterpret_cast<EnableExternal>(::dlsym(RTLD_DEFAULT, "fiu_enable_external"));
    if (!enable)
        return false;
    g_thread = pthread_self();
    g_failAt = failAt;
    // One by one rather than by a wildcard, so that the callback learns which call it is.
    static const char* const points[] = {
        "posix/io/oc/open",          "posix/io/oc/close",          "posix/io/sync/fsync",
        "posix/io/sync/fdatasync",   "posix/io/rw/read",           "posix/io/rw/read/reduce",
        "posix/io/rw/pread",         "posix/io/rw/pread/reduce",   "posix/io/rw/readv",
        "posix/io/rw/readv/reduce",  "posix/io/rw/preadv",         "posix/io/rw/preadv/reduce",
        "posix/io/rw/write",         "posix/io/rw/write/reduce",   "posix/io/rw/pwrite",
        "posix/io/rw/pwrite/reduce", "posix/io/rw/writev",         "posix/io/rw/writev/reduce",
        "posix/io/rw/pwritev",       "posix/io/rw/pwritev/reduce", "posix/io/rw/truncate",
        "posix/io/rw/ftruncate",     "posix/io/dir/opendir",       "posix/io/dir/fdopendir",
        "posix/io/dir/readdir",      "posix/io/dir/readdir_r",     "posix/io/dir/closedir",
        "posix/io/dir/unlink",       "posix/io/dir/rename",
    };
    for (const char* p : points) {
        if (enable(p, 1, nullptr, 0, &onPoint) != 0)
            return false;
    }
    return true;
}

} // namespace Fiu

int attempt(const QString& opName, const QString& dir, const QString& clips, const QStringList& rest)
{
    auto op = make(opName);
    if (!op)
        return 2;
    const bool underFiu = !rest.isEmpty();
    Fiu::g_noUnnamed = rest.value(1) == QLatin1String("named");
    if (underFiu && !Fiu::install(rest.first().toInt()))
        return 77; // not under fiu-run -x
    const Outcome out = op->run(
        dir, clips, [] { Fiu::g_armed = true; }, [] { Fiu::g_armed = false; });
    put("reported", out.reported ? QStringLiteral("1") : QStringLiteral("0"));
    put("message", out.message);
    put("points", QString::number(Fiu::g_count));
    put("failed", QString::fromLatin1(Fiu::g_failed));
    put("log", QString::fromLatin1(Fiu::g_log));
    return 0;
}

// The complete new file: the operation once, with no fault, in a folder of its own.
QByteArray completeFile(Op& op, const QString& clips)
{
    QTemporaryDir scratch;
    op.prepare(scratch.path(), clips);
    op.run(scratch.path(), clips, noop, noop);
    return readFile(QDir(scratch.path()).filePath(op.target()));
}

void clearDir(const QString& dir)
{
    for (const QString& e : entries(dir))
        QFile::remove(QDir(dir).filePath(e));
}

QStringList extraEntries(const QString& dir, const QString& target)
{
    QStringList extra;
    for (const QString& e : entries(dir)) {
        if (e != target && !e.startsWith(QLatin1String("filler")))
            extra << e;
    }
    return extra;
}

// ---- file size limit -----------------------------------------------------------------------------

int sizeLimit(const QString& opName, const QString& dir, const QString& clips)
{
    auto op = make(opName);
    if (!op)
        return 2;
    std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of killing us
    const QByteArray complete = completeFile(*op, clips);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    // Every limit from nothing to past the new file, densely where the file ends.
    QList<qint64> limits;
    for (qint64 l = 0; l < complete.size() + 600; l += (l < 64 ? 1 : 397))
        limits << l;
    for (qint64 l = complete.size() - 8; l <= complete.size() + 1; ++l)
        limits << l;
    Tally tally;
    for (const qint64 limit : std::as_const(limits)) {
        clearDir(dir);
        op->prepare(dir, clips);
        const QString path = QDir(dir).filePath(op->target());
        const QByteArray before = readFile(path);
        const Outcome out = op->run(
            dir, clips,
            [&] {
                rlimit small = old;
                small.rlim_cur = rlim_t(limit);
                ::setrlimit(RLIMIT_FSIZE, &small);
            },
            [&] { ::setrlimit(RLIMIT_FSIZE, &old); });
        tally.add(QStringLiteral("limit %1").arg(limit), out, before, readFile(path), complete,
                  op->partialStates(dir), extraEntries(dir, op->target()), limit < complete.size());
    }
    putTally(tally);
    return 0;
}

// ---- full disk -----------------------------------------------------------------------------------

bool mountTmpfs(const QString& dir, const char* options)
{
    // Closed to others, as the program's own folder must be (a tmpfs is 1777 by default).
    const QByteArray closed = QByteArray(options) + ",mode=0755";
    return ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, closed.constData()) == 0;
}

void unmount(const QString& dir)
{
    ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
}

// Fills the disk, then gives back `pages` pages of 4 KiB.
void fillLeaving(const QString& dir, int pages)
{
    const QByteArray name = QFile::encodeName(QDir(dir).filePath(QStringLiteral("filler")));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const QByteArray block(65536, 'f');
    off_t size = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.constData(), size_t(block.size()));
        if (n <= 0)
            break;
        size += n;
    }
    const off_t used = (size + 4095) / 4096;
    const off_t keep = used > pages ? used - pages : 0;
    if (::ftruncate(fd, keep * 4096) != 0)
        std::perror("ftruncate");
    ::close(fd);
}

// Takes every free inode.
void fillInodes(const QString& dir)
{
    for (int i = 0; i < 100000; ++i) {
        const QByteArray name = QFile::encodeName(QDir(dir).filePath(QStringLiteral("filler%1").arg(i)));
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            break;
        ::close(fd);
    }
}

int fullDisk(const QString& opName, const QString& dir, const QString& clips)
{
    auto op = make(opName);
    if (!op)
        return 2;
    if (!mountTmpfs(dir, "size=4m"))
        return 77;
    unmount(dir);
    const QByteArray complete = completeFile(*op, clips);
    const int pagesNeeded = int((complete.size() + 4095) / 4096);
    Tally tally;
    auto trial = [&](const QString& label, const char* options, const std::function<void()>& fill,
                     bool mustFail) {
        if (!mountTmpfs(dir, options)) {
            tally.notes << label + QStringLiteral(": cannot mount");
            ++tally.silent;
            return;
        }
        op->prepare(dir, clips);
        const QString path = QDir(dir).filePath(op->target());
        const QByteArray before = readFile(path);
        fill();
        const Outcome out = op->run(dir, clips, noop, noop);
        tally.add(label, out, before, readFile(path), complete, op->partialStates(dir),
                  extraEntries(dir, op->target()), mustFail);
        unmount(dir);
    };
    for (int pages = 0; pages <= pagesNeeded + 1; ++pages) {
        trial(
            QStringLiteral("%1 free pages").arg(pages), "size=1m", [&] { fillLeaving(dir, pages); },
            pages < pagesNeeded);
    }
    trial(
        QStringLiteral("no free inode"), "size=1m,nr_inodes=64", [&] { fillInodes(dir); }, true);
    putTally(tally);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QString cmd = QString::fromLocal8Bit(argc > 1 ? argv[1] : "");
    // The windows need a QApplication; a check that the driver runs at all does not.
    std::unique_ptr<QCoreApplication> app;
    if (cmd == QLatin1String("noop"))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (cmd == QLatin1String("noop"))
        return 0;
    if (cmd == QLatin1String("attempt"))
        return attempt(args.value(1), args.value(2), args.value(3), args.mid(4));
    if (cmd == QLatin1String("sizelimit"))
        return sizeLimit(args.value(1), args.value(2), args.value(3));
    if (cmd == QLatin1String("fulldisk"))
        return fullDisk(args.value(1), args.value(2), args.value(3));
    return 2;
}
