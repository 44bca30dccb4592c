// Copy and move of 1 GiB in 100 files with the clip manager's file operation, beside cp and mv on
// the same files in the same run, to another folder of the same disk and to a tmpfs; and a same-disk
// move of 10,000 files, whose renames are counted with strace. Ratios are printed at the end.

#include "clipmanager/SHFileOp.h"
#include "platform/ui/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Says yes to everything; the runs below ask nothing anyway.
class YesPrompts : public Prompts
{
public:
    QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget*) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        return QMessageBox::Yes;
    }
    QStringList fileDialog(FileDialogSettings&, QWidget*) override { return {}; }
    bool inputBox(const QString&, const QString&, QString&, QWidget*) override { return false; }
    QString browseFolder(FolderBrowseRequest&, QWidget*) override { return {}; }
};

constexpr int fileCount = 100;
constexpr qint64 fileSize = (qint64(1) << 30) / fileCount;

QString g_diskBase;
QString g_tmpfsBase;
std::map<std::string, double> g_seconds;

void makeFiles(const QString& dir, int count, qint64 size)
{
    QDir().mkpath(dir);
    QByteArray block(1 << 20, 'v');
    for (int i = 0; i < count; ++i) {
        QFile f(QStringLiteral("%1/clip%2.mpg").arg(dir).arg(i, 5, 10, QLatin1Char('0')));
        f.open(QIODevice::WriteOnly);
        for (qint64 done = 0; done < size; done += block.size()) {
            block[0] = char(i);
            f.write(block.constData(), qMin<qint64>(block.size(), size - done));
        }
    }
}

QStringList filesIn(const QString& dir)
{
    QStringList out;
    for (const QString& n : QDir(dir).entryList(QDir::Files, QDir::Name))
        out << dir + u'/' + n;
    return out;
}

void runOurs(const QStringList& files, const QString& dest, bool move)
{
    YesPrompts prompts;
    TShellFileOp op(prompts);
    // The clip manager's settings.
    op.FilesOnly = true;
    op.Animate = true;
    op.ProgressTitle = QStringLiteral("Vidmarro");
    for (const QString& f : files)
        op.AddSource(f);
    if (move)
        op.MoveFiles(dest);
    else
        op.CopyFiles(dest);
}

void runTool(const QStringList& files, const QString& dest, bool move)
{
    QStringList args;
    if (!move)
        args << QStringLiteral("--preserve=mode,timestamps");
    args << files << dest;
    QProcess::execute(move ? QStringLiteral("mv") : QStringLiteral("cp"), args);
}

QString destFor(int where)
{
    return (where == 0 ? g_diskBase : g_tmpfsBase) + QStringLiteral("/dest");
}

// Dirty pages of one round must not slow the next one down: flushed before each, untimed.
void settle()
{
    QProcess::execute(QStringLiteral("sync"), {});
}

