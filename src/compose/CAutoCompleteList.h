// The pop-up suggestion list of the recipients field (CAutoCompleteEdit). A frameless
// top-level list that never takes the focus: the field keeps the keyboard and drives the list
// (selection, geometry, show and hide). Candidates are kept sorted without regard to case; the
// first is selected whenever the candidates change. A click on a row emits Chosen.
#pragma once

#include <QListWidget>
#include <QStringList>

class CAutoCompleteList : public QListWidget {
    Q_OBJECT

public:
    // Rows shown at most before the list scrolls.
    static constexpr int kMaxVisibleRows = 7;

    explicit CAutoCompleteList(QWidget* owner = nullptr);

    // Replaces the rows (sorted without regard to case) and selects the first.
    void SetCandidates(const QStringList& candidates);
    QStringList Candidates() const;
    // The selected row's text; empty when nothing is selected.
    QString Selected() const;
    // Moves the selection by `delta` rows, stopping at the first and the last row.
    void MoveSelection(int delta);
    void SelectFirst();
    void SelectLast();

    // The list's size for its rows: width = widest row + 5 (+ a vertical scroll bar when more
    // than kMaxVisibleRows rows), height = row height x min(rows, kMaxVisibleRows) + 2.
    QSize WantedSize() const;
    // Shows the list with its top-left corner at `globalTopLeft`, moved left when it would
    // leave the screen, without activating it.
    void ShowAt(const QPoint& globalTopLeft);

signals:
    // The user clicked a row.
    void Chosen(const QString& text);

private:
    int RowHeight() const;
};
