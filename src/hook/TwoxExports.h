// The exports of libtwox.so, by undecorated C name. Each catches every exception and returns
// as if nothing happened.
//
//   RegisterCallbackWindow(window)  creates the hook handler (which starts the search for
//                                   the mail client's main window) and sets the program's
//                                   window that receives "QVShowOeWindow"
//   SetMmsMode(mode)                stores the MMS mode in the shared block
//   DllShutdown()                   stops the window search (an existing hook stays until
//                                   the library is unloaded)
//   GetOeWindow()                   the mail client's main window of the current hook
//                                   window, 0 when there is none (creates the handler)
//   GetDllVersion()                 makes sure the library object exists; answers
//                                   major << 16 | minor (the program reads tw_version_info)
//   tw_version_info                 the compiled-in version and comments text
//                                   (platform/VersionInfo.h)
//   TwoxGetMsgProc(code, w, l)      the get-message hook procedure, called by the platform
//                                   on the mail client's thread
#pragma once

#include "platform/VersionInfo.h"
#include "platform/Win.h"

#include <cstdint>

#define TWOX_EXPORT __attribute__((visibility("default")))

extern "C" {
TWOX_EXPORT void RegisterCallbackWindow(win::HWND window);
TWOX_EXPORT void SetMmsMode(std::int32_t mode);
TWOX_EXPORT void DllShutdown();
TWOX_EXPORT win::HWND GetOeWindow();
TWOX_EXPORT std::uint32_t GetDllVersion();
TWOX_EXPORT extern const TwVersionInfo tw_version_info;
TWOX_EXPORT win::LRESULT TwoxGetMsgProc(int code, win::WPARAM wParam, win::LPARAM lParam);
}
