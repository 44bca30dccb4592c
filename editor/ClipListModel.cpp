#include "editor/ClipListModel.h"

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

QString ClipListModel::sortKey(const QString& s)
{
    QString key(s.size(), Qt::Uninitialized);
    const auto* src = reinterpret_cast<const char16_t*>(s.utf16());
    auto* dst = reinterpret_cast<char16_t*>(key.data());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c < 0x80) {
            dst[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, src[i + 1]));
            dst[i] = QChar::highSurrogate(folded);
            dst[i + 1] = QChar::lowSurrogate(folded);
            ++i;
        } else {
            dst[i] = char16_t(QChar::toCaseFolded(char32_t(c)));
        }
    }
    return key;
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
    // Folded once for the whole batch: the list may hold 100,000 clips.
    const std::vector<QString> listedKeys = keys();
    QSet<QString> seen;
    if (!m_sorted) {
        seen.reserve(qsizetype(listedKeys.size() + size_t(paths.size())));
        for (const QString& k : listedKeys)
            seen.insert(k);
    }
    QStringList accepted;
    for (const QString& path : paths) {
        QString key = sortKey(path);
        // Sorted entries are found by binary search; the set only needs this batch's own.
        if (m_sorted && std::binary_search(listedKeys.begin(), listedKeys.end(), key))
            continue;
        if (seen.contains(key))
            continue;
        seen.insert(key);
        accepted.append(path);
    }
    if (accepted.isEmpty())
        return 0;
    if (m_sorted) {
        insertSorted(accepted, listedKeys);
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
void ClipListModel::insertSorted(const QStringList& paths, const std::vector<QString>& listedKeys)
{
    const int n = int(m_items.size());
    const int k = int(paths.size());
    beginInsertRows(QModelIndex(), n, n + k - 1);
    m_items.append(paths);
    endInsertRows();

    std::vector<QString> newKeys;
    newKeys.reserve(size_t(k));
    for (const QString& p : paths)
        newKeys.push_back(sortKey(p));
    std::vector<int> byKey(static_cast<size_t>(k)); // new entries in key order
    std::iota(byKey.begin(), byKey.end(), 0);
    std::stable_sort(byKey.begin(), byKey.end(), [&](int a, int b) { return newKeys[a] < newKeys[b]; });

    Q_EMIT layoutAboutToBeChanged();
    QStringList merged;
    merged.reserve(n + k);
    std::vector<int> insertedBefore(
        static_cast<size_t>(k));                       // per new entry, in key order: listed rows before it
    std::vector<int> finalRow(static_cast<size_t>(k)); // per new entry, in the order given
    int listed = 0;
    for (int j = 0; j < k; ++j) {
        const int e = byKey[j];
        const auto pos =
            std::upper_bound(listedKeys.begin(), listedKeys.end(), newKeys[e]) - listedKeys.begin();
        for (; listed < pos; ++listed)
            merged.append(m_items.at(listed));
        insertedBefore[j] = int(pos);
        finalRow[e] = int(merged.size());
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
