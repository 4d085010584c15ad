// Base of every dialog of the program. Besides its Qt window each dialog owns a top-level
// platform window titled like the dialog, so that broadcasts (such as
// "QVNotifyChangeSettings"), FindWindow by title, platform timers and store notifications
// reach it. The platform window lives on the GUI thread as long as the dialog object.
#pragma once

#include "platform/Win.h"

#include <QDialog>

#include <string>

class CDlgBase : public QDialog {
    Q_OBJECT

public:
    explicit CDlgBase(QWidget* parent = nullptr, const std::string& className = "TWD_DIALOG");
    ~CDlgBase() override;

    // The dialog's platform window (0 when it could not be created).
    win::HWND PlatformWindow() const { return m_hwnd; }
    // Sets the title of both windows.
    void SetTitle(const std::string& title);

    // The dialog that owns a platform window, or null.
    static CDlgBase* WidgetForWindow(win::HWND hwnd);

protected:
    // Every message that reaches the platform window. The default hands WM_COMMAND to
    // OnCommand, WM_TIMER to OnPlatformTimer and "QVNotifyChangeSettings" to
    // OnNotifyChangeSettings, and answers 0.
    virtual win::LRESULT OnPlatformMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnCommand(win::WPARAM /*command*/) {}
    virtual void OnPlatformTimer(win::UINT_PTR /*id*/) {}
    virtual void OnNotifyChangeSettings() {}

    void changeEvent(QEvent* event) override;

private:
    win::HWND m_hwnd = 0;
};
