// The sortable message list: a report-style list over CSortListModel with a CSortHeaderCtrl
// header. A click on a column heading sorts by that column; the sort column and direction
// live in the settings (SortListColumn, SortListOrder: 1 ascending, 0 descending), so the
// list opens sorted the way the user left it. Replacing the rows keeps the selection, the
// current row and the scroll position by the rows' keys (the GUID column), so a refresh
// never loses what the user selected or scrolled to.
#pragma once

#include "folders/CFolderRows.h"
#include "folders/CSortHeaderCtrl.h"
#include "folders/CSortListModel.h"

#include <QTreeView>

#include <string>
#include <utility>
#include <vector>

class CQVRegClass;

class CSortListCtrl : public QTreeView {
    Q_OBJECT

public:
    // `reg` holds the sort settings; without one the list keeps them itself.
    explicit CSortListCtrl(CQVRegClass* reg, QWidget* parent = nullptr);

    // Builds the columns from a layout text of entries "heading,width;".
    void SetColumns(const std::string& layout);
    // Entries of a layout text: heading and width in pixels.
    static std::vector<std::pair<std::string, int>> ParseColumnLayout(const std::string& layout);
    // Width 0 hides the column.
    void SetListColumnWidth(int column, int width);
    void SetIcons(std::vector<QIcon> icons) { m_model->SetIcons(std::move(icons)); }

    // Replaces the rows, sorts them by the stored sort settings and restores the selection,
    // the current row and the scroll position by key.
    void SetRows(std::vector<FolderRow> rows);
    // Removes rows (row numbers of the current order).
    void RemoveRows(const std::vector<int>& rows);
    // Reads the sort settings, draws the arrow and sorts.
    void SortByStored();
    // A click on a column heading.
    void OnHeaderClick(int column);

    int RowCount() const { return m_model->rowCount(); }
    const std::string& Cell(int row, int column) const { return m_model->Cell(row, column); }
    // Selected row numbers, ascending.
    std::vector<int> SelectedRows() const;
    int SelectedCount() const;
    // The first selected row (lowest number), or -1.
    int FirstSelectedRow() const;
    void SelectAllRows();
    // Selects exactly the rows whose keys are given.
    void SelectKeys(const std::vector<std::string>& keys);
    int FindRow(const std::string& key) const { return m_model->FindRow(key); }

    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }
    CSortHeaderCtrl* SortHeader() const { return m_header; }
    CSortListModel* Model() const { return m_model; }

signals:
    // Emitted after the selection changed (clicks, keys, select all, refresh).
    void SelectionChanged();

private:
    void ReadSortSettings();
    void SelectRowList(const std::vector<int>& rows);

    CQVRegClass* m_reg;
    CSortListModel* m_model;
    CSortHeaderCtrl* m_header;
    int m_sortColumn = COL_SENT;
    bool m_ascending = false;
};
