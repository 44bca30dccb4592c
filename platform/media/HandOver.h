#pragma once

#include "platform/module/ModuleApi.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <functional>

class QTimer;

// The hand-over to a queued clip. The engine is handed the clip to follow the one it plays, so that
// it goes on without a gap; gapless audio is on exactly while one is queued, since the last clip's
// end must wait for its sound. Once the one before has ended, the window still shows it until the
// sound of the new one is out (heard).
class HandOver : public QObject
{
    Q_OBJECT
public:
    struct Entry
    {
        int64_t id = 0;
        int index = -1;     // in the run's order
        bool wraps = false; // begins a new pass
        double start = 0;   // where it starts, in seconds
    };

    explicit HandOver(QObject* parent);
    // A new engine starts with its options.
    void setSession(EngineSession* session)
    {
        m_session = session;
        m_gapless = false;
    }
    // Whether the entry that the watch waits for still plays.
    std::function<bool()> playing;

    // Queues `path` behind what plays, in place of what was queued; false when the engine refused it.
    bool queue(const QString& path, const Entry& entry, const QByteArray& options);
    // Nothing follows what plays (for now).
    void queueNothing();
    // The same for the entry handed over, once its sound flows: the engine keeps the output for an
    // entry only while gapless audio is on as its sound starts.
    void queueNothingOnceFlowing() { m_nothingOnceFlowing = true; }
    bool hasQueued() const { return m_queued.id != 0; }
    bool gapless() const { return m_gapless; }
    const Entry& queued() const { return m_queued; }
    // The engine was handed something else: forget the queue and any switch under way.
    void drop();

    // What played ended and the engine goes on with the queued entry, returned: until it is heard,
    // the window still shows the entry at heardIndex (its candidate heardSource).
    Entry begin(int heardIndex, int heardSource);
    bool pending() const { return m_pending; }
    int heardIndex() const { return m_heardIndex; }
    int heardSource() const { return m_heardSource; }
    // The switch is over (heard, or given up).
    void end();
    // The entry handed over plays: heard() comes once its sound is out, or at once when it has none.
    void watch(bool hasAudio);
    void setPaused(bool paused) { m_paused = paused; }

    // The position and length the new entry reports before it is heard.
    double nextPosition = 0;
    double nextDuration = 0;

Q_SIGNALS:
    void heard();

private:
    void poll();
    void setGapless(bool on);

    EngineSession* m_session = nullptr;
    Entry m_queued;
    bool m_gapless = false;
    bool m_nothingOnceFlowing = false;
    bool m_pending = false;
    bool m_hasAudio = false;
    bool m_paused = false;
    int m_heardIndex = -1;
    int m_heardSource = 0;
    QTimer* m_watch;
    QElapsedTimer m_clock;
};
