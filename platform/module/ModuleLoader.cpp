#include "platform/module/ModuleLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <atomic>
#include <ctime>
#include <dlfcn.h>
#include <mutex>
#include <sys/prctl.h>
#include <thread>
#include <utility>

namespace {

constexpr char EntryPoint[] = "vidmarro_engine_module";
// A pause after each library while the toolkit still starts: glibc's loader lock goes to whoever
// takes it first, which would be this thread again, before a waiting one has woken up.
constexpr long PoliteNs = 20000;

// The program's folder, also before the application object exists (the engine check's child) and
// off the GUI thread (a preload): read where the application object reads it.
QString programDir()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

QStringList modulePlaces()
{
    QStringList places{programDir()};
#ifdef VIDMARRO_MODULE_FROM_BIN
    // An install under another prefix keeps the module where it stands beside the program.
    places.append(programDir() + QStringLiteral("/" VIDMARRO_MODULE_FROM_BIN));
#endif
#ifdef VIDMARRO_MODULE_DIR
    places.append(QStringLiteral(VIDMARRO_MODULE_DIR));
#endif
    return places;
}

struct Ahead
{
    std::mutex mutex;
    std::thread thread;
    bool started = false;
    std::atomic_bool polite{true};
    ~Ahead() { wait(); } // a run that ends before the module was wanted
    void wait()
    {
        const std::lock_guard lock(mutex);
        if (thread.joinable())
            thread.join();
    }
};
Ahead ahead;

// Loads the libraries of the list beside the module, one dlopen each; kept loaded, as the module
// keeps them for the rest of the run anyway. One that fails here loads with the module, or the
// module's own failure names it.
void loadListed(bool mayPause)
{
    if (mayPause)
        ::prctl(PR_SET_TIMERSLACK, 1UL); // the pauses as short as asked
    for (const QString& place : modulePlaces()) {
        QFile list(place + QStringLiteral("/vidmarro-engine.libs"));
        if (!list.open(QIODevice::ReadOnly))
            continue;
        while (!list.atEnd()) {
            const QByteArray path = list.readLine().trimmed();
            if (path.isEmpty())
                continue;
            dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
            if (mayPause && ahead.polite.load()) {
                const timespec pause{0, PoliteNs};
                nanosleep(&pause, nullptr);
            }
        }
        return;
    }
}

} // namespace

void loadEngineLibrariesAhead()
{
    const std::lock_guard lock(ahead.mutex);
    if (!std::exchange(ahead.started, true))
        ahead.thread = std::thread(loadListed, true);
}

void letEngineLibrariesHurry()
{
    ahead.polite = false;
}

EngineModule* engineModule()
{
    // Loaded once and kept: the engine's libraries leave threads and handlers behind that an unload
    // would pull the code from under.
    static EngineModule* module = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        ahead.wait();
        {
            // Without a start ahead, one by one is still the faster way.
            const std::lock_guard lock(ahead.mutex);
            if (!std::exchange(ahead.started, true))
                loadListed(false);
        }
        QString why;
        for (const QString& place : modulePlaces()) {
            QLibrary library(place + QStringLiteral("/vidmarro-engine"));
            using Entry = EngineModule* (*)();
            if (auto entry = reinterpret_cast<Entry>(library.resolve(EntryPoint))) {
                module = entry();
                return;
            }
            why = library.errorString();
        }
        qWarning("media engine module: %s", qPrintable(why));
    });
    return module;
}

FileResult withEngineModule(const std::function<FileResult(EngineModule&)>& work)
{
    if (EngineModule* module = engineModule())
        return work(*module);
    return FileResult::failed(
        0, QCoreApplication::translate("ModuleLoader",
                                       "The program's module vidmarro-engine could not be loaded."));
}
