// The rows of the sortable message list as a Qt table model: each row keeps its cell texts
// (UTF-8, converted only when a cell is drawn) and its icon number. The model sorts its rows
// by the rules of CSortCompare and finds rows by the text of a key column.
#pragma once

#include "folders/CFolderRows.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <unordered_map>
#include <vector>

class CSortListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit CSortListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void SetHeadings(const QStringList& headings);
    // The image list; a row's icon number indexes it (shown in the first column).
    void SetIcons(std::vector<QIcon> icons);
    // Replaces every row (one model reset).
    void SetRows(std::vector<FolderRow> rows);
    // Removes the given rows (any order).
    void RemoveRows(std::vector<int> rows);
    // Sorts the rows by one column.
    void Sort(int column, bool ascending);

    const FolderRow& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    const std::string& Cell(int row, int column) const;
    // The row whose key-column text equals `key`, or -1.
    int FindRow(const std::string& key) const;
    void SetKeyColumn(int column) { m_keyColumn = column; }

private:
    void InvalidateIndex() const { m_indexValid = false; }

    std::vector<FolderRow> m_rows;
    std::vector<QIcon> m_icons;
    QStringList m_headings;
    int m_keyColumn = COL_GUID;
    mutable bool m_indexValid = false;
    mutable std::unordered_map<std::string, int> m_index;
};
