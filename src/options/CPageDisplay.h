// The Display page: the tray icon, one message window at a time, keeping the message window
// open after sending (and then clearing its recipients and text), what a double click on the
// tray icon opens, what opens at start-up, and starting with the desktop. The two clear boxes
// are enabled only while "keep open" is ticked, the tray action only while the tray box is.
// Applying shows or hides the tray icon at once ("QVShowSysTrayIcon" to every window).
#pragma once

#include "options/COptionsPage.h"

class QCheckBox;
class QComboBox;

class CPageDisplay : public COptionsPage {
    Q_OBJECT

public:
    CPageDisplay(const OptionsServices& services, QWidget* parent = nullptr);

    QCheckBox* TrayBox() const { return m_tray; }
    QCheckBox* OneInstanceBox() const { return m_oneInstance; }
    QCheckBox* KeepOpenBox() const { return m_keepOpen; }
    QCheckBox* ClearRecipientsBox() const { return m_clearRecipients; }
    QCheckBox* ClearMessageBox() const { return m_clearMessage; }
    QComboBox* TrayActionBox() const { return m_trayAction; }
    QComboBox* StartupActionBox() const { return m_startupAction; }
    QCheckBox* StartWithDesktopBox() const { return m_startWithDesktop; }

protected:
    void OnApply() override;

private:
    void UpdateEnabling();

    QCheckBox* m_tray = nullptr;
    QCheckBox* m_oneInstance = nullptr;
    QCheckBox* m_keepOpen = nullptr;
    QCheckBox* m_clearRecipients = nullptr;
    QCheckBox* m_clearMessage = nullptr;
    QComboBox* m_trayAction = nullptr;
    QComboBox* m_startupAction = nullptr;
    QCheckBox* m_startWithDesktop = nullptr;
};
