#include "platform/WinThreadState.h"

#include "platform/Diagnostics.h"
#include "platform/WinWindowEvents.h"
#include "platform/WinWindowTable.h"

#include <algorithm>
#include <exception>
#include <unistd.h>
#include <unordered_map>

namespace win::detail {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<WinThreadState>> threads;
    std::unordered_map<HHOOK, std::weak_ptr<WinThreadState>> hooks;
};

// Never destroyed: threads that end during process exit still find it.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return message >= filterMin && message <= filterMax;
}

// Set once the thread's holder below is destroyed. Trivially destructible, so it can still be
// read by the destructors of thread-local and static objects that run after the holder's.
thread_local bool t_holderGone = false;

} // namespace

// Ends the thread's state when the thread ends.
struct WinThreadStateHolder {
    std::shared_ptr<WinThreadState> state;
    ~WinThreadStateHolder() {
        t_holderGone = true;
        if (state) {
            state->End();
        }
    }
};

namespace {
thread_local WinThreadStateHolder t_holder;
}

DWORD TickCount() {
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<DWORD>(ms.count());
}

WinThreadState::WinThreadState(DWORD id) : m_id(id) {}

WinThreadState::~WinThreadState() = default;

std::shared_ptr<WinThreadState> WinThreadState::Current() {
    if (t_holderGone) {
        // The thread is ending (or the process exits from it) and its state has ended: an
        // object destroyed after the holder gets an ended state of its own, on which every
        // call does nothing, instead of the holder's freed one.
        std::shared_ptr<WinThreadState> ended(new WinThreadState(static_cast<DWORD>(::gettid())));
        ended->End();
        return ended;
    }
    if (!t_holder.state) {
        std::shared_ptr<WinThreadState> state(new WinThreadState(static_cast<DWORD>(::gettid())));
        Registry& reg = TheRegistry();
        std::lock_guard<std::mutex> lock(reg.mutex);
        reg.threads[state->m_id] = state;
        t_holder.state = state;
    }
    return t_holder.state;
}

std::shared_ptr<WinThreadState> WinThreadState::Find(DWORD threadId) {
    Registry& reg = TheRegistry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto it = reg.threads.find(threadId);
    return it == reg.threads.end() ? nullptr : it->second;
}

void WinThreadState::End() {
    // The thread is gone for good: its windows disappear without further messages (their
    // procedures may refer to objects of the ended thread), and every sender still waiting
    // for this thread gets 0.
    WinWindowTable& table = WinWindowTable::Instance();
    for (HWND hwnd : table.WindowsOfThread(m_id)) {
        table.Remove(hwnd);
        OnWindowRemoved(hwnd);
    }
    std::deque<std::shared_ptr<WinSendRecord>> sent;
    WinHookList hooks;
    std::deque<std::function<void()>> actions;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_alive = false;
        sent.swap(m_sent);
        m_posted.clear();
        m_timers.clear();
        hooks.swap(m_hooks);
        actions.swap(m_actions);
        m_wakeHook.reset();
    }
    for (auto& record : sent) {
        Complete(*record, false, 0);
    }
    {
        Registry& reg = TheRegistry();
        std::lock_guard<std::mutex> lock(reg.mutex);
        auto it = reg.threads.find(m_id);
        if (it != reg.threads.end() && it->second.get() == this) {
            reg.threads.erase(it);
        }
        for (const auto& entry : hooks) {
            reg.hooks.erase(entry->Id());
        }
    }
    // The hooks end with the thread; installers in other processes learn it from their
    // connections. Modules released now are closed here, on the ending thread.
    for (const auto& entry : hooks) {
        entry->Removed();
    }
    hooks.clear();
    for (auto& action : actions) {
        action();
    }
}

void WinThreadState::NotifyLocked() {
    ++m_seq;
    m_cv.notify_all();
}

