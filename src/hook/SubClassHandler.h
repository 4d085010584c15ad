// The mail-client side's dispatcher: created by the hook on the mail client's thread for the
// main window (target) and the hook window in the program's process (callback). It
// subclasses the main window and receives every event the subclassed windows catch: the
// shutdown message unhooks; every other event is sent to the hook window, and the mail
// client's thread waits until the program has handled it.
//
// The platform has no foreground lock, so there is no permission function to look up: the
// look-up is logged as not found and the program brings its dialogs forward itself.
#pragma once

#include "hook/SubClassListener.h"

#include "platform/Win.h"

#include <memory>

class MainWindowSubClass;

class SubClassHandler : public SubClassListener {
public:
    SubClassHandler(win::HWND target, win::HWND callback);
    ~SubClassHandler() override;

    void SubClassEvent(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) override;

    win::HWND Target() const { return m_target; }
    win::HWND Callback() const { return m_callback; }

private:
    void InitMyAllowSetForegroundWindow();

    win::HWND m_target;
    win::HWND m_callback;
    std::unique_ptr<MainWindowSubClass> m_mainSubClass;
    bool m_foregroundPermission = false;
};
