// The mail-client half of the hook library: one per mail-client process, created by the
// first call of the hook procedure (the platform maps the library into the mail client on
// that call, on the thread that owns the mail client's main window).
//
// Construction opens "Hook<process id>.log". The first HC_ACTION call takes the hook handle
// from the shared block and creates the SubClassHandler for the target and callback windows
// recorded there. Every call is passed on to the next hook. UnHook removes the hook (once);
// destruction deletes the subclass handler (undoing its subclassing) and unhooks. A hook still
// in place at destruction means the mail client is ending: it is left to the process.
#pragma once

#include "platform/Win.h"
#include "platform/WinHooks.h"

#include <memory>

class OeHookDll;
class SubClassHandler;

class Hook {
public:
    explicit Hook(OeHookDll& dll);
    ~Hook();
    Hook(const Hook&) = delete;
    Hook& operator=(const Hook&) = delete;

    win::LRESULT GetMsgProc(int code, win::WPARAM wParam, win::LPARAM lParam);
    void UnHook();

    win::HHOOK HookHandle() const { return m_hook; }
    SubClassHandler* GetSubClassHandler() const { return m_subClass.get(); }

private:
    OeHookDll& m_dll;
    win::HHOOK m_hook = 0;
    std::unique_ptr<SubClassHandler> m_subClass;
    // A reference of the library on itself, held until the hook is removed: a mail client
    // that ends with the hook in place runs the library's teardown among its exit handlers,
    // where the platform may drop its own reference at any moment; this one keeps the code
    // mapped until the process is gone.
    void* m_selfReference = nullptr;
};
