#include "common/StringList.h"

#include "common/CaseFold.h"

#include <algorithm>

int StringList::compare(const QString& a, const QString& b)
{
    return CaseFold::compare(a, b);
}

int StringList::add(const QString& s)
{
    if (!m_sorted) {
        m_items.append(s);
        return count() - 1;
    }
    // After equal entries, so that duplicates keep the order in which they came.
    const auto mainIt =
        std::upper_bound(m_items.cbegin(), m_items.cend(), s,
                         [](const QString& a, const QString& b) { return compare(a, b) < 0; });
    const auto pendingIt =
        std::upper_bound(m_pending.begin(), m_pending.end(), s,
                         [](const QString& a, const Pending& b) { return compare(a, b.text) < 0; });
    const qsizetype mainPos = mainIt - m_items.cbegin();
    const qsizetype index = mainPos + (pendingIt - m_pending.begin());
    m_pending.insert(pendingIt, Pending{s, mainPos});

    // About the square root of the list keeps both the side list's inserts and the merges cheap.
    const auto waiting = qsizetype(m_pending.size());
    if (waiting > 32 && waiting * waiting > m_items.size())
        mergePending();
    return int(index);
}

const QStringList& StringList::mergePending() const
{
    if (m_pending.size() == 1) { // a read after each add: one insert, no rebuild
        m_items.insert(m_pending.front().mainPos, std::move(m_pending.front().text));
        m_pending.clear();
        return m_items;
    }
    QStringList merged;
    merged.reserve(m_items.size() + qsizetype(m_pending.size()));
    QString* main = m_items.data();
    qsizetype from = 0;
    for (Pending& p : m_pending) {
        for (; from < p.mainPos; ++from)
            merged.append(std::move(main[from]));
        merged.append(std::move(p.text));
    }
    for (; from < m_items.size(); ++from)
        merged.append(std::move(main[from]));
    m_items.swap(merged);
    m_pending.clear();
    return m_items;
}

void StringList::clear()
{
    m_items.clear();
    m_pending.clear();
}

void StringList::removeAt(int i)
{
    settled();
    m_items.removeAt(i);
}

void StringList::assign(const QStringList& items)
{
    m_pending.clear();
    m_items = items;
    if (m_sorted)
        sortItems();
}

void StringList::setSorted(bool on)
{
    settled();
    if (on && !m_sorted)
        sortItems();
    m_sorted = on;
}

int StringList::indexOfNoCase(const QString& s) const
{
    const QStringList& items = settled();
    for (int i = 0; i < count(); ++i) {
        if (compare(items.at(i), s) == 0)
            return i;
    }
    return -1;
}

void StringList::sortItems()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const QString& a, const QString& b) { return compare(a, b) < 0; });
}
