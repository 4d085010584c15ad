// Asks for a new reply e-mail address twice. OK refuses an empty field, two texts that differ
// and a text that does not look like an e-mail address, each with its alert, and keeps the
// dialog open with the input; blanks around the address are ignored.
#pragma once

#include "gui/CDlgBase.h"

#include <string>

class QLineEdit;
class QPushButton;

class CDlgEmailVerify : public CDlgBase {
    Q_OBJECT

public:
    // `current` is the address the account has now; it fills the first field.
    explicit CDlgEmailVerify(const std::string& current, QWidget* owner = nullptr);

    // Runs modally; true when closed with OK (Address() is then the new address).
    bool RunModal();
    const std::string& Address() const { return m_address; }

    void OnOK();
    QLineEdit* FirstField() const { return m_first; }
    QLineEdit* SecondField() const { return m_second; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

private:
    std::string m_address;
    QLineEdit* m_first = nullptr;
    QLineEdit* m_second = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
