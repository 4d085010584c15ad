// Events, threads and waits. Every waitable state is guarded by one process-wide lock; a
// waiting thread registers with the states it waits for and sleeps on its own thread state,
// which the objects wake when they become signalled.
#include "platform/Sync.h"

#include "platform/Diagnostics.h"
#include "platform/SyncState.h"
#include "platform/WinThreadState.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <thread>

namespace win {

using detail::Clock;
using detail::WinThreadState;

std::mutex& Waitable::State::Lock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

Waitable::Waitable() : m_state(std::make_shared<State>()) {}

Waitable::~Waitable() = default;

namespace {

// Signals the state and wakes everyone waiting for it. Caller holds State::Lock().
void SignalLocked(Waitable::State& state) {
    state.signalled = true;
    for (detail::WinThreadState* waiter : state.waiters) {
        waiter->Wake();
    }
}

// Takes the objects when the wait is satisfied: the index of the first signalled one (or 0
// with waitAll), -1 when not yet. Auto-reset objects that are taken return to non-signalled,
// so each signal releases exactly one waiter. Caller holds State::Lock().
long TryAcquireLocked(const std::vector<std::shared_ptr<Waitable::State>>& states, bool waitAll) {
    if (states.empty()) {
        return -1;
    }
    if (waitAll) {
        for (const auto& s : states) {
            if (!s->signalled) {
                return -1;
            }
        }
        for (const auto& s : states) {
            if (!s->manualReset) {
                s->signalled = false;
            }
        }
        return 0;
    }
    for (std::size_t i = 0; i < states.size(); ++i) {
        if (states[i]->signalled) {
            if (!states[i]->manualReset) {
                states[i]->signalled = false;
            }
            return static_cast<long>(i);
        }
    }
    return -1;
}

DWORD WaitCore(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs, bool withMessages,
               DWORD wakeMask) {
    std::vector<std::shared_ptr<Waitable::State>> states;
    states.reserve(objects.size());
    for (Waitable* object : objects) {
        if (object == nullptr) {
            return WAIT_FAILED;
        }
        states.push_back(object->state());
    }
    if (states.empty() && !withMessages) {
        return WAIT_FAILED;
    }
    std::shared_ptr<WinThreadState> self = WinThreadState::Current();
    const Clock::time_point deadline = timeoutMs == INFINITE
                                           ? Clock::time_point::max()
                                           : Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::mutex& lock = Waitable::State::Lock();
    {
        std::lock_guard<std::mutex> guard(lock);
        for (const auto& s : states) {
            s->waiters.push_back(self.get());
        }
    }
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        std::uint64_t seq = self->Seq();
        if (withMessages) {
            self->HandleSentMessages();
        }
        long taken = -1;
        {
            std::lock_guard<std::mutex> guard(lock);
            taken = TryAcquireLocked(states, waitAll);
        }
        if (taken >= 0) {
            result = WAIT_OBJECT_0 + static_cast<DWORD>(taken);
            break;
        }
        if (withMessages && wakeMask != 0 && self->HasMessage(false)) {
            result = WAIT_OBJECT_0 + static_cast<DWORD>(states.size());
            break;
        }
        if (Clock::now() >= deadline) {
            result = WAIT_TIMEOUT;
            break;
        }
        Clock::time_point until = deadline;
        if (withMessages && wakeMask != 0) {
            until = std::min(until, self->NextTimerDue());
        }
        self->SleepUntilChanged(seq, until);
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        for (const auto& s : states) {
            auto it = std::find(s->waiters.begin(), s->waiters.end(), self.get());
            if (it != s->waiters.end()) {
                s->waiters.erase(it);
            }
        }
    }
    return result;
}

} // namespace

Event::Event(bool manualReset, bool initialState) : m_manual(manualReset) {
    m_state->manualReset = manualReset;
    m_state->signalled = initialState;
}

void Event::Set() {
    std::lock_guard<std::mutex> guard(State::Lock());
    SignalLocked(*m_state);
}

void Event::Reset() {
    std::lock_guard<std::mutex> guard(State::Lock());
    m_state->signalled = false;
}

