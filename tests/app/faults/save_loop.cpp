// Saves a playlist or the settings over and over, two versions in turn, until it is killed: the
// kill -9 test's program. Small, so that it starts quickly two hundred times.
//
//   save_loop <playlist|settings> <dir>
#include "SaveLoop.h"

#include "common/AppError.h"
#include "common/IniFile.h"
#include "playlist/CCFuncs.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 2;
    const bool playlist = args[1] == QLatin1String("playlist");
    const QString path =
        QDir(args[2]).filePath(playlist ? QStringLiteral("list.asx") : QStringLiteral("Vidmarro.INI"));
    IniFile ini(path);
    std::puts("ready=1");
    std::fflush(stdout);
    for (quint64 i = 0;; ++i) {
        try {
            if (playlist)
                CCFuncs::WritePlaylist(loopEntries(i % 2), path);
            else
                ini.writeBool(QStringLiteral("Bar"), QStringLiteral("Track"), i % 2);
        } catch (const AppError& e) {
            std::printf("error=%s\n", e.text().toLocal8Bit().constData());
            return 1;
        }
    }
}
