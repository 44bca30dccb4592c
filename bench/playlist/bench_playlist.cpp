// Playlist writing and reading, and AllBox's sorted mode, each beside a baseline of the same work
// done the plainest way, measured in the same run. The ratios are printed at the end.

#include "common/StringList.h"
#include "playlist/CCFuncs.h"
#include "playlist/FolderScan.h"
#include "playlist/Playlists.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int clipCount = 100000;

// 100,000 empty clips in 100 folders, named in mixed letter case, listed in random order.
struct Clips
{
    QTemporaryDir dir;
    QStringList paths;
    QList<QByteArray> encoded;
    QString playlist;
    QByteArray playlistBytes;

    Clips()
    {
        std::mt19937 gen(1);
        const char* artists[] = {"abba", "Beatles", "cream", "Doors", "eagles", "Kinks", "queen", "Who"};
        for (int f = 0; f < 100; ++f) {
            const QString folder = dir.filePath(QStringLiteral("Folder %1").arg(f, 3, 10, QLatin1Char('0')));
            QDir().mkpath(folder);
            for (int i = 0; i < clipCount / 100; ++i) {
                const QString path = QStringLiteral("%1/%2 - Track %3.mp3")
                                         .arg(folder, QString::fromLatin1(artists[gen() % 8]))
                                         .arg(gen() % 1000000, 6, 10, QLatin1Char('0'));
                QFile file(path);
                file.open(QIODevice::WriteOnly);
                paths << path;
            }
        }
        std::shuffle(paths.begin(), paths.end(), gen);
        for (const QString& p : std::as_const(paths))
            encoded << QFile::encodeName(p);
        playlist = dir.filePath(QStringLiteral("all.asx"));
        CCFuncs::WritePlaylist(paths, playlist);
        QFile f(playlist);
        f.open(QIODevice::ReadOnly);
        playlistBytes = f.readAll();
    }
};

Clips& clips()
{
    static Clips c;
    return c;
}

void writeRaw(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        std::abort();
    ::close(fd);
}

// ---- writing ----

void Write_playlist(benchmark::State& state)
{
    Clips& c = clips();
    const QString out = c.dir.filePath(QStringLiteral("out.asx"));
    for (auto _ : state)
        CCFuncs::WritePlaylist(c.paths, out);
    state.SetBytesProcessed(state.iterations() * c.playlistBytes.size());
}

void Write_baseline_raw(benchmark::State& state)
{
    Clips& c = clips();
    const QString out = c.dir.filePath(QStringLiteral("raw.asx"));
    for (auto _ : state)
        writeRaw(out, c.playlistBytes);
    state.SetBytesProcessed(state.iterations() * c.playlistBytes.size());
}

void Write_baseline_raw_sync(benchmark::State& state)
{
    Clips& c = clips();
    const QString out = c.dir.filePath(QStringLiteral("raw.asx"));
    for (auto _ : state) {
        const int fd = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, c.playlistBytes.constData(), size_t(c.playlistBytes.size())) !=
            c.playlistBytes.size())
            std::abort();
        ::fdatasync(fd);
        ::close(fd);
    }
}

// The least an atomic replace costs: a new file, synced, renamed over the old one.
void Write_baseline_tmp_rename(benchmark::State& state)
{
    Clips& c = clips();
    const QByteArray tmp = QFile::encodeName(c.dir.filePath(QStringLiteral("raw.tmp")));
    const QByteArray out = QFile::encodeName(c.dir.filePath(QStringLiteral("raw.asx")));
    for (auto _ : state) {
        const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, c.playlistBytes.constData(), size_t(c.playlistBytes.size())) !=
            c.playlistBytes.size())
            std::abort();
        ::fdatasync(fd);
        ::close(fd);
        ::rename(tmp.constData(), out.constData());
    }
}

// ---- reading ----

void Read_playlist(benchmark::State& state)
{
    Clips& c = clips();
    StringList box;
    for (auto _ : state) {
        const int missing = CCFuncs::ReadPlaylist(c.playlist, box);
        if (missing != 0 || box.count() != clipCount)
            state.SkipWithError("wrong result");
    }
}

