#include "platform/module/lib/GioFiles.h"

#include "platform/module/lib/Gio.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>

namespace GioFiles {

namespace {

struct ProgressContext
{
    const std::function<bool(qint64)>* progress;
    GCancellable* cancellable;
};

void onProgress(goffset current, goffset, gpointer data)
{
    auto* ctx = static_cast<ProgressContext*>(data);
    if (!(*ctx->progress)(qint64(current)))
        g_cancellable_cancel(ctx->cancellable);
}

} // namespace

FileResult copyFile(const QString& src, const QString& dst, const std::function<bool(qint64)>& progress)
{
    Gio::FilePtr from(src);
    Gio::FilePtr to(dst);
    Gio::CancellablePtr cancel;
    ProgressContext ctx{&progress, cancel.cancellable};
    Gio::ErrorPtr err;
    if (g_file_copy(from.file, to.file, G_FILE_COPY_ALL_METADATA, cancel.cancellable,
                    progress ? onProgress : nullptr, &ctx, &err.error))
        return {};
    if (g_cancellable_is_cancelled(cancel.cancellable) || err.is(G_IO_ERROR_CANCELLED))
        return FileResult::cancelled();
    return err.failed();
}

FileResult renameFolder(const QString& src, const QString& dst)
{
    Gio::FilePtr from(src);
    Gio::FilePtr to(dst);
    Gio::ErrorPtr err;
    const auto flags = GFileCopyFlags(G_FILE_COPY_NO_FALLBACK_FOR_MOVE | G_FILE_COPY_OVERWRITE |
                                      G_FILE_COPY_NOFOLLOW_SYMLINKS);
    if (g_file_move(from.file, to.file, flags, nullptr, nullptr, nullptr, &err.error))
        return {};
    // Anything but "not on this file system" is a real failure.
    if (!err.is(G_IO_ERROR_NOT_SUPPORTED))
        return err.failed();
    return FileResult::failed(
        EXDEV, QCoreApplication::translate("ShellFileOperation",
                                           "Folders are moved to another file system one file at a time."));
}

FileResult deleteOne(const QString& path)
{
    Gio::FilePtr file(path);
    Gio::ErrorPtr err;
    if (!g_file_delete(file.file, nullptr, &err.error))
        return err.failed();
    return {};
}

FileResult makeDirs(const QString& path)
{
    Gio::FilePtr dir(path);
    Gio::ErrorPtr err;
    if (g_file_make_directory_with_parents(dir.file, nullptr, &err.error) ||
        (err.is(G_IO_ERROR_EXISTS) && QFileInfo(path).isDir()))
        return {};
    return err.failed();
}

FileResult trash(const QString& path)
{
    const Gio::FilePtr file(path);
    Gio::ErrorPtr error;
    if (!g_file_trash(file.file, nullptr, &error.error))
        return error.error ? error.failed()
                           : FileResult::failed(0, QCoreApplication::translate("ShellFileOperation",
                                                                               "Cannot move %1 to the trash")
                                                       .arg(path));
    return {};
}

} // namespace GioFiles
