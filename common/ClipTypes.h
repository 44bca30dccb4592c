#pragma once

#include <QStringList>

// What the program takes as a clip: one decision for the command line, files handed over, drops,
// the playlist editor and folders.
namespace ClipTypes {

// Every extension the clip dialog offers, lower case and without the full stop.
const QStringList& suffixes();

// The clip dialog's filters: all files, the audio types, the video types, then today's types.
QStringList dialogFilters();

// The extensions a list of dialog filters names (apart from "*.*"), lower case.
QStringList suffixesOf(const QStringList& filters);

// A file of one of the clip dialog's types, or one whose type (by its name, then by its content)
// is audio or video and not a playlist. Reads the file's first bytes only when its name says nothing.
bool isClip(const QString& path);

// The same decision for a name alone, where the name tells: Yes or No; Unknown when only the
// content can tell. Cheap after the first call for an extension, for walking large folders.
enum class Verdict
{
    No,
    Yes,
    Unknown
};
Verdict byName(const QString& fileName);

} // namespace ClipTypes
