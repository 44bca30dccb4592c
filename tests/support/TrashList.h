#pragma once

#include <QStringList>

// The original paths that trash-list (trash-cli), an independent reader of the freedesktop trash,
// reports; empty when it is not installed (then *available is false).
QStringList trashListPaths(bool* available = nullptr);

// trash-restore (trash-cli) run in `folder`, answering its question with `choice`, the number of
// the item to restore among those trashed from that folder. True when it ended normally.
bool trashRestore(const QString& folder, int choice);
