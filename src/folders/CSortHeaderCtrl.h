// The header of the sortable message list. The sorted column's heading is shortened to
// leave room for a small triangle, drawn with highlight and shadow lines: pointing up when
// the list is sorted ascending, down when descending. Other sections draw as usual.
#pragma once

#include <QHeaderView>

class CSortHeaderCtrl : public QHeaderView {
    Q_OBJECT

public:
    explicit CSortHeaderCtrl(QWidget* parent = nullptr);

    // Marks the sorted column (-1: none) and the direction, and redraws.
    void SetSortArrow(int column, bool ascending);
    int SortColumn() const { return m_column; }
    bool SortAscending() const { return m_ascending; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    int m_column = -1;
    bool m_ascending = true;
};
