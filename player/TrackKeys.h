#pragma once

#include "platform/media/MediaPlayerControl.h"

#include <QObject>
#include <QPointer>

class QKeyEvent;

// mpv's keys for the tracks, in the player window and its full screen: # cycles the audio tracks,
// j the subtitle tracks and off, v shows or hides the subtitles. The status line names the choice.
class TrackKeys : public QObject
{
    Q_OBJECT
public:
    TrackKeys(MediaPlayerControl* control, QObject* parent);

    // True when the key was taken.
    bool handleKey(QKeyEvent* event);

    void cycleAudio();
    void cycleSubtitles();
    void toggleSubtitles();

    // "2/2 German (Commentary)": the track's place, language and title, as far as known.
    static QString describe(const QList<MediaPlayerControl::Track>& tracks, int index);
    // The language's name in the user's language; the code itself when it names none known.
    static QString languageName(const QString& code);

private:
    QPointer<MediaPlayerControl> m_control;
};
