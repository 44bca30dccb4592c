// The playlist editor on a 100,000-clip playlist: opening, Sort, Move Down, Add of 1,000 clips and
// OK, each beside the playlist reader's and writer's own time and a one-item-per-row list widget.
// Prints the editor's own share of each step (its time less the reader's or writer's) at the end.
#include "common/SharedState.h"
#include "editor/ClipListModel.h"
#include "editor/MangleU.h"
#include "platform/Services.h"
#include "platform/desktop/SystemServices.h"
#include "platform/media/MpvBackend.h"
#include "platform/ui/Prompts.h"
#include "playlist/CCFuncs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int ClipCount = 100000;
constexpr int AddCount = 1000;

class BenchPrompts : public Prompts
{
public:
    QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget*) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(request.text));
        std::abort();
    }
    QStringList fileDialog(FileDialogSettings& request, QWidget*) override
    {
        return request.title == QLatin1String("Select clip(s)") ? clipAnswer : playlistAnswer;
    }
    bool inputBox(const QString&, const QString&, QString&, QWidget*) override { return false; }
    QString browseFolder(FolderBrowseRequest&, QWidget*) override { return {}; }

    QStringList playlistAnswer;
    QStringList clipAnswer;
};

class NoSystem : public SystemServices
{
public:
    void requestShutdown() override {}
    void openUrl(const QString&) override {}
};

// One playlist of ClipCount existing clips, in no particular order, and AddCount more clips.
struct World
{
    QTemporaryDir dir;
    QString playlist;
    QStringList clips;
    QStringList extra;
    SharedState state;
    BenchPrompts prompts;
    NoSystem system;
    MpvBackend media; // the editor plays nothing
    Services services{prompts, system, media};
    FileDialogSettings clipDialog;

    World()
    {
        std::mt19937 random(7);
        for (int d = 0; d < 100; ++d)
            QDir(dir.path()).mkpath(QStringLiteral("Clips/Folder %1").arg(d));
        auto make = [&](int i) {
            const QString p = dir.path() + QStringLiteral("/Clips/Folder %1/Clip %2 take %3.mp3")
                                               .arg(random() % 100)
                                               .arg(random() % 1000000)
                                               .arg(i);
            QFile f(p);
            f.open(QIODevice::WriteOnly);
            return p;
        };
        for (int i = 0; i < ClipCount; ++i)
            clips.append(make(i));
        for (int i = 0; i < AddCount; ++i)
            extra.append(make(ClipCount + i));
        playlist = dir.filePath(QStringLiteral("big.asx"));
        CCFuncs::WritePlaylist(clips, playlist);
        state.AppDir = dir.path() + u'/';
        clipDialog.title = QStringLiteral("Select clip(s)");
        clipDialog.kind = FileDialogSettings::OpenMany;
        prompts.playlistAnswer = {playlist};
        prompts.clipAnswer = extra;
    }

    // An editor shown on the big playlist, with FormShow done and the view laid out.
    std::unique_ptr<TMangle> openEditor()
    {
        auto m = std::make_unique<TMangle>(state, services, clipDialog);
        m->show();
        while (m->playlistPath().isEmpty())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return m;
    }
};

World* world = nullptr;

QPushButton* button(TMangle& m, const char* name)
{
    return m.findChild<QPushButton*>(name);
}

void settle()
{
    QCoreApplication::processEvents();
}

// Baselines: the playlist reader and writer on their own.
void BM_Reader(benchmark::State& st)
{
    StringList box;
    for (auto _ : st)
        CCFuncs::ReadPlaylist(world->playlist, box);
    if (box.count() != ClipCount)
        st.SkipWithError("reader lost clips");
}

void BM_Writer(benchmark::State& st)
{
    const QString out = world->dir.filePath(QStringLiteral("out.asx"));
    for (auto _ : st)
        CCFuncs::WritePlaylist(world->clips, out);
}

// Baseline: a list widget filled one item per row.
void BM_ListWidgetFill(benchmark::State& st)
{
    for (auto _ : st) {
        QListWidget w;
        w.resize(355, 286);
        w.show();
        w.addItems(world->clips);
        settle();
    }
}

// Baseline: the shared string list's own sorted mode.
void BM_StringListSort(benchmark::State& st)
{
    for (auto _ : st) {
        StringList l(world->clips);
        l.setSorted(true);
        benchmark::DoNotOptimize(l.count());
    }
}

