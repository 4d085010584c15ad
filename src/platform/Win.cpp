// The public window-message calls. In-process delivery goes straight to the owning thread's
// queue; handles of other processes are reached through WinIpcClient.
#include "platform/Win.h"

#include "platform/Diagnostics.h"
#include "platform/Sync.h"
#include "platform/WinHandleAllocator.h"
#include "platform/WinIpcClient.h"
#include "platform/WinMessageNames.h"
#include "platform/WinThreadState.h"
#include "platform/WinWindowEvents.h"
#include "platform/WinWindowTable.h"

#include <exception>
#include <unistd.h>

namespace win {

using detail::Clock;
using detail::WinHandleAllocator;
using detail::WinIpcClient;
using detail::WinSendRecord;
using detail::WinThreadState;
using detail::WinWindowInfo;
using detail::WinWindowTable;

namespace {

// Calls the window's procedure on the calling thread, which must own the window.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<WinThreadState> owner;
    std::shared_ptr<const WNDPROC> proc;
    if (!WinWindowTable::Instance().Target(hwnd, &owner, &proc) || !proc || !*proc) {
        return 0;
    }
    try {
        // `proc` keeps the procedure alive even when it destroys its own window.
        return (*proc)(hwnd, msg, wParam, lParam);
    } catch (const std::exception& e) {
        platform::ReportDiagnostic(
            "win::WindowProc", std::string("Caught exception in window procedure: ") + e.what());
    } catch (...) {
        platform::ReportDiagnostic("win::WindowProc", "Unknown exception caught.");
    }
    return 0;
}

// A handle of another process (slot 0 is never shared).
bool IsRemote(HWND hwnd) {
    return WinHandleAllocator::SlotOf(hwnd) != 0 && !WinHandleAllocator::Instance().IsLocal(hwnd);
}

bool WindowInfo(HWND hwnd, WinWindowInfo* info) {
    if (WinWindowTable::Instance().Info(hwnd, info)) {
        return true;
    }
    return IsRemote(hwnd) && WinIpcClient::Info(hwnd, info);
}

Clock::time_point Deadline(DWORD timeoutMs) {
    if (timeoutMs == INFINITE) {
        return Clock::time_point::max();
    }
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Waits for a send record, handling messages sent to this thread meanwhile.
bool AwaitSend(WinThreadState& self, WinSendRecord& record, DWORD timeoutMs, LRESULT* result) {
    Clock::time_point deadline = Deadline(timeoutMs);
    for (;;) {
        std::uint64_t seq = self.Seq();
        self.HandleSentMessages();
        if (WinThreadState::IsDone(record)) {
            break;
        }
        if (Clock::now() >= deadline) {
            if (result != nullptr) {
                *result = 0;
            }
            return false;
        }
        self.SleepUntilChanged(seq, deadline);
    }
    if (result != nullptr) {
        *result = record.result;
    }
    return record.delivered;
}

std::vector<HWND> SessionTopLevelWindows() {
    std::vector<HWND> all =
        WinWindowTable::Instance().FindTopLevel(std::string(), std::string(), false);
    std::vector<HWND> remote = WinIpcClient::Find(std::string(), std::string(), false);
    all.insert(all.end(), remote.begin(), remote.end());
    return all;
}

} // namespace

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

UINT RegisterWindowMessage(const std::string& name) {
    return detail::WinMessageNames::Instance().Register(name);
}

HWND CreateWindow(const WindowDesc& desc, WNDPROC proc) {
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    if (!proc) {
        proc = detail::ControlProcFor(desc.className);
    }
    HWND hwnd = WinWindowTable::Instance().Add(desc, std::move(proc), self);
    if (hwnd == 0) {
        platform::ReportDiagnostic("win::CreateWindow",
                                   "Cannot create window \"" + desc.title + "\"");
        return 0;
    }
    if (CallProc(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    detail::NotifyAncestors(hwnd, WM_CREATE);
    return hwnd;
}

bool DestroyWindow(HWND hwnd) {
    WinWindowTable& table = WinWindowTable::Instance();
    std::shared_ptr<WinThreadState> owner = table.Owner(hwnd);
    if (!owner) {
        return false;
    }
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    if (owner != self) {
        platform::ReportDiagnostic("win::DestroyWindow",
                                   "A window can only be destroyed by its own thread");
        return false;
    }
    if (!table.BeginDestroy(hwnd)) {
        return true; // already on its way out (DestroyWindow called from WM_DESTROY)
    }
    // The ancestors hear of it before anything is torn down; the children go first.
    detail::NotifyAncestors(hwnd, WM_DESTROY);
    for (HWND child : table.Children(hwnd)) {
        std::shared_ptr<WinThreadState> childOwner = table.Owner(child);
        if (childOwner == self) {
            DestroyWindow(child);
        } else if (childOwner) {
            childOwner->KillTimersOf(child);
            table.Remove(child);
            detail::OnWindowRemoved(child);
        }
    }
    CallProc(hwnd, WM_DESTROY, 0, 0);
    self->KillTimersOf(hwnd);
    table.Remove(hwnd);
    detail::OnWindowRemoved(hwnd);
    return true;
}

bool IsWindow(HWND hwnd) {
    if (hwnd == 0 || hwnd == HWND_BROADCAST) {
        return false;
    }
    return WindowInfo(hwnd, nullptr);
}

bool SetWindowText(HWND hwnd, const std::string& title) {
    if (WinWindowTable::Instance().SetTitle(hwnd, title)) {
        return true;
    }
    return IsRemote(hwnd) && WinIpcClient::SetText(hwnd, title);
}

std::string GetWindowText(HWND hwnd) {
    WinWindowInfo info;
    return WindowInfo(hwnd, &info) ? info.title : std::string();
}

std::string GetClassName(HWND hwnd) {
    WinWindowInfo info;
    return WindowInfo(hwnd, &info) ? info.className : std::string();
}

HWND GetParent(HWND hwnd) {
    WinWindowInfo info;
    return WindowInfo(hwnd, &info) ? info.parent : 0;
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
    WNDPROC previous;
    WinWindowTable::Instance().ReplaceProc(hwnd, std::move(proc), &previous);
    return previous;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    WinWindowInfo info;
    if (!WindowInfo(hwnd, &info)) {
        if (processId != nullptr) {
            *processId = 0;
        }
        return 0;
    }
    if (processId != nullptr) {
        *processId = info.processId;
    }
    return info.threadId;
}

bool SetForegroundWindow(HWND hwnd) {
    // There is no window system to raise anything in; the dialog layer raises its widgets.
    return IsWindow(hwnd);
}

HWND FindWindow(const std::string& className, const std::string& title) {
    std::vector<HWND> local = WinWindowTable::Instance().FindTopLevel(className, title, true);
    if (!local.empty()) {
        return local.front();
    }
    std::vector<HWND> remote = WinIpcClient::Find(className, title, true);
    return remote.empty() ? 0 : remote.front();
}

std::vector<HWND> EnumWindowsByClass(const std::string& className) {
    std::vector<HWND> all =
        WinWindowTable::Instance().FindTopLevel(className, std::string(), false);
    std::vector<HWND> remote = WinIpcClient::Find(className, std::string(), false);
    all.insert(all.end(), remote.begin(), remote.end());
    return all;
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COPYDATA) {
        return false; // its bytes live only as long as a send
    }
    if (hwnd == HWND_BROADCAST) {
        for (HWND h :
             WinWindowTable::Instance().FindTopLevel(std::string(), std::string(), false)) {
            PostMessage(h, msg, wParam, lParam);
        }
        WinIpcClient::BroadcastPost(msg, wParam, lParam);
        return true;
    }
    if (hwnd == 0) {
        return WinThreadState::Current()->Post(MSG{0, msg, wParam, lParam, detail::TickCount()});
    }
    std::shared_ptr<WinThreadState> owner = WinWindowTable::Instance().Owner(hwnd);
    if (owner) {
        return owner->Post(
            MSG{hwnd, msg, wParam, lParam, detail::TickCount(), detail::PeerOriginScope::Active()});
    }
    if (IsRemote(hwnd)) {
        return WinIpcClient::Post(hwnd, msg, wParam, lParam);
    }
    return false;
}

bool PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COPYDATA) {
        return false;
    }
    // A thread's queue exists once the thread has used the message layer (threads started
    // with win::Thread have one from the start); the calling thread always gets one.
    std::shared_ptr<WinThreadState> target = threadId == GetCurrentThreadId()
                                                 ? WinThreadState::Current()
                                                 : WinThreadState::Find(threadId);
    if (!target) {
        return false;
    }
    return target->Post(MSG{0, msg, wParam, lParam, detail::TickCount()});
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    SendMessageTimeout(hwnd, msg, wParam, lParam, INFINITE, &result);
    return result;
}

