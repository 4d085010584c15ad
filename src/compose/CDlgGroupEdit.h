// The form of one contact group in the address-book window: its name and its members, chosen
// from the book's other entries with check boxes (a search field narrows the list). OK stays
// disabled until the group has a name.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

class CDlgGroupEdit : public QDialog {
    Q_OBJECT

public:
    // One entry that can be a member.
    struct Candidate {
        std::string entryId;
        std::string name;
        bool isGroup = false;
        bool member = false;
    };

    CDlgGroupEdit(const std::string& name, std::vector<Candidate> candidates, bool isNew,
                  QWidget* parent = nullptr);

    std::string Name() const;
    // Entry ids of the checked entries, in the list's order.
    std::vector<std::string> Members() const;

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* SearchEdit() const { return m_search; }
    QListWidget* MemberList() const { return m_members; }
    QPushButton* OkButton() const { return m_ok; }

private:
    void Filter(const QString& text);

    QLineEdit* m_name = nullptr;
    QLineEdit* m_search = nullptr;
    QListWidget* m_members = nullptr;
    QPushButton* m_ok = nullptr;
};
