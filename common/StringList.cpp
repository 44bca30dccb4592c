#include "common/StringList.h"

#include <algorithm>

int StringList::add(const QString& s)
{
    if (!m_sorted) {
        m_items.append(s);
        return count() - 1;
    }
    // After equal entries, so that duplicates keep the order in which they came.
    auto it = std::upper_bound(m_items.begin(), m_items.end(), s,
                               [](const QString& a, const QString& b) { return compare(a, b) < 0; });
    const auto pos = it - m_items.begin();
    m_items.insert(pos, s);
    return int(pos);
}

void StringList::assign(const QStringList& items)
{
    m_items = items;
    if (m_sorted)
        sortItems();
}

void StringList::setSorted(bool on)
{
    if (on && !m_sorted)
        sortItems();
    m_sorted = on;
}

int StringList::indexOfNoCase(const QString& s) const
{
    for (int i = 0; i < count(); ++i) {
        if (compare(m_items.at(i), s) == 0)
            return i;
    }
    return -1;
}

void StringList::sortItems()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const QString& a, const QString& b) { return compare(a, b) < 0; });
}
