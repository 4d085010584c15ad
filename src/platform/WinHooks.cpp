// The Windows-shaped hook calls. A hook on a thread of this process goes straight into that
// thread's chain; one on a thread of another process goes there through WinHookClient.
#include "platform/WinHooks.h"

#include "platform/Diagnostics.h"
#include "platform/WinHandleAllocator.h"
#include "platform/WinHookChain.h"
#include "platform/WinHookClient.h"
#include "platform/WinIpcClient.h"
#include "platform/WinThreadState.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <unistd.h>

namespace win {

using detail::WinHookEntry;
using detail::WinThreadState;

namespace {

const char* const kLocation = "win::SetWindowsHookEx";

bool Refuse(const std::string& why) {
    platform::ReportDiagnostic(kLocation, why);
    return false;
}

std::shared_ptr<WinThreadState> LocalThread(DWORD threadId) {
    if (threadId == 0 || threadId == GetCurrentThreadId()) {
        return WinThreadState::Current();
    }
    return WinThreadState::Find(threadId);
}

// The process a thread of this machine belongs to; 0 when there is no such thread.
DWORD ProcessOfThread(DWORD threadId) {
    std::ifstream status("/proc/" + std::to_string(threadId) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 5, "Tgid:") == 0) {
            return static_cast<DWORD>(std::strtoul(line.c_str() + 5, nullptr, 10));
        }
    }
    return 0;
}

// The file and exported name another process finds `proc` by.
bool NameOfProc(HOOKPROC proc, HMODULE module, std::string* path, std::string* name) {
    Dl_info info{};
    const void* address = reinterpret_cast<const void*>(proc);
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return Refuse("The hook procedure belongs to no loaded module");
    }
    if (module != nullptr && module != info.dli_fbase) {
        return Refuse("The hook procedure is not in the module given");
    }
    if (info.dli_sname == nullptr || info.dli_saddr != address) {
        return Refuse("The hook procedure is not an exported symbol of " +
                      std::string(info.dli_fname));
    }
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) == nullptr) {
        return Refuse("The module of the hook procedure cannot be found: " +
                      std::string(info.dli_fname));
    }
    // Another process can load only a shared library, and must find the same address there.
    void* handle = ::dlopen(resolved, RTLD_NOW | RTLD_NOLOAD);
    bool same = handle != nullptr && ::dlsym(handle, info.dli_sname) == address;
    if (handle != nullptr) {
        ::dlclose(handle);
    }
    if (!same) {
        return Refuse("The hook procedure " + std::string(info.dli_sname) +
                      " is not an exported symbol of a shared library");
    }
    *path = resolved;
    *name = info.dli_sname;
    return true;
}

HHOOK AddLocal(const std::shared_ptr<WinThreadState>& thread,
               const std::function<std::shared_ptr<WinHookEntry>(HHOOK)>& make) {
    HHOOK id = detail::WinHandleAllocator::Instance().Allocate();
    if (id == 0) {
        return 0;
    }
    return thread->AddHook(make(id)) ? id : 0;
}

// The process of a thread outside this one; 0 (reported) when there is none.
DWORD RemoteProcess(DWORD threadId) {
    DWORD processId = ProcessOfThread(threadId);
    if (processId == 0) {
        Refuse("No thread " + std::to_string(threadId));
        return 0;
    }
    if (processId == GetCurrentProcessId()) {
        Refuse("Thread " + std::to_string(threadId) + " has no message queue");
        return 0;
    }
    return processId;
}

HHOOK AddRemote(DWORD processId, DWORD threadId, const std::string& path, const std::string& name) {
    detail::WinIpcHookRequest request;
    request.threadId = threadId;
    request.hookKind = static_cast<std::uint32_t>(WH_GETMESSAGE);
    request.modulePath = path;
    request.procName = name;
    return detail::WinHookClient::Install(processId, request);
}

} // namespace

HMODULE GetModuleHandleFromAddress(const void* address) {
    Dl_info info{};
    if (address == nullptr || ::dladdr(address, &info) == 0) {
        return nullptr;
    }
    return info.dli_fbase;
}

HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HMODULE module, DWORD threadId) {
    if (idHook != WH_GETMESSAGE) {
        Refuse("Hook kind " + std::to_string(idHook) + " is not supported");
        return 0;
    }
    if (proc == nullptr) {
        Refuse("No hook procedure");
        return 0;
    }
    if (module != nullptr &&
        GetModuleHandleFromAddress(reinterpret_cast<const void*>(proc)) != module) {
        Refuse("The hook procedure is not in the module given");
        return 0;
    }
    if (std::shared_ptr<WinThreadState> thread = LocalThread(threadId)) {
        return AddLocal(thread,
                        [proc](HHOOK id) { return std::make_shared<WinHookEntry>(id, proc); });
    }
    DWORD processId = RemoteProcess(threadId);
    std::string path;
    std::string name;
    if (processId == 0 || !NameOfProc(proc, module, &path, &name)) {
        return 0;
    }
    return AddRemote(processId, threadId, path, name);
}

HHOOK SetWindowsHookEx(int idHook, const std::string& modulePath, const std::string& procName,
                       DWORD threadId) {
    if (idHook != WH_GETMESSAGE) {
        Refuse("Hook kind " + std::to_string(idHook) + " is not supported");
        return 0;
    }
    if (modulePath.empty() || modulePath.front() != '/' || procName.empty()) {
        Refuse("A hook module is named by an absolute path and an exported name");
        return 0;
    }
    if (std::shared_ptr<WinThreadState> thread = LocalThread(threadId)) {
        return AddLocal(thread, [&](HHOOK id) {
            return std::make_shared<WinHookEntry>(id, modulePath, procName);
        });
    }
    DWORD processId = RemoteProcess(threadId);
    return processId == 0 ? 0 : AddRemote(processId, threadId, modulePath, procName);
}

LRESULT CallNextHookEx(HHOOK, int code, WPARAM wParam, LPARAM lParam) {
    return detail::CallNextInChain(code, wParam, lParam);
}

bool UnhookWindowsHookEx(HHOOK hook) {
    if (hook == 0) {
        return false;
    }
    if (WinThreadState::RemoveHook(hook)) {
        return true;
    }
    bool known = false;
    bool removed = detail::WinHookClient::Unhook(hook, &known);
    if (known) {
        return removed;
    }
    detail::WinHandleAllocator& handles = detail::WinHandleAllocator::Instance();
    if (detail::WinHandleAllocator::SlotOf(hook) != 0 && !handles.IsLocal(hook)) {
        return detail::WinIpcClient::Unhook(hook);
    }
    return false;
}

} // namespace win
