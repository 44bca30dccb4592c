#pragma once

#include "platform/module/ModuleApi.h"

#include <QString>
#include <QtGlobal>

#include <functional>

// GIO's file work, behind the module's entry.
namespace GioFiles {

FileResult copyFile(const QString& src, const QString& dst, const std::function<bool(qint64)>& progress);
FileResult renameFolder(const QString& src, const QString& dst);
FileResult deleteOne(const QString& path);
FileResult makeDirs(const QString& path);
FileResult trash(const QString& path);
FileResult addRecent(const QString& bookmarks, const QString& path, const QString& mimeType);

} // namespace GioFiles
