#pragma once

#include "common/CaseFold.h"

#include <QAbstractListModel>
#include <QStringList>
#include <vector>

// The editor's clip list: full paths in the order shown, with a sorted mode like a list box's.
// A plain model under a QListView, so that a playlist of 100,000 clips stays quick.
class ClipListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QStringList& entries() const { return m_items; }
    // Replaces the entries, sorting them when sorted mode is on.
    void setEntries(const QStringList& items);

    bool sorted() const { return m_sorted; }
    // Turning it on sorts the entries; views keep their selection on the same row numbers.
    // Turning it off keeps the order.
    void setSorted(bool on);

    // Adds each path that is not listed yet (letter case ignored), in the given order: at the end,
    // or at its alphabetical place while sorted. Returns the number added.
    int addMissing(const QStringList& paths);
    void removeAt(int row);
    // Exchanges the entry with its neighbour below (down) or above; false at the end of the list.
    bool moveOne(int row, bool down);

    // The order of sorted mode: ascending by this key, so letter case is ignored and the whole path
    // is compared.
    static QString sortKey(const QString& s) { return CaseFold::key(s); }

private:
    std::vector<QString> keys() const;
    void insertSorted(const QStringList& paths, const QStringList& newKeys);
    void sortItems();

    QStringList m_items;
    bool m_sorted = false;
};
