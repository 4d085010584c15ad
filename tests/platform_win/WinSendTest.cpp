// SendMessage between threads: results, re-entrant handling while waiting, time-outs and
// targets that go away.
#include "platform/Sync.h"
#include "platform/Win.h"
#include "platform/WinThreadState.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace win;

namespace {

// On a window's own thread: waits, up to five seconds, until another thread has queued a sent
// message for it (woken by the queueing itself, not by polling).
void WaitForQueuedSend() {
    std::shared_ptr<detail::WinThreadState> state = detail::WinThreadState::Current();
    const auto deadline = detail::Clock::now() + std::chrono::seconds(5);
    for (;;) {
        std::uint64_t seq = state->Seq();
        if (state->HasSentMessage() || detail::Clock::now() >= deadline) {
            return;
        }
        state->SleepUntilChanged(seq, deadline);
    }
}

// A thread that owns one window and runs a message loop until WM_QUIT.
class LoopThread {
public:
    explicit LoopThread(WNDPROC proc, const std::string& title = "loop") {
        Event ready(true, false);
        m_thread = std::make_unique<Thread>([this, &ready, proc, title]() -> DWORD {
            WindowDesc desc;
            desc.className = "LoopThread";
            desc.title = title;
            m_hwnd = CreateWindow(desc, proc);
            ready.Set();
            MSG msg;
            while (GetMessage(&msg)) {
                DispatchMessage(msg);
            }
            DestroyWindow(m_hwnd);
            return 0;
        });
        WaitForSingleObject(ready, 5000);
    }
    ~LoopThread() { Stop(); }
    void Stop() {
        if (m_thread) {
            PostThreadMessage(m_thread->Id(), WM_QUIT, 0, 0);
            m_thread->Join(5000);
            m_thread.reset();
        }
    }
    HWND Window() const { return m_hwnd; }
    DWORD Id() const { return m_thread->Id(); }

private:
    std::atomic<HWND> m_hwnd{0};
    std::unique_ptr<Thread> m_thread;
};

} // namespace

TEST(WinSend, ResultComesBackAndTheProcedureRunsOnTheOwningThread) {
    std::atomic<DWORD> ranOn{0};
    LoopThread target([&](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        ranOn = GetCurrentThreadId();
        return m == WM_USER ? static_cast<LRESULT>(w) * 1000 + l : 0;
    });
    EXPECT_EQ(SendMessage(target.Window(), WM_USER, 12, 34), 12034);
    EXPECT_EQ(ranOn, target.Id());
    LRESULT r = 0;
    EXPECT_TRUE(SendMessageTimeout(target.Window(), WM_USER, 1, 2, 5000, &r));
    EXPECT_EQ(r, 1002);
    EXPECT_EQ(SendMessage(0xDEADBEEF, WM_USER, 1, 2), 0);
    EXPECT_FALSE(SendMessageTimeout(0xDEADBEEF, WM_USER, 1, 2, 10, &r));
}

TEST(WinSend, SentMessagesAreHandledBeforePostedOnes) {
    std::vector<UINT> order;
    std::mutex m;
    Event inFirst(true, false);
    Event postedHandled(true, false);
    LoopThread target([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER) {
            // Holds the loop until the test has posted one message and sent another.
            inFirst.Set();
            WaitForQueuedSend();
        }
        if (msg != WM_CREATE && msg != WM_DESTROY) {
            std::lock_guard<std::mutex> lock(m);
            order.push_back(msg);
        }
        if (msg == WM_USER + 1) {
            postedHandled.Set();
        }
        return 0;
    });
    HWND hwnd = target.Window();
    PostMessage(hwnd, WM_USER, 0, 0);
    ASSERT_EQ(WaitForSingleObject(inFirst, 5000), WAIT_OBJECT_0);
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    std::thread sender([hwnd] { SendMessage(hwnd, WM_USER + 2, 0, 0); });
    sender.join();
    // Waits for the posted message itself: a message sent from here could rightly
    // overtake it too.
    ASSERT_EQ(WaitForSingleObject(postedHandled, 5000), WAIT_OBJECT_0);
    std::lock_guard<std::mutex> lock(m);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], WM_USER);
    EXPECT_EQ(order[1], WM_USER + 2) << "the sent message overtakes the posted one";
    EXPECT_EQ(order[2], WM_USER + 1);
}

