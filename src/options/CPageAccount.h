// The Account page: the default sender, the account options (the core's account
// registration), the prepaid balance with the refill link and the low-balance warning, and
// the reply e-mail address with its Change button. The prepaid section shows only for a
// "prepaid" account (otherwise the reply section moves up and the low-balance warning is off);
// the reply section shows only when the account has a reply sender.
#pragma once

#include "options/COptionsPage.h"
#include "options/COptionsRules.h"

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CPageAccount : public COptionsPage {
    Q_OBJECT

public:
    CPageAccount(const OptionsServices& services, QWidget* parent = nullptr);

    // The Change button: runs the e-mail verification dialog and keeps a new address.
    void OnChangeEmail();
    // The account options button.
    void OnOpenAccount();
    // Keeps `address` as the new reply address (what the verification dialog's OK does).
    void SetNewEmail(const std::string& address);

    QComboBox* OriginatorBox() const { return m_originator; }
    QPushButton* AccountButton() const { return m_account; }
    QWidget* PrepaidSection() const { return m_prepaid; }
    QWidget* ReplySection() const { return m_reply; }
    QLabel* BalanceLabel() const { return m_balance; }
    QLabel* RefillLink() const { return m_refill; }
    QSpinBox* ThresholdBox() const { return m_threshold; }
    QCheckBox* LowBalanceBox() const { return m_lowBalance; }
    QLineEdit* EmailField() const { return m_email; }
    QPushButton* ChangeEmailButton() const { return m_changeEmail; }

protected:
    void OnApply() override;

private:
    OriginatorChoices m_originators;
    std::string m_newEmail;
    bool m_emailChanged = false;
    QComboBox* m_originator = nullptr;
    QPushButton* m_account = nullptr;
    QWidget* m_prepaid = nullptr;
    QWidget* m_reply = nullptr;
    QLabel* m_balance = nullptr;
    QLabel* m_refill = nullptr;
    QSpinBox* m_threshold = nullptr;
    QCheckBox* m_lowBalance = nullptr;
    QLineEdit* m_email = nullptr;
    QPushButton* m_changeEmail = nullptr;
};
