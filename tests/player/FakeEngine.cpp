#include "FakeEngine.h"

#include "common/StringList.h"
#include "playlist/CCFuncs.h"

#include <QTimer>

void FakeEngine::Open(const QString& path)
{
    StringList list;
    CCFuncs::ReadPlaylist(path, list);
    entries = list.items();
    m_playing = !entries.isEmpty();
    m_current = 0;
    ++m_generation;
    if (!m_playing)
        return;
    const quint64 gen = m_generation;
    QTimer::singleShot(0, this, [this, gen] {
        if (gen != m_generation || !m_playing)
            return;
        m_current = 1;
        Q_EMIT OnNewStream();
        step();
    });
}

void FakeEngine::step()
{
    const quint64 gen = m_generation;
    QTimer::singleShot(1, this, [this, gen] {
        if (gen != m_generation || !m_playing)
            return;
        const bool last = m_current >= entries.size();
        if (last && m_playCount != 0) {
            m_current = 0;
            m_playing = false;
            Q_EMIT OnEndOfStream(0);
            return;
        }
        m_current = last ? 1 : m_current + 1;
        Q_EMIT OnEndOfStream(0);
        if (gen != m_generation || !m_playing)
            return;
        Q_EMIT OnNewStream();
        step();
    });
}

void FakeEngine::Stop()
{
    m_playing = false;
    ++m_generation;
}
