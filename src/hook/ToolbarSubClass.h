// The subclass of the mail client's toolbar (id 2101): it puts the library's buttons on it,
// "Create SMS" (33988) at position 1 and, in MMS mode (shared block), "Create MMS" (33994) at
// position 2, and keeps them there: the mail client cannot disable or hide them (a set-state
// request for them is passed on as "enabled"), and whenever it counts its buttons (as it does
// after changing them) while one of them is missing or has moved, both are taken off and put on
// again at their positions before it gets the answer. (A count with the buttons in place
// changes nothing: a client that counts often would otherwise grow the toolbar's texts and the
// log with every count.) Deleting it takes the buttons off the toolbar.
#pragma once

#include "hook/SubClassWindow.h"

#include <memory>

class ToolbarButton;

class ToolbarSubClass : public SubClassWindow {
public:
    explicit ToolbarSubClass(win::HWND toolbar);
    ~ToolbarSubClass() override;

    void AddSmsButton();
    void AddMmsButton();

protected:
    win::LRESULT WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                         win::LPARAM lParam, bool& handled) override;

private:
    // Both buttons (the MMS one in MMS mode only) are at their positions.
    bool ButtonsInPlace() const;

    std::unique_ptr<ToolbarButton> m_sms;
    std::unique_ptr<ToolbarButton> m_mms;
    // Set while the buttons are being put on again, so that the count requests of that work
    // are only passed on.
    bool m_readding = false;
};
