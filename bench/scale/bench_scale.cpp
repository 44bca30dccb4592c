// Playlists at 1,000, 10,000 and 100,000 clips. Each step of the program is timed beside the
// baseline that bench_playlist, bm_player and bench_editor give it, measured in the same run:
//   reader          beside reading the file and one stat() per clip
//   writer          beside write + fdatasync + rename of the same bytes
//   AllBox sorted   (one clip at a time into the sorted list) beside one std::sort of the list
//   shuffle         (the player's draw, and the whole Shuffle handler) beside std::shuffle
//   editor open     beside the reader;  Sort beside the shared list's own sort;
//   Move Down       beside the reader;  OK beside the writer
// Growth is each step's time at ten times the clips over its time before: about 10 is linear,
// 12 to 13 is n log n, 100 would be quadratic. Small counts carry fixed costs, so their growth
// reads low.
#include "common/SharedState.h"
#include "common/StringList.h"
#include "editor/ClipListModel.h"
#include "editor/MangleU.h"
#include "platform/Services.h"
#include "platform/desktop/SystemServices.h"
#include "platform/media/MpvBackend.h"
#include "platform/ui/Prompts.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const int Counts[] = {1000, 10000, 100000};

class BenchPrompts : public Prompts
{
public:
    QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget*) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(request.text));
        std::abort();
    }
    QStringList fileDialog(FileDialogSettings&, QWidget*) override { return {playlist}; }
    bool inputBox(const QString&, const QString&, QString&, QWidget*) override { return false; }
    QString browseFolder(FolderBrowseRequest&, QWidget*) override { return {}; }
    QString playlist;
};

class NoSystem : public SystemServices
{
public:
    void requestShutdown() override {}
    void openUrl(const QString&) override {}
};

// n empty clips in n/100 folders (at least ten), named in mixed letter case, in random order.
struct Clips
{
    QTemporaryDir dir;
    QStringList paths;
    QList<QByteArray> encoded;
    QString playlist;
    QByteArray playlistBytes;

