#include "folders/CSortHeaderCtrl.h"

#include <QPainter>
#include <QPolygon>
#include <QStyleOptionHeader>

namespace {
constexpr int kArrowWidth = 8;  // base of the triangle
constexpr int kArrowHeight = 5; // height of the triangle
constexpr int kArrowMargin = 7; // free space right of the triangle
constexpr int kArrowGap = 6;    // free space between text and triangle
} // namespace

CSortHeaderCtrl::CSortHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CSortHeaderCtrl::SetSortArrow(int column, bool ascending) {
    m_column = column;
    m_ascending = ascending;
    viewport()->update();
}

QSize CSortHeaderCtrl::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (logicalIndex == m_column) {
        size.rwidth() += kArrowWidth + kArrowGap + kArrowMargin;
    }
    return size;
}

void CSortHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) {
        return;
    }
    if (logicalIndex != m_column) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    painter->save();
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    opt.sortIndicator = QStyleOptionHeader::None;
    // The heading gives up the room the triangle needs.
    const int textRoom = rect.width() - kArrowWidth - kArrowGap - kArrowMargin - 8;
    opt.text = fontMetrics().elidedText(opt.text, Qt::ElideRight, qMax(0, textRoom));
    // The style may leave an empty clip region behind when the painter had none.
    painter->save();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    painter->restore();

    const int right = rect.right() - kArrowMargin;
    const int left = right - kArrowWidth;
    if (left > rect.left() + 4) {
        const int mid = (left + right) / 2;
        const int top = rect.center().y() - kArrowHeight / 2;
        const int bottom = top + kArrowHeight;
        const QColor highlight = palette().color(QPalette::Light);
        const QColor shadow = palette().color(QPalette::Shadow);
        QPolygon triangle;
        painter->setRenderHint(QPainter::Antialiasing, true);
        if (m_ascending) {
            triangle << QPoint(left, bottom) << QPoint(mid, top) << QPoint(right, bottom);
        } else {
            triangle << QPoint(left, top) << QPoint(right, top) << QPoint(mid, bottom);
        }
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::Dark));
        painter->drawPolygon(triangle);
        painter->setBrush(Qt::NoBrush);
        if (m_ascending) {
            painter->setPen(shadow);
            painter->drawLine(QPoint(left, bottom), QPoint(mid, top));
            painter->setPen(highlight);
            painter->drawLine(QPoint(mid, top), QPoint(right, bottom));
            painter->drawLine(QPoint(right, bottom), QPoint(left, bottom));
        } else {
            painter->setPen(shadow);
            painter->drawLine(QPoint(right, top), QPoint(left, top));
            painter->drawLine(QPoint(left, top), QPoint(mid, bottom));
            painter->setPen(highlight);
            painter->drawLine(QPoint(mid, bottom), QPoint(right, top));
        }
    }
    painter->restore();
}
