// The recipient picker ("Select Recipients"): the address book's contacts and groups on the
// left, the chosen recipients on the right. Run modally by the compose dialog's To... button
// with the contacts and plain numbers of its current recipients (resolved without expanding
// groups); on OK the caller takes Contacts() and Numbers() as the user changed them.
//
// - Contacts list: one row per address-book entry with its icon (contact, contact without a
//   valid number, group, group with invalid members) and the converted number, or "(group)".
// - Add (the add button or a double-click on a contacts row) appends every selected
//   valid row that is not chosen yet; invalid rows are never added. The add button is enabled
//   only while every selected contacts row is valid.
// - Remove (the remove button or Delete in the chosen list) drops the selected chosen rows.
// - Properties (enabled while exactly one contacts row is selected) shows the entry's details
//   through the details handler. Run shows them in the address book window and afterwards
//   reads the book again, so a number added there can be chosen at once.
//
// The picker only shows and routes: which records are valid and what their numbers are comes
// with the records (validated by the address-book manager).
#pragma once

#include "compose/CWABRecord.h"
#include "gui/CDlgBase.h"

#include <functional>
#include <string>
#include <vector>

class CWABManager;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDlgAddressBook : public CDlgBase {
    Q_OBJECT

public:
    using DetailsHandler = std::function<void(const CWABRecord& record)>;

    // `records`: the validated address-book cache; `contacts` and `numbers`: the chosen
    // recipients to start with.
    CDlgAddressBook(std::vector<CWABRecord> records, std::vector<CWABRecord> contacts,
                    std::vector<std::string> numbers, QWidget* parent = nullptr);

    // Reloads and validates the manager's cache, runs the picker modally and, on OK, replaces
    // `contacts` and `numbers` by the user's choice. True on OK.
    static bool Run(CWABManager& wab, std::vector<CWABRecord>& contacts,
                    std::vector<std::string>& numbers, QWidget* parent = nullptr);

    void SetDetailsHandler(DetailsHandler handler) { m_details = std::move(handler); }
    // Replaces the address-book entries shown (after the book changed, for instance through
    // Properties); the chosen recipients stay.
    void SetRecords(std::vector<CWABRecord> records);

    // The chosen recipients: address-book entries, then plain numbers.
    const std::vector<CWABRecord>& Contacts() const { return m_contacts; }
    const std::vector<std::string>& Numbers() const { return m_numbers; }

    // Widgets, for tests and screenshots.
    QTreeWidget* ContactsList() const { return m_list; }
    QTreeWidget* ChosenList() const { return m_chosen; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* PropertiesButton() const { return m_properties; }
    QPushButton* OkButton() const { return m_ok; }

    // The icon row of the branding table for a record (valid or invalid contact or group).
    static int IconRow(const CWABRecord& record);

    // Actions (the buttons call them).
    void AddSelected();
    void RemoveSelected();
    void ShowProperties();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillContacts();
    void FillChosen();
    void UpdateButtons();
    std::vector<int> SelectedRecords() const;

    std::vector<CWABRecord> m_records;
    std::vector<CWABRecord> m_contacts;
    std::vector<std::string> m_numbers;
    DetailsHandler m_details;

    QTreeWidget* m_list = nullptr;
    QTreeWidget* m_chosen = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_properties = nullptr;
    QPushButton* m_ok = nullptr;
};
