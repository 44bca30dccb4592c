#include "editor/ClipListModel.h"

#include <QSet>
#include <algorithm>
#include <numeric>
#include <vector>

int ClipListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant ClipListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_items.at(index.row());
    return {};
}

void ClipListModel::setEntries(const QStringList& items)
{
    beginResetModel();
    m_items = items;
    if (m_sorted)
        sortItems();
    endResetModel();
}

void ClipListModel::setSorted(bool on)
{
    if (on && !m_sorted) {
        // No persistent index is moved: a selection stays on its row number, as a list box's does.
        Q_EMIT layoutAboutToBeChanged();
        sortItems();
        Q_EMIT layoutChanged();
    }
    m_sorted = on;
}

int ClipListModel::addMissing(const QStringList& paths)
{
    QSet<QString> listed;
    listed.reserve(m_items.size() + paths.size());
    for (const QString& s : std::as_const(m_items))
        listed.insert(sortKey(s));
    int added = 0;
    for (const QString& path : paths) {
        QString key = sortKey(path);
        if (listed.contains(key))
            continue;
        listed.insert(key);
        add(path);
        ++added;
    }
    return added;
}

int ClipListModel::add(const QString& path)
{
    const int row = m_sorted ? insertPosition(sortKey(path)) : int(m_items.size());
    beginInsertRows(QModelIndex(), row, row);
    m_items.insert(row, path);
    endInsertRows();
    return row;
}

void ClipListModel::removeAt(int row)
{
    if (row < 0 || row >= m_items.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_items.removeAt(row);
    endRemoveRows();
}

bool ClipListModel::moveOne(int row, bool down)
{
    const int last = int(m_items.size()) - 1;
    if (row < 0 || row > last || (down && row == last) || (!down && row == 0))
        return false;
    // Qt counts the destination before the move: one further down is two rows on.
    const int dest = down ? row + 2 : row - 1;
    if (!beginMoveRows(QModelIndex(), row, row, QModelIndex(), dest))
        return false;
    m_items.move(row, down ? row + 1 : row - 1);
    endMoveRows();
    return true;
}

// After the entries that compare equal, so that such entries keep the order in which they came.
int ClipListModel::insertPosition(const QString& key) const
{
    int lo = 0;
    int hi = int(m_items.size());
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (key < sortKey(m_items.at(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void ClipListModel::sortItems()
{
    // Fold each entry once rather than in every comparison.
    const qsizetype n = m_items.size();
    std::vector<QString> keys;
    keys.reserve(size_t(n));
    for (const QString& s : std::as_const(m_items))
        keys.push_back(sortKey(s));
    std::vector<qsizetype> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return keys[a] < keys[b]; });
    QStringList sorted;
    sorted.reserve(n);
    for (qsizetype i : order)
        sorted.append(m_items.at(i));
    m_items.swap(sorted);
}
