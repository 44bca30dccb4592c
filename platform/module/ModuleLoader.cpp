#include "platform/module/ModuleLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <dlfcn.h>
#include <mutex>

namespace {

constexpr char EntryPoint[] = "vidmarro_engine_module";

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

// Loads one part of the list beside the module (parts end at a blank line), one dlopen each; kept
// loaded, as the module keeps them for the rest of the run anyway. One that fails here loads with
// the module or the driver, or the module's own failure names it.
void loadListed(int part)
{
    for (const QString& place : modulePlaces()) {
        QFile list(place + QStringLiteral("/vidmarro-engine.libs"));
        if (!list.open(QIODevice::ReadOnly))
            continue;
        int at = 0;
        while (!list.atEnd() && at <= part) {
            const QByteArray path = list.readLine().trimmed();
            if (path.isEmpty())
                ++at;
            else if (at == part)
                dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
        }
        return;
    }
}

} // namespace

EngineModule* engineModule()
{
    // Loaded once and kept: the engine's libraries leave threads and handlers behind that an unload
    // would pull the code from under.
    static EngineModule* module = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        loadListed(0);
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

void loadVideoDriverLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { loadListed(1); });
}

FileResult withEngineModule(const std::function<FileResult(EngineModule&)>& work)
{
    if (EngineModule* module = engineModule())
        return work(*module);
    return FileResult::failed(
        0, QCoreApplication::translate("ModuleLoader",
                                       "The program's module vidmarro-engine could not be loaded."));
}
