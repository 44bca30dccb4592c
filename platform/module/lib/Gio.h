#pragma once

#include "platform/module/ModuleApi.h"

#include <QFile>
#include <QString>

#include <gio/gio.h>

// Owners for the GIO objects of one call.
namespace Gio {

// The name the system calls take.
inline QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

struct FilePtr
{
    explicit FilePtr(const QString& path) : file(g_file_new_for_path(native(path).constData())) {}
    ~FilePtr() { g_object_unref(file); }
    FilePtr(const FilePtr&) = delete;
    FilePtr& operator=(const FilePtr&) = delete;
    GFile* file;
};

struct ErrorPtr
{
    ErrorPtr() = default;
    ~ErrorPtr()
    {
        if (error)
            g_error_free(error);
    }
    ErrorPtr(const ErrorPtr&) = delete;
    ErrorPtr& operator=(const ErrorPtr&) = delete;
    QString text() const { return error ? QString::fromUtf8(error->message) : QString(); }
    bool is(GIOErrorEnum code) const { return error && g_error_matches(error, G_IO_ERROR, code); }
    // GIO gives its own text and no errno.
    FileResult failed() const { return FileResult::failed(0, text()); }
    GError* error = nullptr;
};

struct CancellablePtr
{
    CancellablePtr() : cancellable(g_cancellable_new()) {}
    ~CancellablePtr() { g_object_unref(cancellable); }
    CancellablePtr(const CancellablePtr&) = delete;
    CancellablePtr& operator=(const CancellablePtr&) = delete;
    GCancellable* cancellable;
};

} // namespace Gio
