#pragma once

#include <QFont>
#include <QStyledItemDelegate>

#include <vector>

class QAbstractItemModel;

// Makes every row of a list as wide as its widest entry. A list with uniform item sizes (quick
// with 100,000 clips) takes all rows' size from one sample row; a short sample would cut long
// paths short with an ellipsis and leave no horizontal scroll bar to reach the rest.
class WidestRowDelegate : public QStyledItemDelegate
{
public:
    WidestRowDelegate(QAbstractItemModel* model, QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int widest() const;
    int widestOf(int first, int last) const;
    int roughWidth(const QString& text) const;

    QAbstractItemModel* m_model;
    mutable QFont m_font;
    mutable int m_widest = -1;          // pixels in m_font; -1 until measured
    mutable std::vector<int> m_advance; // per UTF-16 unit in m_font, -1 until measured
};
