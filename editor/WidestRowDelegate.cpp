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
        m_advance.clear();
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

// Laying out each row's text would take about a second at 100,000 clips: rows are sized by the sum
// of their characters' advances instead, which kerning only makes smaller, and the row that sum
// ranks widest is laid out to be sure.
int WidestRowDelegate::widestOf(int first, int last) const
{
    int most = 0;
    QString widestText;
    for (int row = first; row <= last; ++row) {
        const QString text = m_model->index(row, 0).data().toString();
        if (const int width = roughWidth(text); width > most) {
            most = width;
            widestText = text;
        }
    }
    return std::max(most, QFontMetrics(m_font).horizontalAdvance(widestText));
}

int WidestRowDelegate::roughWidth(const QString& text) const
{
    if (m_advance.empty())
        m_advance.assign(0x10000, -1);
    const QFontMetrics metrics(m_font);
    int width = 0;
    for (const QChar c : text) {
        int& advance = m_advance[c.unicode()];
        if (advance < 0)
            advance = std::max(0, metrics.horizontalAdvance(c));
        width += advance;
    }
    return width;
}
