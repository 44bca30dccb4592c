#include "platform/module/lib/GioFiles.h"

#include "platform/module/lib/Gio.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <memory>

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

FileResult addRecent(const QString& bookmarks, const QString& path, const QString& mimeType)
{
    const QByteArray file = Gio::native(bookmarks);
    std::unique_ptr<GBookmarkFile, void (*)(GBookmarkFile*)> list(g_bookmark_file_new(),
                                                                  g_bookmark_file_free);
    Gio::ErrorPtr err;
    if (!g_bookmark_file_load_from_file(list.get(), file.constData(), &err.error)) {
        // A list that is there but cannot be read is other programs' too: leave it as it is.
        if (!g_error_matches(err.error, G_FILE_ERROR, G_FILE_ERROR_NOENT))
            return err.failed();
        g_clear_error(&err.error);
    }
    std::unique_ptr<gchar, void (*)(gpointer)> uri(
        g_filename_to_uri(Gio::native(path).constData(), nullptr, &err.error), g_free);
    if (!uri)
        return err.failed();
    g_bookmark_file_set_mime_type(list.get(), uri.get(), mimeType.toUtf8().constData());
    // Adding the program again counts one more use and stamps the time.
    g_bookmark_file_add_application(list.get(), uri.get(), "vidmarro", "vidmarro %u");
    const QByteArray dir = Gio::native(QFileInfo(bookmarks).path());
    if (g_mkdir_with_parents(dir.constData(), 0700) != 0) {
        const int err = errno;
        return FileResult::failed(err, QString::fromUtf8(g_strerror(err)));
    }
    // Written to a new file that then takes the old one's place.
    if (!g_bookmark_file_to_file(list.get(), file.constData(), &err.error))
        return err.failed();
    return {};
}

} // namespace GioFiles
