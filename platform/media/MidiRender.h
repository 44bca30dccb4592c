#pragma once

#include <QString>

#include <atomic>

// MIDI clips are rendered once with FluidSynth and the General MIDI soundfont into a WAV file in the
// user's cache; the media engine plays that file.
namespace MidiRender {

// True for the extensions of standard MIDI files (.mid, .midi, .rmi, .kar).
bool isMidi(const QString& path);

// The General MIDI soundfont, or an empty string when none is installed.
QString soundFont();

// Where the rendering of path is cached: named after the file's path, size and time of change.
QString cachedWavPath(const QString& path);

// Renders path (or finds it rendered already) and returns the WAV file; an empty string with the
// reason in *error when it cannot. Runs in a worker thread; *cancel stops it early.
QString render(const QString& path, const std::atomic_bool* cancel, QString* error);

} // namespace MidiRender
