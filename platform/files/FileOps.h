#pragma once

#include "common/FileResult.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <functional>

// The file layer under the shell file operation: GIO for the work (in the engine module, loaded on
// first use), plain stat for identity.
// Nothing here asks the user anything; every call reports a FileResult and leaves the caller to
// decide what to show.
namespace FileOps {

// The name the system calls take.
inline QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Called as bytes arrive: bytes of the current file done so far. Returning false cancels.
using Progress = std::function<bool(qint64 done)>;

// lstat: the name exists, dangling symlinks included.
bool exists(const QString& path);

// What one lstat (and a stat only for a symlink) says about a name, for callers that would
// otherwise ask exists, isDir and totalSize of the same file one after the other.
struct Entry
{
    bool exists = false;
    bool isDir = false; // through symlinks
    qint64 size = 0;    // of a file, or of a symlink's target; 0 for a folder
};
Entry entry(const QString& path);
// stat: the name leads to a directory (through symlinks).
bool isDir(const QString& path);
// Size in bytes of a file, or of every file under a folder.
qint64 totalSize(const QString& path);
// True when both names lead to the same file (device and inode, through symlinks), whatever the
// names look like: hard links, symlinks and case-folding file systems all count.
bool sameFile(const QString& a, const QString& b);
// The failure of a copy or move of a file onto itself.
FileResult ontoItself();
// True when `inner` is `outer` or lies below it (by identity, not by name).
bool isInside(const QString& inner, const QString& outer);
bool sameDevice(const QString& a, const QString& b);

// Creates the folder with every missing parent; an existing folder is fine.
FileResult makeDirs(const QString& path);

// Copies the file `src` to `dst`, replacing a file there. The data goes to a hidden temporary
// name beside `dst` first and is renamed into place only once complete and checked, so a failed
// or cancelled copy leaves no partial file and an old `dst` whole. Mode and times are kept.
// Refuses to copy a file onto itself.
FileResult copyFile(const QString& src, const QString& dst, const Progress& progress = {});

// Moves the file or folder `src` to `dst` (replacing a file there): one rename on the same file
// system; otherwise copy, check, sync, then delete the source, so the source stays untouched until
// the copy is safe. Refuses to move a file onto itself.
FileResult moveFile(const QString& src, const QString& dst, const Progress& progress = {});

// Deletes a file, or a folder with everything in it, for good.
FileResult deletePermanently(const QString& path);

// `name` in `dir` if free, else "name (2).ext", "name (3).ext" ... : the first free name.
QString freeName(const QString& dir, const QString& name);

// `dir` + separator + `name`.
QString join(const QString& dir, const QString& name);

} // namespace FileOps
