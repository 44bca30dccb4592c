#include "editor/ClipListModel.h"

#include "common/CaseFold.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <numeric>

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

std::vector<QString> ClipListModel::keys() const
{
    std::vector<QString> out;
    out.reserve(size_t(m_items.size()));
    for (const QString& s : m_items)
        out.push_back(sortKey(s));
    return out;
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
    // The batch is folded, the list only hashed: it may hold 100,000 clips.
    QStringList candidates;
    QStringList candidateKeys;
    QSet<QString> seen;
    for (const QString& path : paths) {
        QString key = sortKey(path);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        candidates.append(path);
        candidateKeys.append(key);
    }
    QMultiHash<size_t, int> byHash;
    for (int i = 0; i < candidates.size(); ++i)
        byHash.insert(CaseFold::hash(candidates.at(i)), i);
    std::vector<bool> listed(size_t(candidates.size()), false);
    for (const QString& entry : std::as_const(m_items)) {
        const auto [first, last] = byHash.equal_range(CaseFold::hash(entry));
        for (auto it = first; it != last; ++it) {
            if (CaseFold::compareToKey(entry, candidateKeys.at(it.value())) == 0)
                listed[size_t(it.value())] = true;
        }
    }
    QStringList accepted;
    QStringList acceptedKeys;
    for (int i = 0; i < candidates.size(); ++i) {
        if (!listed[size_t(i)]) {
            accepted.append(candidates.at(i));
            acceptedKeys.append(candidateKeys.at(i));
        }
    }
    if (accepted.isEmpty())
        return 0;
    if (m_sorted) {
        insertSorted(accepted, acceptedKeys);
    } else {
        const int first = int(m_items.size());
        beginInsertRows(QModelIndex(), first, first + int(accepted.size()) - 1);
        m_items.append(accepted);
        endInsertRows();
    }
    return int(accepted.size());
}

// The new entries are appended, then merged into place in one reordering, so that a batch costs
// one pass over the list and not one shift of it per entry. Entries that compare equal keep the
// order in which they came, the listed ones first, as if each had been inserted on its own.
void ClipListModel::insertSorted(const QStringList& paths, const QStringList& newKeys)
{
    const int n = int(m_items.size());
    const int k = int(paths.size());
    beginInsertRows(QModelIndex(), n, n + k - 1);
    m_items.append(paths);
    endInsertRows();

    std::vector<int> byKey(static_cast<size_t>(k)); // new entries in key order
    std::iota(byKey.begin(), byKey.end(), 0);
    std::stable_sort(byKey.begin(), byKey.end(), [&](int a, int b) { return newKeys.at(a) < newKeys.at(b); });

    Q_EMIT layoutAboutToBeChanged();
    QStringList merged;
    merged.reserve(n + k);
    std::vector<int> insertedBefore(
        static_cast<size_t>(k));                       // per new entry, in key order: listed rows before it
    std::vector<int> finalRow(static_cast<size_t>(k)); // per new entry, in the order given
    const auto listedEnd = m_items.cbegin() + n;
    int listed = 0;
    for (int j = 0; j < k; ++j) {
        const int e = byKey[size_t(j)];
        const QString& key = newKeys.at(e);
        const auto pos = std::upper_bound(m_items.cbegin(), listedEnd, key,
                                          [](const QString& k, const QString& entry) {
                                              return CaseFold::compareToKey(entry, k) > 0;
                                          }) -
                         m_items.cbegin();
        for (; listed < pos; ++listed)
            merged.append(m_items.at(listed));
        insertedBefore[size_t(j)] = int(pos);
        finalRow[size_t(e)] = int(merged.size());
        merged.append(paths.at(e));
    }
    for (; listed < n; ++listed)
        merged.append(m_items.at(listed));
    m_items.swap(merged);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) {
        const int r = i.row();
        int row = 0;
        if (r < n) // shifted by the new entries that went in before it
            row = r + int(std::upper_bound(insertedBefore.begin(), insertedBefore.end(), r) -
                          insertedBefore.begin());
        else
            row = finalRow[size_t(r - n)];
        to.append(index(row, i.column()));
    }
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged();
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

void ClipListModel::sortItems()
{
    // Fold each entry once rather than in every comparison.
    const std::vector<QString> k = keys();
    std::vector<qsizetype> order(k.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return k[a] < k[b]; });
    QStringList sorted;
    sorted.reserve(m_items.size());
    for (qsizetype i : order)
        sorted.append(m_items.at(i));
    m_items.swap(sorted);
}
