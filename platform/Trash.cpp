#include "platform/Trash.h"

#include "common/AppError.h"

#include <QFile>

#include <gio/gio.h>

namespace Trash {

void moveToTrash(const QString& path)
{
    GFile* file = g_file_new_for_path(QFile::encodeName(path).constData());
    GError* error = nullptr;
    const gboolean ok = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (!ok) {
        const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("Cannot move %1 to the trash").arg(path);
        if (error)
            g_error_free(error);
        throw AppError(text);
    }
}

} // namespace Trash
