#include "platform/module/ModuleLoader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <mutex>

namespace {

constexpr char EntryPoint[] = "vidmarro_engine_module";

// The program's folder, also before the application object exists (the engine check's child) and
// off the GUI thread (a preload): read where the application object reads it.
QString programDir()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

} // namespace

EngineModule* engineModule()
{
    // Loaded once and kept: the engine's libraries leave threads and handlers behind that an unload
    // would pull the code from under.
    static EngineModule* module = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        QStringList places{programDir()};
#ifdef VIDMARRO_MODULE_FROM_BIN
        // An install under another prefix keeps the module where it stands beside the program.
        places.append(programDir() + QStringLiteral("/" VIDMARRO_MODULE_FROM_BIN));
#endif
#ifdef VIDMARRO_MODULE_DIR
        places.append(QStringLiteral(VIDMARRO_MODULE_DIR));
#endif
        QString why;
        for (const QString& place : std::as_const(places)) {
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
