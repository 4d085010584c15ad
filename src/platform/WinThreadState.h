// The per-thread part of the window-message layer: the message queue (posted messages, sent
// messages waiting to be handled, the quit flag, timers), the thread's get-message hook chain,
// its wake hook, internal actions it performs before it retrieves a message, and the wake-up
// primitive every wait of the thread sleeps on.
//
// Lock order: SyncState lock -> WinThreadState::m_mutex -> window table lock. Nothing takes
// a thread state's mutex while holding the window table lock.
#pragma once

#include "platform/Win.h"
#include "platform/WinHookChain.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace win::detail {

using Clock = std::chrono::steady_clock;

class WinThreadState;

// One SendMessage call: queued at the receiving thread, completed by it (or by the helper
// that carries it to another process), which wakes the sender.
struct WinSendRecord {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<WinThreadState> sender;
    bool fromOtherProcess = false;
    // Guarded by the sender's mutex.
    bool done = false;
    bool delivered = false;
    LRESULT result = 0;
};

class WinThreadState : public std::enable_shared_from_this<WinThreadState> {
public:
    WinThreadState(const WinThreadState&) = delete;
    WinThreadState& operator=(const WinThreadState&) = delete;
    ~WinThreadState();

    // State of the calling thread, created (and registered) on first use. Called by a
    // destructor that runs after the thread's own state ended (a thread-local object made
    // before it, a static object destroyed by exit()), it gives an ended state, which is never
    // registered and on which every call does nothing.
    static std::shared_ptr<WinThreadState> Current();
    // State of a live thread of this process; null when there is none.
    static std::shared_ptr<WinThreadState> Find(DWORD threadId);

    DWORD Id() const { return m_id; }

    // --- From any thread -------------------------------------------------------------
    // Queue a posted message; false once the thread has ended.
    bool Post(const MSG& msg);
    bool PostQuit(int exitCode);
    // Queue a sent message for the thread to handle; false once the thread has ended.
    bool QueueSent(const std::shared_ptr<WinSendRecord>& record);
    // Wakes the thread from its current wait so that it checks again.
    void Wake();
    // Marks a send record finished and wakes its sender. Later calls change nothing.
    static void Complete(WinSendRecord& record, bool delivered, LRESULT result);
    static bool IsDone(WinSendRecord& record);

    UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
    bool KillTimer(HWND hwnd, UINT_PTR id);
    void KillTimersOf(HWND hwnd);
    // Adds the entry at the head of the thread's hook chain; false once the thread has ended.
    bool AddHook(const std::shared_ptr<WinHookEntry>& entry);
    // Takes the hook out of its thread's chain; null when no thread of this process has it.
    static std::shared_ptr<WinHookEntry> RemoveHook(HHOOK hook);
    // Queues an action the thread performs before it next retrieves a message (outside hook
    // calls); false once the thread has ended.
    bool QueueAction(std::function<void()> action);
    void SetWakeHook(std::function<void()> wake);

    // --- Only on the owning thread ---------------------------------------------------
    std::uint64_t Seq();
    // Sleeps until Wake() was called after `seq` was read, or until `deadline`.
    void SleepUntilChanged(std::uint64_t seq, Clock::time_point deadline);
    // Handles every sent message queued now; true when it handled at least one.
    bool HandleSentMessages();
    // Retrieves a posted message, WM_QUIT or a due timer matching the filter.
    bool Peek(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
    // A posted message, WM_QUIT or a due timer (and, with includeSent, a sent message).
    bool HasMessage(bool includeSent);
    // A sent message waits to be handled.
    bool HasSentMessage();
    // Time at which the next timer matching the filter falls due (Clock::time_point::max()
    // without one).
    Clock::time_point NextTimerDue(HWND hwnd = 0, UINT filterMin = 0, UINT filterMax = 0);
    // Ends the calling thread's state early (before its thread-local storage goes away), so
    // that a thread counts as ended only once its windows are gone.
    static void EndCurrentThread();
    // Callback of a timer of this thread; empty when it has none.
    std::shared_ptr<const TIMERPROC> TimerCallback(HWND hwnd, UINT_PTR id);

private:
    struct Timer {
        HWND hwnd = 0;
        UINT_PTR id = 0;
        std::chrono::milliseconds interval{0};
        Clock::time_point due;
        std::shared_ptr<const TIMERPROC> proc;
    };

    explicit WinThreadState(DWORD id);
    // Called when the thread ends: its windows go away and waiting senders get 0.
    void End();
    void NotifyLocked();
    void CallWakeHook();
    bool MatchesLocked(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) const;
    void RunActions();

    friend struct WinThreadStateHolder;

    const DWORD m_id;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_seq = 0;
    bool m_alive = true;
    std::deque<MSG> m_posted;
    std::deque<std::shared_ptr<WinSendRecord>> m_sent;
    bool m_quit = false;
    int m_quitCode = 0;
    std::vector<Timer> m_timers;
    UINT_PTR m_nextThreadTimerId = 1;
    WinHookList m_hooks; // oldest first; walks take them newest first
    std::deque<std::function<void()>> m_actions;
    std::atomic<bool> m_hasActions{false}; // spares retrievals the lock while there are none
    std::shared_ptr<const std::function<void()>> m_wakeHook;
};

// Milliseconds since an arbitrary start, as in MSG::time.
DWORD TickCount();

// Held by the thread that hands on a message from another process: the messages it posts or
// sends meanwhile are marked as coming from another process.
class PeerOriginScope {
public:
    PeerOriginScope();
    ~PeerOriginScope();
    PeerOriginScope(const PeerOriginScope&) = delete;
    PeerOriginScope& operator=(const PeerOriginScope&) = delete;
    static bool Active();

private:
    bool m_previous;
};

// Held around a window procedure call: tells InMessageFromOtherProcess where the message
// came from (nested calls restore the outer value).
class HandlingScope {
public:
    explicit HandlingScope(bool fromOtherProcess);
    ~HandlingScope();
    HandlingScope(const HandlingScope&) = delete;
    HandlingScope& operator=(const HandlingScope&) = delete;

private:
    bool m_previous;
};

// What HandlingScope last set on the calling thread.
bool HandlingPeerMessage();

} // namespace win::detail