void BM_EditorOpen(benchmark::State& st)
{
    for (auto _ : st) {
        auto m = world->openEditor();
        if (m->clips()->rowCount() != ClipCount)
            st.SkipWithError("editor lost clips");
        st.PauseTiming();
        m.reset();
        st.ResumeTiming();
    }
}

void BM_EditorSort(benchmark::State& st)
{
    auto m = world->openEditor();
    for (auto _ : st) {
        st.PauseTiming();
        m->clips()->setSorted(false);
        m->clips()->setEntries(world->clips);
        m->selectRow(ClipCount / 2);
        settle();
        st.ResumeTiming();
        button(*m, "ButtonSort")->click();
        settle();
    }
}

void BM_EditorMoveDown(benchmark::State& st)
{
    auto m = world->openEditor();
    for (auto _ : st) {
        st.PauseTiming();
        m->selectRow(ClipCount - 2);
        settle();
        st.ResumeTiming();
        button(*m, "ButtonDown")->click();
        settle();
    }
    if (m->selectedRow() != ClipCount - 1)
        st.SkipWithError("the moved clip lost its selection");
}

void BM_EditorAdd(benchmark::State& st)
{
    const bool sorted = st.range(0) != 0;
    auto m = world->openEditor();
    for (auto _ : st) {
        st.PauseTiming();
        m->clips()->setSorted(false);
        m->clips()->setEntries(world->clips);
        m->clips()->setSorted(sorted);
        m->selectRow(10);
        settle();
        st.ResumeTiming();
        button(*m, "ButtonAdd")->click();
        settle();
    }
    if (m->clips()->rowCount() != ClipCount + AddCount)
        st.SkipWithError("clips were not added");
}

void BM_EditorOK(benchmark::State& st)
{
    auto m = world->openEditor();
    for (auto _ : st) {
        button(*m, "ButtonOK")->click();
        settle();
    }
    if (m->result() != QDialog::Accepted)
        st.SkipWithError("OK did not save");
}

BENCHMARK(BM_Reader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Writer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListWidgetFill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StringListSort)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorOpen)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorSort)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorMoveDown)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorAdd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EditorOK)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's time per iteration for the summary.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (!r.error_occurred && r.run_type == Run::RT_Iteration)
                times[r.benchmark_name()] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        }
    }
    // Wall time, and processor time, which other work on a shared machine disturbs less.
    void printSummary() const
    {
        auto get = [&](const char* prefix, bool cpu) {
            for (const auto& [name, t] : times) {
                if (name.rfind(prefix, 0) == 0)
                    return cpu ? t.second : t.first;
            }
            return -1.0;
        };
        std::printf("\nEditor's own time on %d clips, ms wall (cpu); target < 100 each:\n", ClipCount);
        for (bool cpu : {false, true}) {
            const double read = get("BM_Reader", cpu), write = get("BM_Writer", cpu);
            const double open = get("BM_EditorOpen", cpu), ok = get("BM_EditorOK", cpu);
            const double sort = get("BM_EditorSort", cpu), move = get("BM_EditorMoveDown", cpu);
            const double add = get("BM_EditorAdd/0", cpu), addSorted = get("BM_EditorAdd/1", cpu);
            std::printf("%s\n", cpu ? "cpu:" : "wall:");
            std::printf("  open less reader     %8.2f  (open/reader %.2f; list widget fill/open %.1f)\n",
                        open - read, open / read, get("BM_ListWidgetFill", cpu) / open);
            std::printf("  Sort                 %8.2f  (shared list's own sort/editor's %.1f)\n", sort,
                        get("BM_StringListSort", cpu) / sort);
            std::printf("  Move Down            %8.2f  (reader/move %.0f)\n", move, read / move);
            std::printf("  Add 1,000            %8.2f  (reader/add %.1f)\n", add, read / add);
            std::printf("  Add 1,000 sorted     %8.2f  (reader/add %.1f)\n", addSorted, read / addSorted);
            std::printf("  OK less writer       %8.2f  (OK/writer %.2f)\n", ok - write, ok / write);
        }
    }

    std::map<std::string, std::pair<double, double>> times;
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    World w;
    world = &w;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    world = nullptr;
    return 0;
}
