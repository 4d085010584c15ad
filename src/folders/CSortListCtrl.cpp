#include "folders/CSortListCtrl.h"

#include "config/CQVRegClass.h"

#include <QItemSelection>
#include <QScrollBar>

#include <algorithm>
#include <unordered_set>

CSortListCtrl::CSortListCtrl(CQVRegClass* reg, QWidget* parent)
    : QTreeView(parent), m_reg(reg), m_model(new CSortListModel(this)),
      m_header(new CSortHeaderCtrl(this)) {
    setHeader(m_header);
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The list sorts itself; turning the view's sorting off also makes the headings
    // unclickable, so they are made clickable again.
    setSortingEnabled(false);
    m_header->setSectionsClickable(true);
    m_header->setSortIndicatorShown(false);
    setTextElideMode(Qt::ElideRight);
    setAlternatingRowColors(true);
    // The last visible column takes the free width, so the list has no empty strip.
    m_header->setStretchLastSection(true);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    connect(m_header, &QHeaderView::sectionClicked, this, &CSortListCtrl::OnHeaderClick);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit SelectionChanged(); });
    ReadSortSettings();
}

std::vector<std::pair<std::string, int>>
CSortListCtrl::ParseColumnLayout(const std::string& layout) {
    std::vector<std::pair<std::string, int>> columns;
    size_t pos = 0;
    while (pos < layout.size()) {
        size_t end = layout.find(';', pos);
        if (end == std::string::npos) {
            end = layout.size();
        }
        std::string entry = layout.substr(pos, end - pos);
        pos = end + 1;
        if (entry.empty()) {
            continue;
        }
        // The width follows the last comma, so a heading may hold commas itself.
        size_t comma = entry.rfind(',');
        int width = 0;
        std::string heading = entry;
        if (comma != std::string::npos) {
            heading = entry.substr(0, comma);
            try {
                width = std::max(0, std::stoi(entry.substr(comma + 1)));
            } catch (...) {
                width = 0;
            }
        }
        columns.emplace_back(heading, width);
    }
    return columns;
}

void CSortListCtrl::SetColumns(const std::string& layout) {
    const auto columns = ParseColumnLayout(layout);
    QStringList headings;
    for (const auto& [heading, width] : columns) {
        headings << QString::fromStdString(heading);
    }
    m_model->SetHeadings(headings);
    for (size_t i = 0; i < columns.size(); ++i) {
        SetListColumnWidth(static_cast<int>(i), columns[i].second);
    }
    m_header->SetSortArrow(m_sortColumn, m_ascending);
}

void CSortListCtrl::SetListColumnWidth(int column, int width) {
    if (width <= 0) {
        setColumnHidden(column, true);
        return;
    }
    setColumnHidden(column, false);
    setColumnWidth(column, width);
}

void CSortListCtrl::ReadSortSettings() {
    if (m_reg != nullptr) {
        m_sortColumn = static_cast<int>(m_reg->GetSortListColumn());
        m_ascending = m_reg->GetSortListOrder() != 0;
    }
    if (m_sortColumn < 0 || m_sortColumn >= FOLDER_COLUMN_COUNT) {
        m_sortColumn = COL_SENT;
    }
}

void CSortListCtrl::OnHeaderClick(int column) {
    if (column < 0 || column >= FOLDER_COLUMN_COUNT) {
        return;
    }
    // Every click flips the direction, also when the column changes.
    const bool ascending = !m_ascending;
    if (m_reg != nullptr) {
        m_reg->SetSortListColumn(static_cast<CQVRegClass::DWORD>(column));
        m_reg->SetSortListOrder(ascending ? 1 : 0);
    } else {
        m_sortColumn = column;
        m_ascending = ascending;
    }
    SortByStored();
}

void CSortListCtrl::SortByStored() {
    ReadSortSettings();
    m_header->SetSortArrow(m_sortColumn, m_ascending);
    m_model->Sort(m_sortColumn, m_ascending);
}

void CSortListCtrl::SetRows(std::vector<FolderRow> rows) {
    // What the user sees, by key: the selection, the current row and the top row.
    std::vector<std::string> selected;
    for (int row : SelectedRows()) {
        selected.push_back(m_model->Cell(row, COL_GUID));
    }
    std::string current;
    if (QModelIndex index = currentIndex(); index.isValid()) {
        current = m_model->Cell(index.row(), COL_GUID);
    }
    std::string top;
    const bool scrolled = verticalScrollBar()->value() > 0;
    if (scrolled) {
        if (QModelIndex index = indexAt(QPoint(1, 1)); index.isValid()) {
            top = m_model->Cell(index.row(), COL_GUID);
        }
    }

    const QSignalBlocker blocker(selectionModel());
    m_model->SetRows(std::move(rows));
    ReadSortSettings();
    m_header->SetSortArrow(m_sortColumn, m_ascending);
    m_model->Sort(m_sortColumn, m_ascending);

    if (!current.empty()) {
        if (int row = m_model->FindRow(current); row >= 0) {
            selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                              QItemSelectionModel::NoUpdate);
        }
    }
    SelectKeys(selected);
    if (!top.empty()) {
        if (int row = m_model->FindRow(top); row >= 0) {
            scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
        }
    }
    emit SelectionChanged();
}

void CSortListCtrl::RemoveRows(const std::vector<int>& rows) {
    m_model->RemoveRows(rows);
    emit SelectionChanged();
}

std::vector<int> CSortListCtrl::SelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CSortListCtrl::SelectedCount() const {
    return static_cast<int>(SelectedRows().size());
}

int CSortListCtrl::FirstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (first < 0 || range.top() < first) {
            first = range.top();
        }
    }
    return first;
}

void CSortListCtrl::SelectAllRows() {
    std::vector<int> rows(static_cast<size_t>(m_model->rowCount()));
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i] = static_cast<int>(i);
    }
    SelectRowList(rows);
}

void CSortListCtrl::SelectKeys(const std::vector<std::string>& keys) {
    std::vector<int> rows;
    rows.reserve(keys.size());
    for (const std::string& key : keys) {
        if (int row = m_model->FindRow(key); row >= 0) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    SelectRowList(rows);
}

void CSortListCtrl::SelectRowList(const std::vector<int>& rows) {
    QItemSelection selection;
    const int lastColumn = std::max(0, m_model->columnCount() - 1);
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) {
            ++j;
        }
        selection.select(m_model->index(rows[i], 0), m_model->index(rows[j], lastColumn));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}