// What the thread and its Thread object share; the thread may outlive the object.
struct ThreadShared {
    std::mutex mutex;
    std::condition_variable started;
    bool hasId = false;
    DWORD id = 0;
    DWORD exitCode = 0;
};

struct Thread::Impl {
    std::thread thread;
    std::shared_ptr<ThreadShared> shared = std::make_shared<ThreadShared>();
};

Thread::Thread(std::function<DWORD()> body) : m_impl(std::make_unique<Impl>()) {
    m_state->manualReset = true;
    std::shared_ptr<ThreadShared> shared = m_impl->shared;
    std::shared_ptr<State> state = m_state;
    try {
        m_impl->thread = std::thread([shared, state, fn = std::move(body)]() mutable {
            // The queue exists from the start, so that messages can be posted to the
            // thread as soon as the constructor has returned.
            DWORD id = WinThreadState::Current()->Id();
            {
                std::lock_guard<std::mutex> guard(shared->mutex);
                shared->id = id;
                shared->hasId = true;
            }
            shared->started.notify_all();
            DWORD code = 0;
            try {
                code = fn ? fn() : 0;
            } catch (const std::exception& e) {
                platform::ReportDiagnostic("win::Thread",
                                           std::string("Thread ended by exception: ") + e.what());
                code = 0xFFFFFFFF;
            } catch (...) {
                platform::ReportDiagnostic("win::Thread", "Unknown exception caught.");
                code = 0xFFFFFFFF;
            }
            fn = nullptr; // whatever the body captured goes before the thread counts as ended
            WinThreadState::EndCurrentThread();
            {
                std::lock_guard<std::mutex> guard(shared->mutex);
                shared->exitCode = code;
            }
            std::lock_guard<std::mutex> guard(State::Lock());
            SignalLocked(*state);
        });
    } catch (const std::exception& e) {
        platform::ReportDiagnostic("win::Thread",
                                   std::string("Cannot start a thread: ") + e.what());
        std::lock_guard<std::mutex> guard(m_impl->shared->mutex);
        m_impl->shared->hasId = true;
        m_impl->shared->exitCode = 0xFFFFFFFF;
        std::lock_guard<std::mutex> sguard(State::Lock());
        m_state->signalled = true;
        return;
    }
    std::unique_lock<std::mutex> lock(m_impl->shared->mutex);
    m_impl->shared->started.wait(lock, [&] { return m_impl->shared->hasId; });
}

Thread::~Thread() {
    if (!m_impl->thread.joinable()) {
        return;
    }
    if (IsRunning() || m_impl->thread.get_id() == std::this_thread::get_id()) {
        // No forced termination: the thread is left to end by itself.
        m_impl->thread.detach();
    } else {
        m_impl->thread.join();
    }
}

DWORD Thread::Id() const {
    std::lock_guard<std::mutex> guard(m_impl->shared->mutex);
    return m_impl->shared->id;
}

bool Thread::IsRunning() const {
    std::lock_guard<std::mutex> guard(State::Lock());
    return !m_state->signalled;
}

DWORD Thread::ExitCode() const {
    std::lock_guard<std::mutex> guard(m_impl->shared->mutex);
    return m_impl->shared->exitCode;
}

bool Thread::Join(DWORD timeoutMs) {
    if (m_impl->thread.joinable() && m_impl->thread.get_id() == std::this_thread::get_id()) {
        return false;
    }
    if (WaitForSingleObject(*this, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    if (m_impl->thread.joinable()) {
        m_impl->thread.join();
    }
    return true;
}

DWORD WaitForSingleObject(Waitable& object, DWORD timeoutMs) {
    Waitable* objects[] = {&object};
    return WaitCore(objects, false, timeoutMs, false, 0);
}

DWORD WaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs) {
    return WaitCore(objects, waitAll, timeoutMs, false, 0);
}

DWORD MsgWaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs,
                                DWORD wakeMask) {
    return WaitCore(objects, waitAll, timeoutMs, true, wakeMask);
}

} // namespace win
