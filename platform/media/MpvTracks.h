#pragma once

#include "platform/media/MediaPlayerControl.h"

#include <mutex>

class EngineSession;

// The user's choice of audio and subtitle tracks on the engine, kept for the rest of the run: each
// clip starts with the language last chosen when it has it, with subtitles off when they were
// turned off, and shown or hidden as left. The engine alone would keep the track's number instead.
class MpvTracks
{
public:
    using Type = MediaPlayerControl::TrackType;
    using Track = MediaPlayerControl::Track;

    // session may be null: no tracks then.
    static QList<Track> list(EngineSession* session, Type type);
    static int current(EngineSession* session, Type type);
    static bool sameLanguage(const QString& a, const QString& b);

    void choose(EngineSession* session, Type type, int id);
    bool subtitlesShown() const { return m_shown; }
    void setSubtitlesShown(EngineSession* session, bool on);
    // Picks the tracks of a file whose tracks are known and none chosen yet, and drops the
    // subtitle files that only hold the clip's name.
    void applyToFile(EngineSession& session) const;
    // What an engine made again must know.
    void applyToEngine(EngineSession& session) const;

private:
    struct Choice
    {
        bool made = false;
        bool off = false;
        QString language;
    };
    // The choice is made on the GUI thread and applied on the engine's event thread.
    mutable std::mutex m_lock;
    Choice m_choice[2];
    bool m_shown = true;
};