void Read_baseline_stat_and_read(benchmark::State& state)
{
    Clips& c = clips();
    QByteArray buf(64 * 1024, Qt::Uninitialized);
    for (auto _ : state) {
        const int fd = ::open(QFile::encodeName(c.playlist).constData(), O_RDONLY);
        while (::read(fd, buf.data(), size_t(buf.size())) > 0) {
        }
        ::close(fd);
        int found = 0;
        struct stat st;
        for (const QByteArray& p : std::as_const(c.encoded))
            found += ::stat(p.constData(), &st) == 0;
        benchmark::DoNotOptimize(found);
    }
}

// ---- playlists carried to another machine with their clips ----

// The same 100,000 entries as an M3U beside the clips: as they stand, and as another user's list
// names them (/home/ann/Music/Clips/...), found again below the playlist's folder.
struct Moved
{
    QString inPlace;
    QString relocated;

    Moved()
    {
        Clips& c = clips();
        QByteArray here = "#EXTM3U\n";
        QByteArray there = "#EXTM3U\n";
        const qsizetype root = c.dir.path().size();
        for (const QString& p : std::as_const(c.paths)) {
            here += p.toUtf8() + '\n';
            there += "/home/ann/Music/Clips" + p.mid(root).toUtf8() + '\n';
        }
        inPlace = c.dir.filePath(QStringLiteral("here.m3u"));
        relocated = c.dir.filePath(QStringLiteral("there.m3u"));
        writeRaw(inPlace, here);
        writeRaw(relocated, there);
    }
};

Moved& moved()
{
    static Moved m;
    return m;
}

void readAll(benchmark::State& state, const QString& playlist)
{
    StringList box;
    for (auto _ : state) {
        const int missing = Playlists::read(playlist, box);
        if (missing != 0 || box.count() != clipCount)
            state.SkipWithError("wrong result");
    }
}

void Relocate_read(benchmark::State& state)
{
    readAll(state, moved().relocated);
}

void Relocate_baseline_in_place(benchmark::State& state)
{
    readAll(state, moved().inPlace);
}

// ---- folders ----

// 100,000 files in 1,000 folders (ten folders of ten of ten), as a music and video collection
// holds them: mostly clips, with covers, notes, subtitles, and one name in a thousand without an
// extension (read for its content).
struct Tree
{
    QTemporaryDir dir;
    int clips = 0;

    Tree()
    {
        const char* kinds[] = {".mp3", ".flac", ".mkv",  ".mp4", ".ogg",  ".MP3", ".wav",
                               ".avi", ".m4a",  ".opus", ".mp3", ".flac", ".mp3", ".mkv",
                               ".mp3", ".jpg",  ".txt",  ".srt", ".mp3",  ".mp3"};
        std::mt19937 gen(2);
        int n = 0;
        for (int a = 0; a < 10; ++a) {
            for (int b = 0; b < 10; ++b) {
                for (int c = 0; c < 10; ++c) {
                    const QString folder =
                        dir.filePath(QStringLiteral("Artist %1/Album %2/Disc %3").arg(a).arg(b).arg(c));
                    QDir().mkpath(folder);
                    for (int i = 0; i < 100; ++i, ++n) {
                        const char* kind = n % 1000 == 999 ? "" : kinds[gen() % 20];
                        const QString path = QStringLiteral("%1/%2 Track %3%4")
                                                 .arg(folder)
                                                 .arg(i)
                                                 .arg(gen() % 100000)
                                                 .arg(QLatin1String(kind));
                        const int fd =
                            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                        if (!*kind && ::write(fd, "plain words\n", 12) != 12)
                            std::abort();
                        ::close(fd);
                        const std::string k = kind;
                        clips += k != ".jpg" && k != ".txt" && k != ".srt" && !k.empty();
                    }
                }
            }
        }
    }
};

Tree& tree()
{
    static Tree t;
    return t;
}

void Folder_expand(benchmark::State& state)
{
    Tree& t = tree();
    for (auto _ : state) {
        const QStringList found = FolderScan::clipsIn(t.dir.path());
        if (found.size() != t.clips)
            state.SkipWithError("wrong result");
    }
}

