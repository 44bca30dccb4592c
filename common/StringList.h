#pragma once

#include <QString>
#include <QStringList>

// A list of strings with an optional sorted mode, as the hidden lists of the main window use it.
// Sorted mode keeps the entries in ascending order ignoring letter case: an added entry goes to
// its place (found by binary search), turning the mode on re-sorts, turning it off keeps the order.
class StringList
{
public:
    StringList() = default;
    explicit StringList(const QStringList& items) : m_items(items) {}

    int count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const QString& at(int i) const { return m_items.at(i); }
    const QString& operator[](int i) const { return m_items.at(i); }
    const QStringList& items() const { return m_items; }

    // Returns the index at which the entry landed.
    int add(const QString& s);
    void clear() { m_items.clear(); }
    void removeAt(int i) { m_items.removeAt(i); }
    void move(int from, int to) { m_items.move(from, to); }
    // Replaces the contents; sorts them when sorted mode is on.
    void assign(const QStringList& items);

    bool sorted() const { return m_sorted; }
    void setSorted(bool on);

    // Exact match, or a match ignoring letter case; -1 when absent.
    int indexOf(const QString& s) const { return int(m_items.indexOf(s)); }
    int indexOfNoCase(const QString& s) const;

    static int compare(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive); }

private:
    void sortItems();

    QStringList m_items;
    bool m_sorted = false;
};
