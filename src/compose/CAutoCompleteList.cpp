#include "compose/CAutoCompleteList.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

CAutoCompleteList::CAutoCompleteList(QWidget* owner) : QListWidget(owner) {
    // A tool-tip window: on top, frameless, never activated, so the field keeps the keyboard.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setUniformItemSizes(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setObjectName("AutoCompleteList");
    // Tool-tip windows take the tool-tip palette; the list wants the ordinary list colours.
    setPalette(QGuiApplication::palette());
    connect(this, &QListWidget::itemClicked,
            [this](QListWidgetItem* item) { emit Chosen(item->text()); });
}

void CAutoCompleteList::SetCandidates(const QStringList& candidates) {
    QStringList sorted = candidates;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    clear();
    addItems(sorted);
    // The list is sized for its rows; only a long list needs a scroll bar.
    setVerticalScrollBarPolicy(count() > kMaxVisibleRows ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
    if (count() > 0) {
        setCurrentRow(0);
    }
}

QStringList CAutoCompleteList::Candidates() const {
    QStringList rows;
    for (int i = 0; i < count(); ++i) {
        rows << item(i)->text();
    }
    return rows;
}

QString CAutoCompleteList::Selected() const {
    QListWidgetItem* row = currentItem();
    return row != nullptr && row->isSelected() ? row->text() : QString();
}

void CAutoCompleteList::MoveSelection(int delta) {
    if (count() == 0) {
        return;
    }
    int row = currentRow() < 0 ? 0 : std::clamp(currentRow() + delta, 0, count() - 1);
    setCurrentRow(row);
}

void CAutoCompleteList::SelectFirst() {
    if (count() > 0) {
        setCurrentRow(0);
    }
}

void CAutoCompleteList::SelectLast() {
    if (count() > 0) {
        setCurrentRow(count() - 1);
    }
}

int CAutoCompleteList::RowHeight() const {
    int height = sizeHintForRow(0);
    return height > 0 ? height : fontMetrics().height() + 2;
}

QSize CAutoCompleteList::WantedSize() const {
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(item(i)->text()));
    }
    // Room for the item's own margins and the frame on top of the text itself.
    int width =
        widest + 5 + 2 * frameWidth() + 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin);
    if (count() > kMaxVisibleRows) {
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    }
    int height = RowHeight() * std::min(count(), kMaxVisibleRows) + 2;
    return {width, height};
}

void CAutoCompleteList::ShowAt(const QPoint& globalTopLeft) {
    // The style may change the font when the window is first polished; measure after that.
    ensurePolished();
    QSize size = WantedSize();
    QPoint position = globalTopLeft;
    QScreen* screen = QGuiApplication::screenAt(globalTopLeft);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        QRect area = screen->availableGeometry();
        if (position.x() + size.width() > area.right() + 1) {
            position.setX(std::max(area.left(), area.right() + 1 - size.width()));
        }
    }
    setGeometry(QRect(position, size));
    if (!isVisible()) {
        show();
    }
    raise();
    scrollToItem(currentItem());
}