void WinThreadState::CallWakeHook() {
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        hook = m_wakeHook;
    }
    if (hook && *hook) {
        try {
            (*hook)();
        } catch (...) {
            platform::ReportDiagnostic("win::QueueWakeHook", "Unknown exception caught.");
        }
    }
}

bool WinThreadState::Post(const MSG& msg) {
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_alive) {
            return false;
        }
        m_posted.push_back(msg);
        NotifyLocked();
        hook = m_wakeHook;
    }
    if (hook && *hook) {
        try {
            (*hook)();
        } catch (...) {
            platform::ReportDiagnostic("win::QueueWakeHook", "Unknown exception caught.");
        }
    }
    return true;
}

bool WinThreadState::PostQuit(int exitCode) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_alive) {
            return false;
        }
        m_quit = true;
        m_quitCode = exitCode;
        NotifyLocked();
    }
    CallWakeHook();
    return true;
}

bool WinThreadState::QueueSent(const std::shared_ptr<WinSendRecord>& record) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_alive) {
            return false;
        }
        m_sent.push_back(record);
        NotifyLocked();
    }
    CallWakeHook();
    return true;
}

void WinThreadState::Wake() {
    std::lock_guard<std::mutex> lock(m_mutex);
    NotifyLocked();
}

void WinThreadState::Complete(WinSendRecord& record, bool delivered, LRESULT result) {
    WinThreadState& sender = *record.sender;
    std::lock_guard<std::mutex> lock(sender.m_mutex);
    if (record.done) {
        return;
    }
    record.done = true;
    record.delivered = delivered;
    record.result = result;
    sender.NotifyLocked();
}

bool WinThreadState::IsDone(WinSendRecord& record) {
    std::lock_guard<std::mutex> lock(record.sender->m_mutex);
    return record.done;
}

UINT_PTR WinThreadState::SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    std::chrono::milliseconds interval(std::max<UINT>(elapseMs, 1));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_alive) {
            return 0;
        }
        auto it = std::find_if(m_timers.begin(), m_timers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it == m_timers.end() && hwnd == 0) {
            // Thread timers get an id of their own.
            do {
                id = m_nextThreadTimerId++;
                if (id == 0) {
                    id = m_nextThreadTimerId++;
                }
            } while (std::any_of(m_timers.begin(), m_timers.end(),
                                 [&](const Timer& t) { return t.hwnd == 0 && t.id == id; }));
        }
        if (it == m_timers.end()) {
            m_timers.push_back(Timer{});
            it = m_timers.end() - 1;
        }
        it->hwnd = hwnd;
        it->id = id;
        it->interval = interval;
        it->due = Clock::now() + interval;
        it->proc = proc ? std::make_shared<const TIMERPROC>(std::move(proc)) : nullptr;
        NotifyLocked();
    }
    CallWakeHook();
    return id;
}

bool WinThreadState::KillTimer(HWND hwnd, UINT_PTR id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_timers.begin(), m_timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == m_timers.end()) {
        return false;
    }
    m_timers.erase(it);
    return true;
}

void WinThreadState::KillTimersOf(HWND hwnd) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

std::shared_ptr<const TIMERPROC> WinThreadState::TimerCallback(HWND hwnd, UINT_PTR id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Timer& t : m_timers) {
        if (t.hwnd == hwnd && t.id == id) {
            return t.proc;
        }
    }
    return nullptr;
}

bool WinThreadState::AddHook(const std::shared_ptr<WinHookEntry>& entry) {
    if (!entry || entry->Id() == 0) {
        return false;
    }
    // Registry first, so that the thread's end (which takes the two one after the other)
    // never misses an entry it must forget.
    Registry& reg = TheRegistry();
    std::lock_guard<std::mutex> regLock(reg.mutex);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_alive) {
        return false;
    }
    m_hooks.push_back(entry);
    reg.hooks[entry->Id()] = weak_from_this();
    return true;
}

