#include "gui/CDlgBase.h"

#include "gui/CCriticalError.h"

#include "gui/CGuiMessages.h"
#include "log/LogManager.h"

#include <QEvent>

#include <map>

namespace {
// Only the GUI thread creates dialogs, so no lock is needed.
std::map<win::HWND, CDlgBase*>& Windows() {
    static std::map<win::HWND, CDlgBase*> windows;
    return windows;
}
} // namespace

CDlgBase::CDlgBase(QWidget* parent, const std::string& className) : QDialog(parent) {
    win::WindowDesc desc;
    desc.className = className;
    m_hwnd = win::CreateWindow(
        desc,
        [this](win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) -> win::LRESULT {
            // What escapes a dialog's handling: a platform exception ends the program (the
            // dialog's state can no longer be trusted), a text exception is logged.
            try {
                return OnPlatformMessage(msg, wParam, lParam);
            } catch (const std::exception& e) {
                gui::AbortOnEscapedException(e.what());
            } catch (const char* text) {
                Log("CMgmtGUI::DlgThreadSession", text != nullptr ? text : "", LOG_CAT_APPLICATION,
                    LOG_SEV_ERROR);
            } catch (const std::string& text) {
                Log("CMgmtGUI::DlgThreadSession", text, LOG_CAT_APPLICATION, LOG_SEV_ERROR);
            } catch (...) {
                Log("CMgmtGUI::DlgThreadSession", "Unknown exception caught.", LOG_CAT_APPLICATION,
                    LOG_SEV_ERROR);
            }
            return 0;
        });
    if (m_hwnd == 0) {
        Log("CDlgBase::CDlgBase", "Failed to create the dialog's window", LOG_CAT_GUI,
            LOG_SEV_ERROR, true);
    } else {
        Windows()[m_hwnd] = this;
    }
}

CDlgBase::~CDlgBase() {
    if (m_hwnd != 0) {
        Windows().erase(m_hwnd);
        win::HWND hwnd = m_hwnd;
        m_hwnd = 0;
        win::DestroyWindow(hwnd);
    }
}

CDlgBase* CDlgBase::WidgetForWindow(win::HWND hwnd) {
    if (hwnd == 0) {
        return nullptr;
    }
    auto it = Windows().find(hwnd);
    return it == Windows().end() ? nullptr : it->second;
}

void CDlgBase::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void CDlgBase::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange && m_hwnd != 0) {
        win::SetWindowText(m_hwnd, windowTitle().toStdString());
    }
    QDialog::changeEvent(event);
}

win::LRESULT CDlgBase::OnPlatformMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (m_hwnd == 0) {
        return 0; // being destroyed
    }
    if (msg == win::WM_COMMAND) {
        OnCommand(wParam);
    } else if (msg == win::WM_TIMER) {
        OnPlatformTimer(wParam);
    } else if (msg == CGuiMessages::Get().notifyChangeSettings) {
        OnNotifyChangeSettings();
    }
    return 0;
}
