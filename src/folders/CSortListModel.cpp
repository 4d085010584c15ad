#include "folders/CSortListModel.h"

#include "folders/CSortCompare.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <optional>

CSortListModel::CSortListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CSortListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CSortListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant CSortListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()) ||
        index.column() >= FOLDER_COLUMN_COUNT) {
        return {};
    }
    const FolderRow& row = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(row.cells[static_cast<size_t>(index.column())]);
    case Qt::DecorationRole:
        if (index.column() == 0 && row.icon >= 0 && row.icon < static_cast<int>(m_icons.size())) {
            return m_icons[static_cast<size_t>(row.icon)];
        }
        return {};
    default:
        return {};
    }
}

QVariant CSortListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_headings.size()) {
        return m_headings[section];
    }
    return {};
}

void CSortListModel::SetHeadings(const QStringList& headings) {
    beginResetModel();
    m_headings = headings;
    endResetModel();
}

void CSortListModel::SetIcons(std::vector<QIcon> icons) {
    m_icons = std::move(icons);
    if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, 0),
                         {Qt::DecorationRole});
    }
}

void CSortListModel::SetRows(std::vector<FolderRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    InvalidateIndex();
    endResetModel();
}

void CSortListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the bottom up, one contiguous run at a time.
    for (size_t end = rows.size(); end > 0;) {
        size_t start = end - 1;
        while (start > 0 && rows[start - 1] == rows[start] - 1) {
            --start;
        }
        const int first = rows[start];
        const int last = rows[end - 1];
        if (first >= 0 && last < static_cast<int>(m_rows.size())) {
            beginRemoveRows(QModelIndex(), first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            endRemoveRows();
        }
        end = start;
    }
    InvalidateIndex();
}

void CSortListModel::Sort(int column, bool ascending) {
    if (column < 0 || column >= FOLDER_COLUMN_COUNT || m_rows.size() < 2) {
        return;
    }
    const size_t col = static_cast<size_t>(column);
    std::vector<SortCell> cells;
    cells.reserve(m_rows.size());
    bool anyText = false;
    for (const FolderRow& row : m_rows) {
        cells.push_back(CSortCompare::Prepare(row.cells[col]));
        anyText = anyText || cells.back().kind == SortCell::Text;
    }
    // Locale-aware keys, made only when some cell is compared as text.
    std::vector<QCollatorSortKey> keys;
    if (anyText) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        keys.reserve(m_rows.size());
        for (const FolderRow& row : m_rows) {
            keys.push_back(collator.sortKey(QString::fromStdString(row.cells[col])));
        }
    }
    const auto textCompare = [&keys](size_t a, size_t b) { return keys[a].compare(keys[b]); };
    std::vector<size_t> order = CSortCompare::SortRows(cells, ascending, textCompare);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newPosition(m_rows.size());
    std::vector<FolderRow> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPosition[order[i]] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[order[i]]));
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.push_back(index(newPosition[static_cast<size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(before, after);
    InvalidateIndex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const std::string& CSortListModel::Cell(int row, int column) const {
    return m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

int CSortListModel::FindRow(const std::string& key) const {
    if (!m_indexValid) {
        m_index.clear();
        m_index.reserve(m_rows.size());
        for (size_t i = 0; i < m_rows.size(); ++i) {
            m_index.emplace(m_rows[i].cells[static_cast<size_t>(m_keyColumn)], static_cast<int>(i));
        }
        m_indexValid = true;
    }
    auto it = m_index.find(key);
    return it == m_index.end() ? -1 : it->second;
}
