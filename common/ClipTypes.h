#pragma once

#include <QStringList>

// The file types counted as clips, as the clip dialog lists them.
namespace ClipTypes {

// Every clip type's extension, lower case and without the full stop.
const QStringList& suffixes();

// The clip dialog's filters: all files, then the audio types, then the video types.
QStringList dialogFilters();

// The extensions a list of dialog filters names (apart from "*.*"), lower case.
QStringList suffixesOf(const QStringList& filters);

} // namespace ClipTypes
