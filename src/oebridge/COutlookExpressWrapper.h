// The program's handle on the mail-client hook library (libtwox.so in the program folder).
// Whether it loads decides the edition. Every export is looked up by name when it is called.
#pragma once

#include "platform/DynLib.h"
#include "platform/Win.h"

#include <cstdint>
#include <string>

class COutlookExpressWrapper {
public:
    explicit COutlookExpressWrapper(std::string programFolder);
    virtual ~COutlookExpressWrapper();
    COutlookExpressWrapper(const COutlookExpressWrapper&) = delete;
    COutlookExpressWrapper& operator=(const COutlookExpressWrapper&) = delete;

    // Loads the library; logs the outcome. True when loaded.
    bool Load();
    bool IsLoaded() const { return m_library.IsOpen(); }
    // Each is false (or 0) when no library is loaded or it lacks the export.
    bool RegisterCallbackWindow(win::HWND window);
    bool SetMmsMode(std::int32_t mode);
    // "%d.%d.%d %s" of the library's compiled-in version and its comments text.
    bool GetDllVersion(std::string& text) const;
    win::HWND GetOeWindow();
    // Calls "DllShutdown" when present and the library's window search was started (by
    // RegisterCallbackWindow or GetOeWindow), then unloads the library.
    void Shutdown();

    const std::string& LibraryPath() const { return m_path; }

private:
    void* Export(const char* name) const;

    std::string m_path;
    platform::DynLib m_library;
    // An export that starts the library's window search has been called.
    bool m_handlerStarted = false;
};
