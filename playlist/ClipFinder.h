#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Finds the clip of one playlist entry: the first of its candidate paths that is a file, else the
// longest tail of one of them (folders and name) that is a file below the playlist's own folder, so
// that a playlist made elsewhere and carried along with its clips still plays them. Each try is one
// stat; no folder is walked, and nothing outside the playlist's folder is looked at.
class ClipFinder
{
public:
    // `folder`: the playlist's folder, absolute.
    explicit ClipFinder(const QString& folder);

    // `candidates` are full local paths, in the order to try. Empty when none is found.
    QString find(const QStringList& candidates);

    // A path that is an existing file (not a folder), tested with one stat at most.
    bool isFile(const QString& path);

private:
    QString relocate(const QStringList& candidates);
    bool isFolder(const QString& path);

    QString m_folder; // without a trailing "/"
    // Folders seen to exist or not during one read; a list names the same few many times over.
    QHash<QString, bool> m_folders;
};
