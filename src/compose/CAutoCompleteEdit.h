// The recipients field of the compose dialog: one rich-text line in which the user types
// recipients separated by ";" (address-book display texts, group names, phone numbers).
//
// Contract:
// - The field knows a list of accepted entries (SetKnownEntries or UseKnownEntries). An entry
//   equal to one of them, compared without regard to case, is valid and drawn as a link; any
//   other entry is offered to the parent through UnknownEntry each time it is completed; if
//   the parent accepts it the entry is valid, otherwise it is drawn in red. Separators keep
//   the default format.
// - While the user types, the entries that begin with the text of the current entry are
//   offered in a pop-up suggestion list (CAutoCompleteList) below the entry; Enter or Tab
//   takes the selected suggestion, Escape hides the list, Up/Down/Home/End move in it, Delete
//   asks the parent to forget the selected suggestion (RemoveEntryRequested).
// - ";" and Enter complete the current entry: it is checked, formatted and followed by ";".
//   Losing the focus (to anything but the suggestion list) re-checks every entry, unless the
//   window is being hidden or destroyed.
// - Valid entries behave as one unit: the caret jumps over them, Backspace after their ";"
//   removes them whole, Delete and mouse selections widen to cover them whole, and a
//   double-click asks the parent for the entry's details (DetailsRequested).
// - Text set from code (SetRecipients, AppendEntry) and pasted text are completed as if typed;
//   a pasted list of numbers separated by blanks, commas, semicolons or line breaks becomes
//   one entry per number.
// - Ctrl+Enter, Ctrl+Escape, Ctrl+Home and Ctrl+End are left to the parent (Ctrl+Enter sends).
//   Tab without a suggestion list moves the focus on. Undo, redo, cut, copy, paste and select
//   all work as in any text field.
//
// The field only draws and routes events: the editing rules are CRecipientFieldText's, the
// suggestions come from CKnownEntries, and whether a typed entry is acceptable is decided by
// the parent through the signals below.
#pragma once

#include "compose/CKnownEntries.h"
#include "compose/CRecipientFieldText.h"

#include <QStringList>
#include <QTextCharFormat>
#include <QTextEdit>

#include <string>
#include <vector>

class CAutoCompleteList;

class CAutoCompleteEdit : public QTextEdit {
    Q_OBJECT

public:
    // The fixed separator between entries.
    static constexpr char kSeparator = ';';

    explicit CAutoCompleteEdit(QWidget* parent = nullptr);
    ~CAutoCompleteEdit() override;

    // The entries the field accepts as valid (display texts of address-book entries and
    // remembered numbers; only entries marked valid count). By default the field keeps a list
    // of its own, filled by SetKnownEntries. A compose dialog instead hands in the known
    // entries of its recipient resolver (UseKnownEntries), which must outlive the field or be
    // replaced by null first; the dialog then updates that list itself when it accepts or
    // removes an entry. Existing entries are re-checked when completed again (CompleteAll).
    void UseKnownEntries(const CKnownEntries* known);
    void SetKnownEntries(const std::vector<std::string>& entries);
    const CKnownEntries& KnownEntries() const;
    // Change the field's own list (no effect on a list handed in): an entry equal to a known
    // one (ignoring case) is not added twice.
    void AddKnownEntry(const std::string& entry);
    void RemoveKnownEntry(const std::string& entry);
    // True when `entry` is a known, valid entry (ignoring case).
    bool IsKnown(const std::string& entry) const;

    // The field's plain text, UTF-8 (entries and separators as shown).
    std::string Recipients() const;
    // Replaces the whole text and completes every entry as if it had been typed; the text may
    // hold several entries separated by ";". Reports a change.
    void SetRecipients(const std::string& text);
    // Appends one entry followed by ";" at the end and completes it. Reports a change.
    void AppendEntry(const std::string& entry);
    // Empties the field. Reports a change.
    void ClearRecipients();
    // Re-checks and re-formats every entry from the first to the last.
    void CompleteAll();
    // The entries of the field in order (trimmed, empty pieces dropped) and whether each is
    // currently drawn as valid.
    std::vector<std::string> Entries() const;
    std::vector<std::string> ValidEntries() const;
    std::vector<std::string> InvalidEntries() const;

    // The pop-up suggestion list (owned by the field, a top-level window).
    CAutoCompleteList* SuggestionList() const { return m_list; }
    bool IsSuggestionListShown() const;

    // The height the field wants for its text (document height plus frame); see
    // HeightRequested.
    int WantedHeight() const;

signals:
    // Double-click on a valid entry: show the address book's details of `entry`.
    void DetailsRequested(const QString& entry);
    // A completed entry is not among the known entries. A slot connected directly sets
    // `*accepted` to true when it accepts the entry (it then becomes a known, valid entry).
    void UnknownEntry(const QString& entry, bool* accepted);
    // Delete on a suggestion: forget `entry`. A slot connected directly sets `*removed` to
    // true when it removed it; the field then drops it from its known entries and the list.
    void RemoveEntryRequested(const QString& entry, bool* removed);
    // The entries changed (delivered later through the event loop; several changes in one
    // turn of the loop are reported once). The parent recounts its recipients.
    void EntriesChanged();
    // The text needs a different height (auto-growing field); the parent decides.
    void HeightRequested(int height);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    using Range = CRecipientFieldText::Range;
    using Edit = CRecipientFieldText::Edit;

    std::u16string Text16() const;
    QTextCharFormat DefaultFormat() const;
    QTextCharFormat ValidFormat(const QString& entry) const;
    QTextCharFormat InvalidFormat() const;
    // The entry starting at `position` is drawn as valid.
    bool IsValidAt(int position) const;
    // For the text rules: is the entry (a view into `text`) drawn as valid?
    CRecipientFieldText::IsValidFn DrawnValid(const std::u16string& text) const;
    // For completion: known, or accepted by the parent.
    CRecipientFieldText::IsValidFn Checker();
    std::vector<Range> EntryRanges() const;

    bool CheckEntry(const QString& entry);
    bool HasFormat(Range range, const QTextCharFormat& format) const;
    void ApplyEdit(const Edit& edit);
    void ReplaceText(const std::u16string& text);
    void CompleteCurrentEntry();
    void TakeSuggestion(const QString& suggestion);
    void UpdateSuggestions();
    void HideSuggestions();
    void WidenSelectionToEntries();
    bool DeleteValidSelection();
    bool BackspaceOverEntry();
    bool JumpOverEntry(bool forward);
    void InsertEntries(const QStringList& entries);
    void ReportChange();

    CKnownEntries m_own;
    const CKnownEntries* m_known = &m_own;
    CAutoCompleteList* m_list = nullptr;
    bool m_changePending = false;
    int m_lastHeight = -1;
};