// What the shell does with the same tree: every file, sorted.
void Folder_baseline_find_sort(benchmark::State& state)
{
    Tree& t = tree();
    const std::string command = "find '" + t.dir.path().toStdString() + "' -type f | sort > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("find failed");
    }
}

// ---- AllBox's sorted mode ----

void Sorted_add_one_by_one(benchmark::State& state)
{
    Clips& c = clips();
    for (auto _ : state) {
        StringList box;
        box.setSorted(true);
        for (const QString& p : std::as_const(c.paths))
            box.add(p);
        benchmark::DoNotOptimize(box.items().constData());
    }
}

void Sorted_append_then_sort(benchmark::State& state)
{
    Clips& c = clips();
    for (auto _ : state) {
        StringList box;
        for (const QString& p : std::as_const(c.paths))
            box.add(p);
        box.setSorted(true);
        benchmark::DoNotOptimize(box.items().constData());
    }
}

// The same sort with Qt's own case-insensitive comparison, which folds every character.
void Sorted_std_sort_qt_compare(benchmark::State& state)
{
    Clips& c = clips();
    for (auto _ : state) {
        QStringList copy = c.paths;
        std::sort(copy.begin(), copy.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        benchmark::DoNotOptimize(copy.constData());
    }
}

void Sorted_baseline_std_sort(benchmark::State& state)
{
    Clips& c = clips();
    for (auto _ : state) {
        QStringList copy = c.paths;
        std::sort(copy.begin(), copy.end(),
                  [](const QString& a, const QString& b) { return StringList::compare(a, b) < 0; });
        benchmark::DoNotOptimize(copy.constData());
    }
}

BENCHMARK(Write_playlist)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_baseline_raw)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_baseline_raw_sync)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_baseline_tmp_rename)->Unit(benchmark::kMillisecond);
BENCHMARK(Read_playlist)->Unit(benchmark::kMillisecond);
BENCHMARK(Read_baseline_stat_and_read)->Unit(benchmark::kMillisecond);
BENCHMARK(Relocate_read)->Unit(benchmark::kMillisecond);
BENCHMARK(Relocate_baseline_in_place)->Unit(benchmark::kMillisecond);
BENCHMARK(Folder_expand)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(Folder_baseline_find_sort)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(Sorted_add_one_by_one)->Unit(benchmark::kMillisecond);
BENCHMARK(Sorted_append_then_sort)->Unit(benchmark::kMillisecond);
BENCHMARK(Sorted_std_sort_qt_compare)->Unit(benchmark::kMillisecond);
BENCHMARK(Sorted_baseline_std_sort)->Unit(benchmark::kMillisecond);

// Prints each figure of a group (the name up to the first '_') against the group's first baseline.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            // With repetitions, the median stands for the benchmark.
            if (r.error_occurred || (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median"))
                continue;
            m_times[r.run_name.function_name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nAgainst the baseline measured in this run (wall clock, CPU time):\n");
        for (const auto& [name, time] : m_times) {
            if (name.find("baseline") != std::string::npos)
                continue;
            const std::string group = name.substr(0, name.find('_'));
            for (const auto& [bname, btime] : m_times) {
                if (bname.rfind(group + "_baseline", 0) == 0) {
                    std::printf("  %-28s %7.2fx %7.2fx  %s\n", name.c_str(), time.first / btime.first,
                                time.second / btime.second, bname.c_str());
                    // The whole-program table takes the folder figure: wall clock, as the user waits.
                    if (name == "Relocate_read")
                        std::printf(
                            "FIGURE|playlist of 100,000 moved entries read (ms)|%.1f|%.1f|ms|%.2f|2|the "
                            "same in place\n",
                            time.first, btime.first, time.first / btime.first);
                    if (name == "Folder_expand")
                        std::printf("FIGURE|folder of 100,000 files expanded (ms)|%.1f|%.1f|ms|%.2f|1.5|find "
                                    "| sort\n",
                                    time.first, btime.first, time.first / btime.first);
                }
            }
        }
    }

private:
    std::map<std::string, std::pair<double, double>> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    clips(); // build the fixtures before any timing
    moved();
    tree();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
