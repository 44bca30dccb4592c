#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

// A folder stands for every clip in it and in its subfolders.
namespace FolderScan {

// The clips (as ClipTypes decides) in `folder` and below, as full paths sorted case-insensitively
// as the clip dialog's picks are. Hidden files and folders (a name starting with ".") are left
// out; links are followed, each folder read once however many links lead to it. Folders that
// cannot be read are passed over. For a scan on another thread: `cancel`, once set, ends it soon
// with nothing found; `looked` counts the entries looked at so far.
QStringList clipsIn(const QString& folder, const std::atomic<bool>* cancel = nullptr,
                    std::atomic<qint64>* looked = nullptr);

// What a window shows while it scans the folder named `name` (quoted), `looked` entries so far.
QString progressText(const QString& name, qint64 looked);
// What it says when the folder named `name` holds no clip.
QString noClipsText(const QString& name);

} // namespace FolderScan
