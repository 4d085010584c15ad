// Threads, events and waits.
#pragma once

#include "platform/Win.h"

#include <functional>
#include <memory>
#include <span>

namespace win {

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD QS_ALLINPUT = 0x04FF;

// Something a thread can wait for. Signalled state is kept by the object.
class Waitable {
public:
    virtual ~Waitable();
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    struct State; // shared with the waiters; defined by the implementation
    std::shared_ptr<State> state() const { return m_state; }

protected:
    Waitable();
    std::shared_ptr<State> m_state;
};

// Manual-reset events stay signalled until Reset(); auto-reset events release exactly one
// waiter and then return to non-signalled.
class Event : public Waitable {
public:
    Event(bool manualReset, bool initialState);
    void Set();
    void Reset();
    bool IsManualReset() const { return m_manual; }

private:
    bool m_manual;
};

// A thread whose handle becomes signalled when it ends. There is no forced termination: a
// Thread object whose thread still runs at destruction is detached and left to end itself.
class Thread : public Waitable {
public:
    explicit Thread(std::function<DWORD()> body);
    ~Thread() override;
    DWORD Id() const;
    bool IsRunning() const;
    // Exit code once ended (the body's result).
    DWORD ExitCode() const;
    // Waits for the thread to end; true when it ended within the time.
    bool Join(DWORD timeoutMs = INFINITE);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// WAIT_OBJECT_0 + i for the first signalled object (with waitAll: when all are signalled),
// WAIT_TIMEOUT, or WAIT_FAILED.
DWORD WaitForSingleObject(Waitable& object, DWORD timeoutMs);
DWORD WaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs);
// As WaitForMultipleObjects, but also returns WAIT_OBJECT_0 + objects.size() when the calling
// thread's queue holds a message. Sent messages are handled while waiting.
DWORD MsgWaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs,
                                DWORD wakeMask = QS_ALLINPUT);

} // namespace win
