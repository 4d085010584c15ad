// The usage reminder shown when the program has not been used for a while and no balloon can
// be shown: asks whether to write a new message (Yes accepts the dialog). "Do not show this
// reminder again" turns the reminder off.
#pragma once

#include "gui/CDlgBase.h"

class IGuiApplication;
class CInfoPage;
class QCheckBox;
class QPushButton;

class CDlgUsageReminder : public CDlgBase {
    Q_OBJECT

public:
    explicit CDlgUsageReminder(IGuiApplication& app, QWidget* parent = nullptr);

    QPushButton* YesButton() const { return m_yes; }
    QPushButton* NoButton() const { return m_no; }
    QCheckBox* DontShowBox() const { return m_dontShow; }

    void done(int result) override;

private:
    IGuiApplication& m_app;
    QPushButton* m_yes = nullptr;
    QPushButton* m_no = nullptr;
    QCheckBox* m_dontShow = nullptr;
};
