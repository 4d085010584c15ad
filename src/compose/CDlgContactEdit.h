// The form of one contact in the address-book window: display name, given name, family name
// and mobile number. The display name may be left empty: it is then made from the given and
// the family name. OK stays disabled until the contact has a name.
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class CDlgContactEdit : public QDialog {
    Q_OBJECT

public:
    struct Fields {
        std::string displayName;
        std::string givenName;
        std::string familyName;
        std::string mobile;
    };

    explicit CDlgContactEdit(const Fields& fields, bool isNew, QWidget* parent = nullptr);

    // The fields as entered, trimmed, with the display name filled in when it was empty.
    Fields Result() const;

    QLineEdit* DisplayNameEdit() const { return m_display; }
    QLineEdit* GivenNameEdit() const { return m_given; }
    QLineEdit* FamilyNameEdit() const { return m_family; }
    QLineEdit* MobileEdit() const { return m_mobile; }
    QPushButton* OkButton() const { return m_ok; }

private:
    void UpdateOk();

    QLineEdit* m_display = nullptr;
    QLineEdit* m_given = nullptr;
    QLineEdit* m_family = nullptr;
    QLineEdit* m_mobile = nullptr;
    QPushButton* m_ok = nullptr;
};
