#pragma once

#include <QStringList>

class QMimeData;

// What a drop on the editor's list holds: clips and folders of clips, which it takes as "Add
// clip(s)" does, and anything else, which it refuses with a message.
struct ClipDrop
{
    QStringList clips;   // full paths of existing clips, in drop order
    QStringList folders; // full paths of folders: they stand for the clips in them
    QStringList others;  // names of what is neither, cut to a message's length

    explicit ClipDrop(const QMimeData& data);

    bool acceptable() const { return (!clips.isEmpty() || !folders.isEmpty()) && others.isEmpty(); }
    // What to tell the user about a drop that is not acceptable.
    QString refusal() const;
};
