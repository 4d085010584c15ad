// The program's settings window: a modeless sheet with the pages General, Account, Display
// and Alerts (in that order) and OK, Cancel and Apply. Apply writes the modified pages in the
// order Display, General, Account, Alerts, then posts "QVNotifyChangeSettings" to every
// top-level window (open compose and folder dialogs reload their settings) and disables
// itself until the next change. OK applies and closes; Cancel and the close box close without
// writing. Every page reads the settings when the window is built. F1 opens the help page.
//
// The dialog manager's long-lived Options session creates the window on the first show
// request and again after it was closed.
#pragma once

#include "gui/CDlgBase.h"
#include "options/OptionsServices.h"

#include <functional>

class CDialogFactory;
class COptionsPage;
class CPageAccount;
class CPageAlert;
class CPageDisplay;
class CPageGeneral;
class QPushButton;
class QTabWidget;

class CDlgOptions : public CDlgBase {
    Q_OBJECT

public:
    explicit CDlgOptions(OptionsServices services, QWidget* parent = nullptr);

    // Registers the window for the Options kind; `services` is asked once per window.
    static void Register(CDialogFactory& factory, std::function<OptionsServices()> services);

    void OnApply();
    void OnOK();

    QTabWidget* Sheet() const { return m_sheet; }
    CPageGeneral* GeneralPage() const { return m_general; }
    CPageAccount* AccountPage() const { return m_account; }
    CPageDisplay* DisplayPage() const { return m_display; }
    CPageAlert* AlertPage() const { return m_alert; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* ApplyButton() const { return m_apply; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    OptionsServices m_services;
    QTabWidget* m_sheet = nullptr;
    CPageGeneral* m_general = nullptr;
    CPageAccount* m_account = nullptr;
    CPageDisplay* m_display = nullptr;
    CPageAlert* m_alert = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
};
