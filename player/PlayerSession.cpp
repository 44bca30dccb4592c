#include "player/PlayerSession.h"

#include "common/Paths.h"
#include "platform/desktop/WaylandToken.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/ui/WindowPlacement.h"
#include "player/WplayerU2.h"

PlayerSession::PlayerSession(TWplayerF2& window, MediaPlayerControl* control)
    : MediaSession(&window), m_window(window), m_control(control)
{
    if (control)
        connect(control, &MediaPlayerControl::faceChanged, this, &MediaSession::changed);
}

MediaPlayerControl* PlayerSession::control() const
{
    // The window lets go of its control when it closes: from then on the run is over.
    if (!m_control || m_window.WMTPlayer1 != m_control.data())
        return nullptr;
    return m_control.data();
}

bool PlayerSession::active() const
{
    return m_window.started() && control();
}

MediaSession::Status PlayerSession::status() const
{
    const MediaPlayerControl* c = control();
    if (!c)
        return Status::Stopped;
    switch (c->state()) {
    case MediaPlayerControl::State::Playing:
        return Status::Playing;
    case MediaPlayerControl::State::Paused:
        return Status::Paused;
    case MediaPlayerControl::State::Opening: // between two clips of the run
        return c->paused() ? Status::Paused : Status::Playing;
    case MediaPlayerControl::State::Ready:
    case MediaPlayerControl::State::Stopped:
        break;
    }
    return Status::Stopped;
}

int PlayerSession::entry() const
{
    MediaPlayerControl* c = control();
    return c ? c->GetCurrentEntry() : 0;
}

QString PlayerSession::title() const
{
    const int n = entry();
    return n > 0 ? Paths::fileName(m_window.playOrderAt(n - 1)) : QString();
}

bool PlayerSession::hasVideo() const
{
    const MediaPlayerControl* c = control();
    return c && c->hasVideo();
}

qint64 PlayerSession::length() const
{
    const MediaPlayerControl* c = control();
    return c ? qint64(c->duration() * 1e6) : 0;
}

qint64 PlayerSession::position() const
{
    const MediaPlayerControl* c = control();
    return c ? qint64(c->position() * 1e6) : 0;
}

double PlayerSession::volume() const
{
    const MediaPlayerControl* c = control();
    return c ? c->volume() / 100.0 : 1.0;
}

double PlayerSession::rate() const
{
    const MediaPlayerControl* c = control();
    return c ? c->Rate() : 1.0;
}

double PlayerSession::minimumRate() const
{
    return MediaPlayerControl::MinimumRate;
}

double PlayerSession::maximumRate() const
{
    return MediaPlayerControl::MaximumRate;
}

void PlayerSession::playPause()
{
    if (MediaPlayerControl* c = control())
        c->togglePause(); // the play/pause button
}

void PlayerSession::play()
{
    MediaPlayerControl* c = control();
    if (c && status() != Status::Playing)
        c->togglePause();
}

void PlayerSession::pause()
{
    MediaPlayerControl* c = control();
    if (c && c->state() == MediaPlayerControl::State::Playing)
        c->togglePause();
}

void PlayerSession::stop()
{
    if (MediaPlayerControl* c = control())
        c->Stop(); // the stop button
}

void PlayerSession::next()
{
    if (MediaPlayerControl* c = control())
        c->nextEntry();
}

void PlayerSession::previous()
{
    if (MediaPlayerControl* c = control())
        c->previousEntry();
}

void PlayerSession::seekBy(qint64 microseconds)
{
    if (MediaPlayerControl* c = control())
        c->seekBy(double(microseconds) / 1e6);
}

void PlayerSession::setVolume(double volume)
{
    if (MediaPlayerControl* c = control())
        c->setVolume(volume * 100.0);
}

void PlayerSession::raise()
{
    // The desktop's media controls ask without a launcher's token: on Wayland the program asks
    // the compositor for one itself.
    bringForward(&m_window, LaunchToken{ownActivationToken(), {}});
}
