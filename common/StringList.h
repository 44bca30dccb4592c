#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A list of strings with an optional sorted mode, as the hidden lists of the main window use it.
// Sorted mode keeps the entries in ascending order ignoring letter case: an added entry goes to
// its place (found by binary search), turning the mode on re-sorts, turning it off keeps the order.
//
// Sorted adds are gathered in a small side list and merged in on the next read (or once the side
// list grows past about the square root of the list), so that adding n entries one by one costs
// n binary searches instead of n insertions into the middle of a long list.
// So a reference from items() shows the list as it was when taken: take it again after adding.
class StringList
{
public:
    StringList() = default;
    explicit StringList(const QStringList& items) : m_items(items) {}

    int count() const { return int(m_items.size() + qsizetype(m_pending.size())); }
    bool isEmpty() const { return count() == 0; }
    const QString& at(int i) const { return settled().at(i); }
    const QString& operator[](int i) const { return settled().at(i); }
    const QStringList& items() const { return settled(); }

    // Returns the index at which the entry landed.
    int add(const QString& s);
    void clear();
    void removeAt(int i);
    // Replaces the contents; sorts them when sorted mode is on.
    void assign(const QStringList& items);

    bool sorted() const { return m_sorted; }
    void setSorted(bool on);

    // Exact match, or a match ignoring letter case; -1 when absent.
    int indexOf(const QString& s) const { return int(settled().indexOf(s)); }
    int indexOfNoCase(const QString& s) const;

    // Ascending order ignoring letter case; < 0, 0 or > 0.
    static int compare(const QString& a, const QString& b);

private:
    struct Pending
    {
        QString text;
        qsizetype mainPos; // where it goes among m_items (they do not change until the merge)
    };

    const QStringList& settled() const { return m_pending.empty() ? m_items : mergePending(); }
    const QStringList& mergePending() const;
    void sortItems();

    // Mutable: merging the side list in on a read changes how the entries are stored, not which
    // entries there are or their order.
    mutable QStringList m_items;
    mutable std::vector<Pending> m_pending; // sorted; only while sorted mode is on
    bool m_sorted = false;
};
