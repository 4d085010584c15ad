// The program's address book window ("the address book program"): lists the contacts and
// contact groups of the user's vCard address book, searches them, and adds, edits and deletes
// contacts (name, mobile number) and groups (name, members).
//
// The window reads the book the address-book manager uses (its BookPath) into a CVCardBook of
// its own. Every change is written at once: only the changed file is rewritten, atomically,
// and every property the program does not understand is kept. After a save the manager reads
// the book again (LoadContacts), so compose
// dialogs see the change the next time they build their known entries. A save that fails (the
// file cannot be written, or another program changed it meanwhile) is reported with a message
// box; the window then shows the book as it is on disk.
//
// A book that exists but cannot be read is shown read-only with the reason, so a damaged file
// is never overwritten. When there is no book yet, the first change creates it.
//
// One window per program (Open); it lives on the GUI thread and deletes itself when closed.
#pragma once

#include "compose/CDlgContactEdit.h"
#include "compose/CVCardBook.h"
#include "gui/CDlgBase.h"

#include <QPointer>

#include <string>
#include <vector>

class CMgmtGUI;
class CWABManager;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class CAddressBookWindow : public CDlgBase {
    Q_OBJECT

public:
    explicit CAddressBookWindow(CWABManager& wab, QWidget* parent = nullptr);
    ~CAddressBookWindow() override;

    // The program's address book window: created when needed, shown and brought to the front.
    // With an entry id that entry is selected and its form opened (the details of a contact).
    static CAddressBookWindow* Open(CWABManager& wab, const std::string& entryId = {});
    // The open window, or null.
    static CAddressBookWindow* Current();
    // Makes "QVShowAddressBook" open this window and the manager's details show an entry in it.
    static void Install(CMgmtGUI& gui, CWABManager& wab);
    // Closes and deletes the window (at exit, before the manager goes).
    static void Shutdown();

    // Reads the book again and refills the list.
    void Reload();
    // Entry id of the selected row (empty when none or several); selects a row by entry id.
    std::string SelectedEntry() const;
    bool SelectEntry(const std::string& entryId);
    bool IsReadOnly() const { return m_readOnly; }

    // The changes behind the buttons, without the forms. Each saves at once; false when the
    // book is read-only, the entry is unknown or the save failed (reported). The add functions
    // return the new entry id (empty on failure).
    std::string AddContact(const CDlgContactEdit::Fields& fields);
    bool EditContact(const std::string& entryId, const CDlgContactEdit::Fields& fields);
    std::string AddGroup(const std::string& name, const std::vector<std::string>& memberIds);
    bool EditGroup(const std::string& entryId, const std::string& name,
                   const std::vector<std::string>& memberIds);
    bool Remove(const std::string& entryId);

    // The buttons: open the forms (modal) or ask before deleting.
    void OnNewContact();
    void OnNewGroup();
    void OnProperties();
    void OnDelete();

    QTreeWidget* List() const { return m_list; }
    QLineEdit* SearchEdit() const { return m_search; }
    QLabel* StatusLabel() const { return m_status; }
    QPushButton* PropertiesButton() const { return m_properties; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* NewContactButton() const { return m_newContact; }
    QPushButton* NewGroupButton() const { return m_newGroup; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    void Filter(const QString& text);
    void UpdateButtons();
    bool PrepareChange();
    bool Commit();
    void EditEntry(const std::string& entryId);
    void ShowError(const std::string& text);

    CWABManager& m_wab;
    CVCardBook m_book;
    bool m_readOnly = false;
    std::string m_readOnlyReason;

    QLineEdit* m_search = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_newContact = nullptr;
    QPushButton* m_newGroup = nullptr;
    QPushButton* m_properties = nullptr;
    QPushButton* m_delete = nullptr;

    static QPointer<CAddressBookWindow> s_window;
};
