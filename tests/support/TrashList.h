#pragma once

#include <QStringList>

// The original paths that trash-list (trash-cli), an independent reader of the freedesktop trash,
// reports; empty when it is not installed (then *available is false).
QStringList trashListPaths(bool* available = nullptr);
