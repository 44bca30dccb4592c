// Writes the seed playlists that come from our own writer into the given folder.
#include "common/AppError.h"
#include "playlist/CCFuncs.h"

#include <QDir>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // The clip names the fuzz targets create in their folders, and some they do not.
    const QList<QPair<const char*, QStringList>> seeds{
        {"writer-empty.asx", {}},
        {"writer-one.asx", {QStringLiteral("clip1.mp3")}},
        {"writer-mixed.asx",
         {QStringLiteral("clip1.mp3"), QStringLiteral("clip 2.wav"), QStringLiteral("Tom & Jerry.mp3"),
          QStringLiteral("\u00FCn\u00EF \u20AC.mp3"), QStringLiteral("sub/deep.avi"),
          QStringLiteral("sub/more/deeper.mid"), QStringLiteral("x"), QStringLiteral("link.mp3")}},
        {"writer-missing.asx",
         {QStringLiteral("gone.mp3"), QStringLiteral("folder.mp3"), QStringLiteral("dangling.mp3"),
          QStringLiteral("loop.mp3"), QStringLiteral("clip1.mp3")}},
        {"writer-repeats.asx",
         {QStringLiteral("clip1.mp3"), QStringLiteral("clip1.mp3"), QStringLiteral("CLIP1.MP3"),
          QStringLiteral("./clip1.mp3"), QStringLiteral("sub/../clip1.mp3")}},
        {"writer-playlists.asx",
         {QStringLiteral("input.asx"), QStringLiteral("inner.asx"), QStringLiteral("fan.asx"),
          QStringLiteral("loop.asx"), QStringLiteral("input"), QStringLiteral("sniffed"),
          QStringLiteral("folder.asx"), QStringLiteral("empty.asx"), QStringLiteral("self-loop.asx")}},
    };
    for (const auto& [name, entries] : seeds) {
        try {
            CCFuncs::WritePlaylist(entries, out.filePath(QString::fromLatin1(name)));
        } catch (const AppError& e) {
            std::fprintf(stderr, "%s: %s\n", name, e.what());
            return 1;
        }
    }
    return 0;
}
