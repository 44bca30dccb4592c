#pragma once

#include "platform/media/MediaBackend.h"
#include "platform/media/MpvBackend.h"

#include <QStringList>

#include <functional>

class MediaPlayerControl;
class QWidget;

// Makes the control for a player window; the window owns what it gets.
using MediaPlayerFactory = std::function<MediaPlayerControl*(QWidget* parent)>;

// MpvPlayer controls with these engine options.
MediaPlayerFactory mpvPlayerFactory(const QStringList& extraOptions = {});

// The media engine as a test sets it: the controls come from `players`, the engine check answers
// `engineAvailable` at once and counts how often it was asked.
class RecordingMedia : public MediaBackend
{
public:
    explicit RecordingMedia(MediaPlayerFactory players = nullptr) : players(std::move(players)) {}
    MediaPlayerControl* makePlayer(QWidget* parent) override { return players(parent); }
    bool engineStarts() override
    {
        ++engineChecks;
        return engineAvailable;
    }

    MediaPlayerFactory players;
    bool engineAvailable = true;
    int engineChecks = 0;
};

// The program's own engine check, made apart as the program makes it, with a test's controls.
class CheckedMedia : public MpvBackend
{
public:
    explicit CheckedMedia(MediaPlayerFactory players) : m_players(std::move(players)) {}
    MediaPlayerControl* makePlayer(QWidget* parent) override { return m_players(parent); }

private:
    MediaPlayerFactory m_players;
};