TEST(WinSend, TwoThreadsSendingToEachOtherAtOnceDoNotDeadlock) {
    // Each thread's procedure, while handling the other's message, sends back to it.
    constexpr int kRounds = 200;
    std::atomic<HWND> hwndA{0};
    std::atomic<HWND> hwndB{0};
    Event bothReady(true, false);
    std::atomic<int> ready{0};
    std::atomic<int> finished{0};
    Event allDone(true, false);
    auto body = [&](std::atomic<HWND>& mine, std::atomic<HWND>& theirs) -> DWORD {
        WindowDesc desc;
        desc.title = "ping";
        mine = CreateWindow(desc, [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
            if (m == WM_USER) {
                return static_cast<LRESULT>(w) + SendMessage(theirs, WM_USER + 1, w, 0);
            }
            if (m == WM_USER + 1) {
                return static_cast<LRESULT>(w) * 2;
            }
            return 0;
        });
        if (++ready == 2) {
            bothReady.Set();
        }
        WaitForSingleObject(bothReady, 5000);
        DWORD sum = 0;
        for (int i = 0; i < kRounds; ++i) {
            sum += static_cast<DWORD>(SendMessage(theirs, WM_USER, 1, 0));
        }
        // Keep answering until the other side is done as well.
        if (++finished == 2) {
            allDone.Set();
        }
        Waitable* done[] = {&allDone};
        while (MsgWaitForMultipleObjects(done, false, 20000) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
            }
        }
        return sum;
    };
    Thread a([&] { return body(hwndA, hwndB); });
    Thread b([&] { return body(hwndB, hwndA); });
    Waitable* both[] = {&a, &b};
    ASSERT_EQ(WaitForMultipleObjects(both, true, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(a.ExitCode(), 3u * kRounds);
    EXPECT_EQ(b.ExitCode(), 3u * kRounds);
}

TEST(WinSend, ASenderThatIsItselfBlockedInASendStillAnswers) {
    // Main sends to B; B's procedure sends to C, which meanwhile sends to B. B must handle
    // C's message while it waits for C.
    LoopThread c([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, "C");
    std::atomic<HWND> bWindow{0};
    HWND cWindow = c.Window();
    LoopThread b(
        [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_USER) {
                return SendMessage(cWindow, WM_USER + 10, 0, 0);
            }
            if (m == WM_USER + 1) {
                return 7;
            }
            return 0;
        },
        "B");
    bWindow = b.Window();
    SetWindowProc(cWindow, [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        return m == WM_USER + 10 ? SendMessage(bWindow, WM_USER + 1, 0, 0) * 6 : 0;
    });
    EXPECT_EQ(SendMessage(b.Window(), WM_USER, 0, 0), 42);
}

TEST(WinSend, SendingToOwnWindowCallsTheProcedureDirectly) {
    int depth = 0;
    WindowDesc desc;
    HWND hwnd = CreateWindow(desc, [&](HWND h, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m != WM_USER) {
            return 0;
        }
        ++depth;
        return w == 0 ? 1 : static_cast<LRESULT>(w) * SendMessage(h, WM_USER, w - 1, 0);
    });
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 5, 0), 120);
    EXPECT_EQ(depth, 6);
    COPYDATASTRUCT copy;
    const char bytes[] = "abc";
    copy.cbData = 3;
    copy.lpData = bytes;
    SetWindowProc(hwnd, [](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m != WM_COPYDATA) {
            return 0;
        }
        auto* c = reinterpret_cast<const COPYDATASTRUCT*>(l);
        return static_cast<LRESULT>(c->cbData);
    });
    EXPECT_EQ(SendMessage(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 3);
    DestroyWindow(hwnd);
}

TEST(WinSend, TimeoutGivesUpWhileTheTargetIsBusy) {
    Event release(true, false);
    std::atomic<int> handled{0};
    LoopThread target([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            WaitForSingleObject(release, 5000);
            ++handled;
            return 1;
        }
        return 0;
    });
    LRESULT r = 55;
    EXPECT_FALSE(SendMessageTimeout(target.Window(), WM_USER, 0, 0, 30, &r));
    EXPECT_EQ(r, 0);
    release.Set();
    // The busy target still handles the message; later sends work normally.
    EXPECT_EQ(SendMessage(target.Window(), WM_NULL, 0, 0), 0);
    EXPECT_EQ(handled, 1);
}

TEST(WinSend, ASenderIsReleasedWhenTheTargetThreadEnds) {
    Event inLoop(true, false);
    std::atomic<HWND> hwnd{0};
    Thread target([&]() -> DWORD {
        WindowDesc desc;
        hwnd = CreateWindow(desc, DefWindowProc);
        inLoop.Set();
        // Ends without ever handling the message sent to it.
        WaitForQueuedSend();
        return 0;
    });
    ASSERT_EQ(WaitForSingleObject(inLoop, 5000), WAIT_OBJECT_0);
    LRESULT r = 9;
    EXPECT_FALSE(SendMessageTimeout(hwnd, WM_USER, 0, 0, 10000, &r));
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(target.Join(5000));
}

TEST(WinSend, DestroyWhileASendIsQueuedAnswersZero) {
    Event proceed(true, false);
    std::atomic<HWND> hwnd{0};
    Thread owner([&]() -> DWORD {
        WindowDesc desc;
        hwnd = CreateWindow(desc, [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 5; });
        proceed.Set();
        // Let the send get queued, then destroy before handling it.
        WaitForQueuedSend();
        DestroyWindow(hwnd);
        MSG msg;
        PeekMessage(&msg, 0, 0, 0, PM_REMOVE);
        return 0;
    });
    ASSERT_EQ(WaitForSingleObject(proceed, 5000), WAIT_OBJECT_0);
    LRESULT r = 1;
    EXPECT_FALSE(SendMessageTimeout(hwnd, WM_USER, 0, 0, 5000, &r));
    EXPECT_EQ(r, 0);
    owner.Join(5000);
}

TEST(WinSend, ManyThreadsPostAndSendToOneLoop) {
    std::atomic<long> total{0};
    Event drained(true, false);
    LoopThread target([&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            total += static_cast<long>(w);
        }
        if (m == WM_USER + 1) {
            drained.Set();
        }
        return static_cast<LRESULT>(w);
    });
    HWND hwnd = target.Window();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([hwnd] {
            for (int i = 1; i <= 500; ++i) {
                if (i % 5 == 0) {
                    EXPECT_EQ(SendMessage(hwnd, WM_USER, 1, 0), 1);
                } else {
                    PostMessage(hwnd, WM_USER, 1, 0);
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    // Every message was posted before this one, so it comes out of the queue last.
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    ASSERT_EQ(WaitForSingleObject(drained, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(total, 2000);
}