std::shared_ptr<WinHookEntry> WinThreadState::RemoveHook(HHOOK hook) {
    std::shared_ptr<WinThreadState> state;
    {
        Registry& reg = TheRegistry();
        std::lock_guard<std::mutex> lock(reg.mutex);
        auto it = reg.hooks.find(hook);
        if (it == reg.hooks.end()) {
            return nullptr;
        }
        state = it->second.lock();
        reg.hooks.erase(it);
    }
    if (!state) {
        return nullptr;
    }
    std::shared_ptr<WinHookEntry> removed;
    {
        std::lock_guard<std::mutex> lock(state->m_mutex);
        auto it = std::find_if(state->m_hooks.begin(), state->m_hooks.end(),
                               [&](const auto& entry) { return entry->Id() == hook; });
        if (it == state->m_hooks.end()) {
            return nullptr;
        }
        removed = *it;
        state->m_hooks.erase(it);
    }
    removed->Removed();
    return removed;
}

bool WinThreadState::QueueAction(std::function<void()> action) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_alive) {
            return false;
        }
        m_actions.push_back(std::move(action));
        m_hasActions.store(true);
        NotifyLocked();
    }
    CallWakeHook();
    return true;
}

void WinThreadState::RunActions() {
    if (!m_hasActions.load()) {
        return;
    }
    std::deque<std::function<void()>> actions;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        actions.swap(m_actions);
        m_hasActions.store(false);
    }
    for (auto& action : actions) {
        try {
            action();
        } catch (...) {
            platform::ReportDiagnostic("win::ThreadAction", "Unknown exception caught.");
        }
    }
}

void WinThreadState::SetWakeHook(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (wake) {
        m_wakeHook = std::make_shared<const std::function<void()>>(std::move(wake));
    } else {
        m_wakeHook.reset();
    }
}

std::uint64_t WinThreadState::Seq() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seq;
}

void WinThreadState::SleepUntilChanged(std::uint64_t seq, Clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_seq == seq) {
        if (deadline == Clock::time_point::max()) {
            m_cv.wait(lock);
        } else if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout) {
            return;
        }
    }
}

bool WinThreadState::HandleSentMessages() {
    bool handled = false;
    WinWindowTable& table = WinWindowTable::Instance();
    for (;;) {
        std::shared_ptr<WinSendRecord> record;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_sent.empty()) {
                break;
            }
            record = std::move(m_sent.front());
            m_sent.pop_front();
        }
        handled = true;
        std::shared_ptr<WinThreadState> owner;
        std::shared_ptr<const WNDPROC> proc;
        if (!table.Target(record->hwnd, &owner, &proc) || owner.get() != this || !proc || !*proc) {
            Complete(*record, false, 0);
            continue;
        }
        LRESULT result = 0;
        HandlingScope origin(record->fromOtherProcess);
        try {
            result = (*proc)(record->hwnd, record->message, record->wParam, record->lParam);
        } catch (const std::exception& e) {
            platform::ReportDiagnostic("win::SendMessage",
                                       std::string("Caught exception in window procedure: ") +
                                           e.what());
        } catch (...) {
            platform::ReportDiagnostic("win::SendMessage", "Unknown exception caught.");
        }
        Complete(*record, true, result);
    }
    return handled;
}

bool WinThreadState::MatchesLocked(const MSG& msg, HWND hwnd, UINT filterMin,
                                   UINT filterMax) const {
    if (!InRange(msg.message, filterMin, filterMax)) {
        return false;
    }
    if (hwnd == 0) {
        return true;
    }
    if (hwnd == static_cast<HWND>(-1)) {
        return msg.hwnd == 0;
    }
    return WinWindowTable::Instance().IsSelfOrDescendant(msg.hwnd, hwnd);
}