    explicit Clips(int n)
    {
        std::mt19937 gen(1);
        const char* artists[] = {"abba", "Beatles", "cream", "Doors", "eagles", "Kinks", "queen", "Who"};
        const int folders = std::max(10, n / 1000);
        for (int f = 0; f < folders; ++f)
            QDir().mkpath(dir.filePath(QStringLiteral("Folder %1").arg(f, 3, 10, QLatin1Char('0'))));
        for (int i = 0; i < n; ++i) {
            const QString path = QStringLiteral("%1/Folder %2/%3 - Track %4 take %5.mp3")
                                     .arg(dir.path())
                                     .arg(int(gen() % unsigned(folders)), 3, 10, QLatin1Char('0'))
                                     .arg(QString::fromLatin1(artists[gen() % 8]))
                                     .arg(gen() % 1000000, 6, 10, QLatin1Char('0'))
                                     .arg(i);
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            paths << path;
        }
        for (const QString& p : std::as_const(paths))
            encoded << QFile::encodeName(p);
        playlist = dir.filePath(QStringLiteral("all.asx"));
        CCFuncs::WritePlaylist(paths, playlist);
        QFile f(playlist);
        f.open(QIODevice::ReadOnly);
        playlistBytes = f.readAll();
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median milliseconds of `body` over `runs` runs; `prepare` runs untimed before each.
double timeIt(int runs, const std::function<void()>& body, const std::function<void()>& prepare = {})
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        body();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

struct Row
{
    const char* step;
    const char* baseline;
    std::map<int, std::pair<double, double>> at; // n -> (ours, baseline)
};

void settle()
{
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    std::vector<Row> rows = {
        {"reader", "read + stat each", {}},
        {"writer", "write+sync+rename", {}},
        {"AllBox sorted, one by one", "std::sort", {}},
        {"shuffle draw", "std::shuffle", {}},
        {"Shuffle handler", "std::shuffle", {}},
        {"editor open", "reader", {}},
        {"editor Sort", "shared list sort", {}},
        {"editor Move Down", "reader", {}},
        {"editor OK", "writer", {}},
    };
    auto put = [&](size_t row, int n, double ours, double base) { rows[row].at[n] = {ours, base}; };

    BenchPrompts prompts;
    NoSystem system;
    const QStringList quiet{QStringLiteral("vo=null"), QStringLiteral("ao=null")};
    MpvBackend media(quiet);
    Services services{prompts, system, media};

    for (const int n : Counts) {
        std::fprintf(stderr, "%d clips...\n", n);
        Clips c(n);
        const int runs = n >= 100000 ? 3 : n >= 10000 ? 7 : 21;
        const QString out = c.dir.filePath(QStringLiteral("out.asx"));
        const QByteArray tmp = QFile::encodeName(c.dir.filePath(QStringLiteral("raw.tmp")));
        const QByteArray raw = QFile::encodeName(c.dir.filePath(QStringLiteral("raw.asx")));

        // Baselines shared by several rows.
        const double readBase = timeIt(runs, [&] {
            QByteArray buf(64 * 1024, Qt::Uninitialized);
            const int fd = ::open(QFile::encodeName(c.playlist).constData(), O_RDONLY);
            while (::read(fd, buf.data(), size_t(buf.size())) > 0) {
            }
            ::close(fd);
            int found = 0;
            struct stat st;
            for (const QByteArray& p : std::as_const(c.encoded))
                found += ::stat(p.constData(), &st) == 0;
            if (found != n)
                std::abort();
        });
        const double writeBase = timeIt(runs, [&] {
            const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (::write(fd, c.playlistBytes.constData(), size_t(c.playlistBytes.size())) !=
                c.playlistBytes.size())
                std::abort();
            ::fdatasync(fd);
            ::close(fd);
            ::rename(tmp.constData(), raw.constData());
        });
        const double reader = timeIt(runs, [&] {
            StringList box;
            if (CCFuncs::ReadPlaylist(c.playlist, box) != 0 || box.count() != n)
                std::abort();
        });
        const double writer = timeIt(runs, [&] { CCFuncs::WritePlaylist(c.paths, out); });
        put(0, n, reader, readBase);
        put(1, n, writer, writeBase);

        const double sortedAdd = timeIt(runs, [&] {
            StringList box;
            box.setSorted(true);
            for (const QString& p : std::as_const(c.paths))
                box.add(p);
            if (box.items().size() != n)
                std::abort();
        });
        const double stdSort = timeIt(runs, [&] {
            QStringList copy = c.paths;
            std::sort(copy.begin(), copy.end(),
                      [](const QString& a, const QString& b) { return StringList::compare(a, b) < 0; });
        });
        put(2, n, sortedAdd, stdSort);

        std::mt19937 rng(1);
        QStringList a;
        const double draw = timeIt(
            runs, [&] { TWplayerF2::shuffle(a, rng); }, [&] { a = c.paths; });
        const double stdShuffle = timeIt(
            runs, [&] { std::shuffle(a.begin(), a.end(), rng); }, [&] { a = c.paths; });
        put(3, n, draw, stdShuffle);

        {
            SharedState s;
            s.AllBox.assign(c.paths);
            std::unique_ptr<TWplayerF2> player;
            QCheckBox* box = nullptr;
            const double handler = timeIt(
                std::min(runs, 5), [&] { box->setChecked(true); },
                [&] {
                    player = std::make_unique<TWplayerF2>(s, services, nullptr);
                    box = player->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
                });
            player.reset();
            put(4, n, handler, stdShuffle);
        }

        // The editor on this playlist.
        SharedState state;
        state.AppDir = c.dir.path() + u'/';
        prompts.playlist = c.playlist;
        FileDialogSettings clipDialog;
        clipDialog.kind = FileDialogSettings::OpenMany;
        auto openEditor = [&] {
            auto m = std::make_unique<TMangle>(state, services, clipDialog);
            m->show();
            while (m->playlistPath().isEmpty())
                QCoreApplication::processEvents();
            settle();
            return m;
        };
        std::unique_ptr<TMangle> m;
        const double open = timeIt(
            std::min(runs, 5),
            [&] {
                m = openEditor();
                if (m->clips()->rowCount() != n)
                    std::abort();
            },
            [&] { m.reset(); });

        const double listSort = timeIt(runs, [&] {
            StringList l(c.paths);
            l.setSorted(true);
        });
        auto click = [&](const char* name) {
            m->findChild<QPushButton*>(QString::fromLatin1(name))->click();
            settle();
        };
        const double sort = timeIt(
            runs, [&] { click("ButtonSort"); },
            [&] {
                m->clips()->setSorted(false);
                m->clips()->setEntries(c.paths);
                m->selectRow(n / 2);
                settle();
            });
        const double move = timeIt(
            runs, [&] { click("ButtonDown"); },
            [&] {
                m->selectRow(n - 2);
                settle();
            });
        if (m->selectedRow() != n - 1)
            std::abort();
        const double ok = timeIt(runs, [&] { click("ButtonOK"); });
        m.reset();
        put(5, n, open, reader);
        put(6, n, sort, listSort);
        put(7, n, move, reader);
        put(8, n, ok, writer);
    }

    std::printf("\nPlaylists at scale: ms, ours / baseline (ratio); growth per ten times the clips\n");
    std::printf("%-26s %-18s", "step", "baseline");
    for (int n : Counts)
        std::printf(" %24d", n);
    std::printf("   growth   verdict\n");
    for (const Row& r : rows) {
        std::printf("%-26s %-18s", r.step, r.baseline);
        for (int n : Counts) {
            const auto [ours, base] = r.at.at(n);
            std::printf("  %8.2f / %7.2f (%5.2f)", ours, base, ours / base);
        }
        const double g1 = r.at.at(10000).first / r.at.at(1000).first;
        const double g2 = r.at.at(100000).first / r.at.at(10000).first;
        // Growth under 20 per tenfold is linear or n log n; the larger step is the telling one.
        std::printf("   %5.1f %5.1f  %s\n", g1, g2, g2 < 20 ? "linear or n log n" : "faster than n log n");
    }
    for (const Row& r : rows) {
        const auto [ours, base] = r.at.at(100000);
        std::printf("FIGURE|100,000 clips: %s|%.1f|%.1f|ms|%.2f|-|%s\n", r.step, ours, base, ours / base,
                    r.baseline);
    }
    return 0;
}
