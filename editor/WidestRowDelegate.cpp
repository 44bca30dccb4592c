#include "editor/WidestRowDelegate.h"

#include <QAbstractItemModel>
#include <QFontMetrics>

#include <algorithm>

WidestRowDelegate::WidestRowDelegate(QAbstractItemModel* model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{
    // Moving and sorting keep the entries, and so the widest: only additions and removals count,
    // and only the rows concerned are measured.
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        if (m_widest >= 0)
            m_widest = std::max(m_widest, widestOf(first, last));
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (m_widest >= 0 && widestOf(first, last) >= m_widest)
                    m_widest = -1;
            });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { m_widest = -1; });
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { m_widest = -1; });
}

QSize WidestRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (option.font != m_font) {
        m_font = option.font;
        m_widest = -1;
    }
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const int extra = widest() - QFontMetrics(m_font).horizontalAdvance(index.data().toString());
    if (extra > 0)
        size.rwidth() += extra;
    return size;
}

int WidestRowDelegate::widest() const
{
    if (m_widest < 0)
        m_widest = widestOf(0, m_model->rowCount() - 1);
    return m_widest;
}

int WidestRowDelegate::widestOf(int first, int last) const
{
    const QFontMetrics metrics(m_font);
    int most = 0;
    for (int row = first; row <= last; ++row)
        most = std::max(most, metrics.horizontalAdvance(m_model->index(row, 0).data().toString()));
    return most;
}
