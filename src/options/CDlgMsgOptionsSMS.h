// Options of the one message being written: one SMS only or long messages, and send now or at
// a chosen time. The compose dialog (and the folders dialog) copy the message's values into
// the public fields, run the dialog modally and take the fields back only when it ends with
// OK; Cancel leaves the fields as they were. When the TruncationMode setting is 3 ("remember
// last used"), OK also stores the chosen mode in RememberTruncMode.
#pragma once

#include "gui/CDlgBase.h"

#include <QDateTime>

class CQVRegClass;
class QDateEdit;
class QRadioButton;
class QTimeEdit;
class QPushButton;

class CDlgMsgOptionsSMS : public CDlgBase {
    Q_OBJECT

public:
    CDlgMsgOptionsSMS(const CQVRegClass& reg, QWidget* owner = nullptr);

    // Sets the controls from the fields, runs the dialog modally (the owner is blocked) and
    // returns win::IDOK or win::IDCANCEL.
    int RunModal();

    // The message's values: in before RunModal, out after OK.
    int truncationMode = 0; // 0 one SMS only, 1 long messages allowed
    bool scheduled = false;
    QDateTime scheduleTime;

    // Controls, for the tests.
    QRadioButton* TruncateOption() const { return m_truncate; }
    QRadioButton* SplitUpOption() const { return m_splitUp; }
    QRadioButton* SendNowOption() const { return m_sendNow; }
    QRadioButton* SendAtOption() const { return m_sendAt; }
    QDateEdit* DatePicker() const { return m_date; }
    QTimeEdit* TimePicker() const { return m_time; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    // The long-message option's text for a SplitUpCharLimit value.
    static QString SplitUpText(unsigned limit);

private:
    void InitDialog();
    void OnOK();
    void UpdatePickers();

    const CQVRegClass& m_reg;
    QRadioButton* m_truncate = nullptr;
    QRadioButton* m_splitUp = nullptr;
    QRadioButton* m_sendNow = nullptr;
    QRadioButton* m_sendAt = nullptr;
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
