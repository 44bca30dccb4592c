#include "platform/media/PlayOrder.h"

void PlayOrder::reset(QList<AsxParse::Item> items)
{
    m_items = std::move(items);
    m_current = 0;
    restart();
}

void PlayOrder::restart()
{
    m_passes = 0;
    m_loadedThisPass = false;
}

QString PlayOrder::source(int index, int source) const
{
    if (index < 0 || index >= size())
        return {};
    return m_items.at(index).sources.value(source);
}

int PlayOrder::following(int index, bool* wraps) const
{
    *wraps = false;
    if (index + 1 < size())
        return index + 1;
    *wraps = true;
    return m_playCount == 0 || m_passes + 1 < m_playCount ? 0 : -1;
}

void PlayOrder::passBegun()
{
    ++m_passes;
    m_loadedThisPass = false;
}

int PlayOrder::after(int index)
{
    if (index + 1 < size())
        return index + 1;
    ++m_passes;
    if (!m_loadedThisPass || (m_playCount != 0 && m_passes >= m_playCount))
        return -1;
    m_loadedThisPass = false;
    return 0;
}

int PlayOrder::before(int index) const
{
    if (isEmpty())
        return -1;
    if (index - 1 >= 0)
        return index - 1;
    return m_playCount == 0 ? size() - 1 : 0;
}

int PlayOrder::next(int index) const
{
    if (isEmpty())
        return -1;
    if (index + 1 < size())
        return index + 1;
    return m_playCount == 0 ? 0 : -1;
}