bool WinThreadState::Peek(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    if (!InHookCall()) {
        RunActions();
    }
    MSG found;
    bool have = false;
    WinHookList hooks;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        WinWindowTable& table = WinWindowTable::Instance();
        for (auto it = m_posted.begin(); it != m_posted.end();) {
            if (it->hwnd != 0 && !table.Exists(it->hwnd)) {
                // The window was destroyed after the message was queued.
                it = m_posted.erase(it);
                continue;
            }
            if (MatchesLocked(*it, hwnd, filterMin, filterMax)) {
                found = *it;
                have = true;
                if (remove) {
                    m_posted.erase(it);
                }
                break;
            }
            ++it;
        }
        if (!have && m_quit && InRange(WM_QUIT, filterMin, filterMax)) {
            found = MSG{0, WM_QUIT, static_cast<WPARAM>(m_quitCode), 0, TickCount()};
            have = true;
            if (remove) {
                m_quit = false;
            }
        }
        if (!have && !m_timers.empty() && InRange(WM_TIMER, filterMin, filterMax)) {
            Clock::time_point now = Clock::now();
            Timer* best = nullptr;
            for (Timer& t : m_timers) {
                if (t.due > now || (best != nullptr && t.due >= best->due)) {
                    continue;
                }
                MSG probe{t.hwnd, WM_TIMER, t.id, 0, 0};
                if (MatchesLocked(probe, hwnd, filterMin, filterMax)) {
                    best = &t;
                }
            }
            if (best != nullptr) {
                found = MSG{best->hwnd, WM_TIMER, best->id, 0, TickCount()};
                have = true;
                if (remove) {
                    best->due = now + best->interval;
                }
            }
        }
        if (have && remove) {
            hooks.assign(m_hooks.rbegin(), m_hooks.rend());
        }
    }
    if (!have) {
        return false;
    }
    RunGetMessageHooks(hooks, found);
    if (out != nullptr) {
        *out = found;
    }
    return true;
}

bool WinThreadState::HasSentMessage() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_sent.empty();
}

bool WinThreadState::HasMessage(bool includeSent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if ((includeSent && !m_sent.empty()) || m_quit) {
        return true;
    }
    WinWindowTable& table = WinWindowTable::Instance();
    std::erase_if(m_posted, [&](const MSG& m) { return m.hwnd != 0 && !table.Exists(m.hwnd); });
    if (!m_posted.empty()) {
        return true;
    }
    Clock::time_point now = Clock::now();
    return std::any_of(m_timers.begin(), m_timers.end(),
                       [&](const Timer& t) { return t.due <= now; });
}

Clock::time_point WinThreadState::NextTimerDue(HWND hwnd, UINT filterMin, UINT filterMax) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Clock::time_point next = Clock::time_point::max();
    if (!InRange(WM_TIMER, filterMin, filterMax)) {
        return next;
    }
    for (const Timer& t : m_timers) {
        MSG probe{t.hwnd, WM_TIMER, t.id, 0, 0};
        if (t.due < next && MatchesLocked(probe, hwnd, filterMin, filterMax)) {
            next = t.due;
        }
    }
    return next;
}

void WinThreadState::EndCurrentThread() {
    if (t_holder.state) {
        t_holder.state->End();
    }
}

namespace {
thread_local bool t_peerOrigin = false;
thread_local bool t_handlingPeerMessage = false;
} // namespace

PeerOriginScope::PeerOriginScope() : m_previous(t_peerOrigin) {
    t_peerOrigin = true;
}

PeerOriginScope::~PeerOriginScope() {
    t_peerOrigin = m_previous;
}

bool PeerOriginScope::Active() {
    return t_peerOrigin;
}

HandlingScope::HandlingScope(bool fromOtherProcess) : m_previous(t_handlingPeerMessage) {
    t_handlingPeerMessage = fromOtherProcess;
}

HandlingScope::~HandlingScope() {
    t_handlingPeerMessage = m_previous;
}

bool HandlingPeerMessage() {
    return t_handlingPeerMessage;
}

} // namespace win::detail