bool SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                        LRESULT* result) {
    if (result != nullptr) {
        *result = 0;
    }
    if (hwnd == HWND_BROADCAST) {
        for (HWND h : SessionTopLevelWindows()) {
            SendMessageTimeout(h, msg, wParam, lParam, timeoutMs, nullptr);
        }
        return true;
    }
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    std::shared_ptr<WinThreadState> owner = WinWindowTable::Instance().Owner(hwnd);
    if (owner == self && owner) {
        detail::HandlingScope origin(detail::PeerOriginScope::Active());
        LRESULT r = CallProc(hwnd, msg, wParam, lParam);
        if (result != nullptr) {
            *result = r;
        }
        return true;
    }
    auto record = std::make_shared<WinSendRecord>();
    record->hwnd = hwnd;
    record->message = msg;
    record->wParam = wParam;
    record->lParam = lParam;
    record->sender = self;
    record->fromOtherProcess = detail::PeerOriginScope::Active();
    if (owner) {
        if (!owner->QueueSent(record)) {
            return false;
        }
    } else if (IsRemote(hwnd)) {
        const COPYDATASTRUCT* copy = nullptr;
        if (msg == WM_COPYDATA) {
            if (lParam == 0) {
                return false;
            }
            copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        }
        if (!WinIpcClient::StartSend(record, copy)) {
            return false;
        }
    } else {
        return false;
    }
    return AwaitSend(*self, *record, timeoutMs, result);
}

