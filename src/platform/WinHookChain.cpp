#include "platform/WinHookChain.h"

#include "platform/Diagnostics.h"
#include "platform/WinThreadState.h"

#include <exception>
#include <sys/socket.h>

namespace win::detail {

namespace {

// One walk along a chain; walks of one thread nest.
struct Walk {
    const WinHookList* chain = nullptr;
    std::size_t next = 0;
};

thread_local std::vector<Walk*> t_walks;
thread_local int t_hookCalls = 0;

LRESULT ContinueWalk(Walk& walk, int code, WPARAM wParam, LPARAM lParam) {
    while (walk.next < walk.chain->size()) {
        // The copy keeps the entry (and its module) alive while it runs.
        std::shared_ptr<WinHookEntry> entry = (*walk.chain)[walk.next++];
        if (entry->IsRemoved()) {
            continue;
        }
        bool passOn = false;
        LRESULT result = entry->Call(code, wParam, lParam, &passOn);
        if (!passOn) {
            return result;
        }
    }
    return 0;
}

} // namespace

WinHookEntry::WinHookEntry(HHOOK id, GetMessageHookProc function)
    : m_id(id), m_function(std::move(function)) {}

WinHookEntry::WinHookEntry(HHOOK id, HOOKPROC proc) : m_id(id), m_proc(proc) {}

WinHookEntry::WinHookEntry(HHOOK id, std::string modulePath, std::string procName)
    : m_id(id), m_modulePath(std::move(modulePath)), m_procName(std::move(procName)) {}

void WinHookEntry::SetConnection(int fd) {
    std::lock_guard<std::mutex> lock(m_connectionMutex);
    m_connection = fd;
    if (m_removed.load() && fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
    }
}

void WinHookEntry::ClearConnection() {
    std::lock_guard<std::mutex> lock(m_connectionMutex);
    m_connection = -1;
}

void WinHookEntry::Removed() {
    m_removed.store(true);
    std::lock_guard<std::mutex> lock(m_connectionMutex);
    if (m_connection >= 0) {
        // Wakes the thread that serves the installer; it closes the descriptor.
        ::shutdown(m_connection, SHUT_RDWR);
    }
}

HOOKPROC WinHookEntry::Resolve() {
    if (m_proc != nullptr || m_failed) {
        return m_proc;
    }
    std::string error;
    std::shared_ptr<WinHookModule> module = WinHookModule::Load(m_modulePath, &error);
    void* address = module ? module->Symbol(m_procName, &error) : nullptr;
    if (address == nullptr) {
        m_failed = true;
        platform::ReportDiagnostic("win::GetMessageHook",
                                   "Hook " + std::to_string(m_id) + " removed: " + error);
        WinThreadState::RemoveHook(m_id);
        return nullptr;
    }
    m_module = std::move(module);
    m_proc = reinterpret_cast<HOOKPROC>(address);
    return m_proc;
}

LRESULT WinHookEntry::Call(int code, WPARAM wParam, LPARAM lParam, bool* passOn) {
    *passOn = false;
    if (m_function) {
        *passOn = true;
        if (lParam != 0) {
            try {
                m_function(*reinterpret_cast<MSG*>(lParam));
            } catch (...) {
                platform::ReportDiagnostic("win::GetMessageHook", "Unknown exception caught.");
            }
        }
        return 0;
    }
    HOOKPROC proc = Resolve();
    if (proc == nullptr) {
        *passOn = true;
        return 0;
    }
    ++t_hookCalls;
    LRESULT result = 0;
    try {
        result = proc(code, wParam, lParam);
    } catch (const std::exception& e) {
        platform::ReportDiagnostic("win::GetMessageHook",
                                   std::string("Caught exception in hook procedure: ") + e.what());
    } catch (...) {
        platform::ReportDiagnostic("win::GetMessageHook", "Unknown exception caught.");
    }
    --t_hookCalls;
    return result;
}

void RunGetMessageHooks(const WinHookList& chain, MSG& msg) {
    if (chain.empty()) {
        return;
    }
    Walk walk;
    walk.chain = &chain;
    t_walks.push_back(&walk);
    ContinueWalk(walk, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&msg));
    t_walks.pop_back();
}

LRESULT CallNextInChain(int code, WPARAM wParam, LPARAM lParam) {
    if (t_walks.empty()) {
        return 0;
    }
    return ContinueWalk(*t_walks.back(), code, wParam, lParam);
}

bool InHookCall() {
    return t_hookCalls > 0;
}

} // namespace win::detail
