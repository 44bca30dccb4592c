#pragma once

#include <QString>
#include <QStringList>

// Clips for the media tests, made at run time: ffmpeg for what it can write, the rest by hand.
namespace MediaFixtures {

// Runs ffmpeg with args (after -y -v error); true when it made the file.
bool ffmpeg(const QStringList& args, const QString& output);
// A standard MIDI file of two short notes (half a second).
bool writeMidi(const QString& path);
// An 8-bit FLIC animation of a few frames: .fli (speed in 1/70 s) or .flc (in ms).
bool writeFlic(const QString& path, bool flc);
// An ASX playlist with one entry per path, written as HREFs exactly as given.
bool writeAsx(const QString& path, const QStringList& hrefs);
bool writeText(const QString& path, const QByteArray& text);
// A clip of pictures with an audio and a subtitle track per language (ISO 639-2 codes, in that
// order); each subtitle reads its language's code for the whole clip.
bool writeTrackClip(const QString& path, const QStringList& languages, int seconds = 3);

// Samples of a 16-bit mono WAV file (the data chunk, to the end of the file if its size is unset).
struct Pcm
{
    int rate = 0;
    QList<qint16> samples;
};
Pcm readWav(const QString& path);
// Root mean square and the rate of upward zero crossings (the pitch of a sine) over [from, to).
double rms(const QList<qint16>& s, qsizetype from, qsizetype to);
double pitch(const QList<qint16>& s, int rate, qsizetype from, qsizetype to);

} // namespace MediaFixtures
