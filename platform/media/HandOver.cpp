#include "platform/media/HandOver.h"

#include <QTimer>

namespace {

// How often the watch looks whether the new clip is heard yet, and how long it waits at most (a
// clip whose sound never comes, or the engine paused meanwhile).
constexpr int PollMs = 5;
constexpr int WaitMs = 3000;
// Seconds of the next clip heard before the window is told: a margin over the output's own estimate
// of what it still holds.
constexpr double HeardAfter = 0.02;

} // namespace

HandOver::HandOver(QObject* parent) : QObject(parent), m_watch(new QTimer(this))
{
    m_watch->setInterval(PollMs);
    m_watch->setTimerType(Qt::PreciseTimer);
    connect(m_watch, &QTimer::timeout, this, &HandOver::poll);
}

bool HandOver::queue(const QString& path, const Entry& entry, const QByteArray& options)
{
    if (!m_session)
        return false;
    if (m_queued.id != 0) {
        m_session->command({"playlist-clear"}); // all but the entry playing
        m_queued = Entry();
    }
    m_nothingOnceFlowing = false;
    m_queued = entry;
    m_queued.id = m_session->loadFile(path, true, options);
    setGapless(m_queued.id != 0);
    return m_queued.id != 0;
}

void HandOver::queueNothing()
{
    m_nothingOnceFlowing = false;
    if (m_session && m_queued.id != 0)
        m_session->command({"playlist-clear"});
    m_queued = Entry();
    setGapless(false);
}

void HandOver::drop()
{
    m_nothingOnceFlowing = false;
    m_queued = Entry();
    end();
}

HandOver::Entry HandOver::begin(int heardIndex, int heardSource)
{
    m_heardIndex = heardIndex;
    m_heardSource = heardSource;
    m_pending = true;
    nextPosition = nextDuration = 0;
    const Entry next = m_queued;
    m_queued = Entry();
    return next;
}

void HandOver::end()
{
    m_pending = false;
    m_watch->stop();
}

void HandOver::watch(bool hasAudio)
{
    m_hasAudio = hasAudio;
    m_clock.start();
    m_watch->start();
    poll();
}

void HandOver::poll()
{
    if (!m_pending || (playing && !playing())) {
        m_watch->stop();
        return;
    }
    // The new clip's sound follows what the output still holds of the one before: its own
    // position turns positive only once its first sound is out.
    double pts = 0;
    const bool flowing = m_session && m_session->number("audio-pts", &pts);
    if (m_nothingOnceFlowing && (flowing || !m_hasAudio))
        queueNothing();
    const bool out = !m_hasAudio || (flowing && pts >= HeardAfter);
    if (m_paused)
        m_clock.restart();
    if (out || m_clock.hasExpired(WaitMs))
        Q_EMIT heard();
}

void HandOver::setGapless(bool on)
{
    if (!m_session || on == m_gapless)
        return;
    m_gapless = on;
    m_session->setText("gapless-audio", on ? "weak" : "no");
}