void PostQuitMessage(int exitCode) {
    WinThreadState::Current()->PostQuit(exitCode);
}

bool GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    MSG local;
    MSG* out = msg != nullptr ? msg : &local;
    for (;;) {
        std::uint64_t seq = self->Seq();
        self->HandleSentMessages();
        if (self->Peek(out, hwnd, filterMin, filterMax, true)) {
            return out->message != WM_QUIT;
        }
        self->SleepUntilChanged(seq, self->NextTimerDue(hwnd, filterMin, filterMax));
    }
}

bool PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    self->HandleSentMessages();
    return self->Peek(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
}

LRESULT DispatchMessage(const MSG& msg) {
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    if (msg.message == WM_TIMER) {
        if (auto callback = self->TimerCallback(msg.hwnd, msg.wParam)) {
            try {
                (*callback)(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
            } catch (...) {
                platform::ReportDiagnostic("win::TimerProc", "Unknown exception caught.");
            }
            return 0;
        }
    }
    if (msg.hwnd == 0) {
        return 0;
    }
    if (WinWindowTable::Instance().Owner(msg.hwnd) != self) {
        return 0; // another thread's window, or one that is gone
    }
    detail::HandlingScope origin(msg.fromOtherProcess);
    return CallProc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool HasPendingMessages() {
    return WinThreadState::Current()->HasMessage(true);
}

bool InMessageFromOtherProcess() {
    return detail::HandlingPeerMessage();
}

DWORD GetCurrentThreadId() {
    thread_local DWORD id = static_cast<DWORD>(::gettid());
    return id;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(::getpid());
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    if (hwnd == 0) {
        return WinThreadState::Current()->SetTimer(0, id, elapseMs, std::move(proc));
    }
    if (id == 0) {
        return 0;
    }
    std::shared_ptr<WinThreadState> owner = WinWindowTable::Instance().Owner(hwnd);
    if (!owner) {
        return 0;
    }
    return owner->SetTimer(hwnd, id, elapseMs, std::move(proc));
}

bool KillTimer(HWND hwnd, UINT_PTR id) {
    if (hwnd == 0) {
        return WinThreadState::Current()->KillTimer(0, id);
    }
    std::shared_ptr<WinThreadState> owner = WinWindowTable::Instance().Owner(hwnd);
    return owner && owner->KillTimer(hwnd, id);
}

namespace {
std::shared_ptr<WinThreadState> ThreadOf(DWORD threadId) {
    if (threadId == 0 || threadId == GetCurrentThreadId()) {
        return WinThreadState::Current();
    }
    return WinThreadState::Find(threadId);
}
} // namespace

HHOOK SetGetMessageHook(DWORD threadId, GetMessageHookProc proc) {
    std::shared_ptr<WinThreadState> target = ThreadOf(threadId);
    if (!target) {
        platform::ReportDiagnostic("win::SetGetMessageHook",
                                   "No thread " + std::to_string(threadId) + " in this process");
        return 0;
    }
    return target->AddHook(std::move(proc));
}

bool UnhookGetMessageHook(HHOOK hook) {
    return WinThreadState::RemoveHook(hook);
}

void SetQueueWakeHook(DWORD threadId, std::function<void()> wake) {
    std::shared_ptr<WinThreadState> target = ThreadOf(threadId);
    if (!target) {
        platform::ReportDiagnostic("win::SetQueueWakeHook",
                                   "No thread " + std::to_string(threadId) + " in this process");
        return;
    }
    target->SetWakeHook(std::move(wake));
}

DWORD NextTimerDelay() {
    Clock::time_point due = WinThreadState::Current()->NextTimerDue();
    if (due == Clock::time_point::max()) {
        return 0xFFFFFFFF;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    return left >= 0xFFFFFFFE ? 0xFFFFFFFE : static_cast<DWORD>(left);
}

} // namespace win
