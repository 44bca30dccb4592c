#pragma once

#include <QStringList>

class QMimeData;

// What a drop on the editor's list holds: clips, which it takes as "Add clip(s)" does, and anything
// else, which it refuses with a message.
struct ClipDrop
{
    QStringList clips;  // full paths of existing files of a clip type, in drop order
    QStringList others; // names of what is not a clip, cut to a message's length

    // `filters` are the clip dialog's filters: the clip types are the patterns they list, apart from
    // "All file types".
    ClipDrop(const QMimeData& data, const QStringList& filters);

    bool acceptable() const { return !clips.isEmpty() && others.isEmpty(); }
    // What to tell the user about a drop that is not acceptable.
    QString refusal() const;
};