double timed(const std::function<void()>& work)
{
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Each iteration runs the tool and ours on the same files, one after the other, so that both see
// the same machine; the figure reported is ours, and the ratio of the medians is printed at the end.
// Copy: the destination is emptied after each run. Move: there and back again, both legs timed.
void BM_CopyMove(benchmark::State& state, bool move)
{
    const int where = int(state.range(0));
    if (where == 1 && g_tmpfsBase.isEmpty()) {
        state.SkipWithError("no tmpfs");
        return;
    }
    const QString src = g_diskBase + QStringLiteral("/src");
    const QString dest = destFor(where);
    std::vector<double> oursTimes, toolTimes;
    bool oursFirst = false;
    for (auto _ : state) {
        double oursTime = 0;
        // The disk is shared: take turns at going first.
        oursFirst = !oursFirst;
        for (bool ours : {oursFirst, !oursFirst}) {
            state.PauseTiming();
            QDir().mkpath(dest);
            settle();
            state.ResumeTiming();
            const double t = timed([&] {
                auto run = ours ? runOurs : runTool;
                run(filesIn(src), dest, move);
                if (move)
                    run(filesIn(dest), src, true);
            });
            (ours ? oursTimes : toolTimes).push_back(t);
            if (ours)
                oursTime = t;
            state.PauseTiming();
            if (!move)
                QDir(dest).removeRecursively();
            state.ResumeTiming();
        }
        state.SetIterationTime(oursTime);
    }
    if (filesIn(src).size() != fileCount)
        state.SkipWithError("files went missing");
    const std::string key = std::string(move ? "move " : "copy ") + (where ? "tmpfs" : "disk");
    g_seconds["ours " + key] = median(oursTimes);
    g_seconds["tool " + key] = median(toolTimes);
}

void registerAll()
{
    for (int where : {0, 1}) {
        benchmark::RegisterBenchmark(where ? "copy/tmpfs" : "copy/disk", BM_CopyMove, false)
            ->Arg(where)
            ->Iterations(7)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(where ? "move/tmpfs" : "move/disk", BM_CopyMove, true)
            ->Arg(where)
            ->Iterations(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

// Moves every file of argv[2] into argv[3]: run under strace to count the renames.
int moveMany(int argc, char** argv)
{
    QApplication app(argc, argv);
    runOurs(filesIn(QString::fromLocal8Bit(argv[2])), QString::fromLocal8Bit(argv[3]), true);
    return 0;
}

void countRenames()
{
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        std::printf("rename count: strace is not installed\n");
        return;
    }
    const int many = 10000;
    const QString from = g_diskBase + QStringLiteral("/many"),
                  to = g_diskBase + QStringLiteral("/many-moved");
    makeFiles(from, many, 100);
    QDir().mkpath(to);
    struct stat before;
    ::stat(QFile::encodeName(from + QStringLiteral("/clip00000.mpg")).constData(), &before);
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(strace,
            {"-f", "-c", "-e", "trace=rename,renameat,renameat2,copy_file_range,splice,sendfile,write",
             QCoreApplication::applicationFilePath(), "--move-many", from, to});
    p.waitForFinished(-1);
    int renames = 0, copies = 0;
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardError()).split(u'\n')) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() >= 5 && cols.last().startsWith(QStringLiteral("rename")))
            renames += cols.at(3).toInt();
        if (cols.size() >= 5 &&
            (cols.last() == QStringLiteral("copy_file_range") || cols.last() == QStringLiteral("splice") ||
             cols.last() == QStringLiteral("sendfile")))
            copies += cols.at(3).toInt();
    }
    struct stat after;
    const bool sameInode =
        ::stat(QFile::encodeName(to + QStringLiteral("/clip00000.mpg")).constData(), &after) == 0 &&
        after.st_ino == before.st_ino;
    std::printf("same-disk move of %d files: %d renames (%.2f per file), %d data copies, inode kept: %s\n",
                many, renames, double(renames) / many, copies, sameInode ? "yes" : "no");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 3 && std::string(argv[1]) == "--move-many")
        return moveMany(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir disk(QDir::currentPath() + QStringLiteral("/bench_fileop-XXXXXX"));
    g_diskBase = disk.path();
    std::unique_ptr<QTemporaryDir> tmpfs;
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        tmpfs = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/bench_fileop-XXXXXX"));
        g_tmpfsBase = tmpfs->path();
    }
    makeFiles(g_diskBase + QStringLiteral("/src"), fileCount, fileSize);

    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (const char* what : {"copy disk", "copy tmpfs", "move disk", "move tmpfs"}) {
        const auto ours = g_seconds.find(std::string("ours ") + what),
                   tool = g_seconds.find(std::string("tool ") + what);
        if (ours != g_seconds.end() && tool != g_seconds.end() && tool->second > 0)
            std::printf("%-10s ours %.3f s, %s %.3f s: ratio %.2f\n", what, ours->second,
                        std::string(what).starts_with("copy") ? "cp" : "mv", tool->second,
                        ours->second / tool->second);
    }
    countRenames();
    return 0;
}
