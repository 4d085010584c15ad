// The hook library's object in one process: exactly one, created when the library is loaded
// (or mapped into the mail client by the hook) and destroyed when it is unloaded.
//
// It owns the lazily created halves of the library: the HookHandler of the program's
// process and the Hook of the mail client's process, each created on first use after the
// text table was loaded; when the table or the object cannot be made it stays absent and the
// next call tries again. It also owns the process's log and its file, the registry accessor,
// the text table and the mapping of the shared block.
//
// Teardown (unload): with a hook handler, the shared active flag is cleared and the handler
// deleted (which ends any hook window, telling the mail client to unhook); then the hook is
// deleted (undoing subclassing and the hook) and the registry accessor. Nothing raised during
// teardown leaves it.
#pragma once

#include "hook/FileLogTarget.h"
#include "hook/Log.h"
#include "hook/OeTextTable.h"
#include "hook/QVRegistry.h"
#include "hook/SharedHookData.h"
#include "hook/support/Application/QDll.h"

#include <memory>
#include <string>

class HookHandler;
class Hook;

class OeHookDll : public qsupport::QDll {
public:
    OeHookDll();
    ~OeHookDll() override;

    // The object of this process; null before load and after unload.
    static OeHookDll* Instance();

    HookHandler* GetHookHandler();
    Hook* GetHook();
    // The handler if it exists, without creating it.
    HookHandler* ExistingHookHandler() const { return m_handler.get(); }

    // Opens "<temporary folder>/Quorvane/<name>" anew as this process's log; a name without a
    // "." after its last separator gets the process id and ".log" appended. False when the
    // file is refused (nothing is logged then).
    bool OpenLog(const std::string& name);
    static std::string LogFileName(const std::string& name, win::DWORD processId);

    logging::Log& GetLog() { return m_log; }
    OeTextTable& Texts() { return m_texts; }
    QVRegistry& Registry();
    SharedHookData& Shared() { return m_shared; }

private:
    // Loads the text table once per process; raises when there is no InstallRoot.
    void LoadTexts();

    std::unique_ptr<HookHandler> m_handler;
    std::unique_ptr<Hook> m_hook;
    logging::Log m_log;
    logging::FileLogTarget m_fileTarget;
    std::unique_ptr<QVRegistry> m_registry;
    OeTextTable m_texts;
    bool m_textsLoaded = false;
    SharedHookData m_shared;
};

// The log of this process's library object (a log without target once it is gone).
logging::Log& HookLog();
// The text of `key` in this process's text table (`fallback` without a library object).
std::string HookText(const std::string& key, const std::string& fallback);
// The shared block's MMS mode is on (false without a library object).
bool HookMmsMode();
