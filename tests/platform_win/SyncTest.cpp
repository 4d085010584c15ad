// Events, threads and waits, with and without the thread's message queue.
#include "platform/Sync.h"
#include "platform/Win.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace win;

TEST(Sync, ManualResetEventStaysSignalledUntilReset) {
    Event e(true, false);
    EXPECT_TRUE(e.IsManualReset());
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    e.Set();
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    e.Reset();
    EXPECT_EQ(WaitForSingleObject(e, 10), WAIT_TIMEOUT);
    Event initially(true, true);
    EXPECT_EQ(WaitForSingleObject(initially, 0), WAIT_OBJECT_0);
}

TEST(Sync, AutoResetEventReleasesExactlyOneWaiterPerSignal) {
    Event e(false, false);
    std::atomic<int> released{0};
    Event stop(true, false);
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            Waitable* objs[] = {&e, &stop};
            while (WaitForMultipleObjects(objs, false, 10000) == WAIT_OBJECT_0) {
                ++released;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (int i = 1; i <= 3; ++i) {
        e.Set();
        while (released < i) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(released, i) << "one signal woke more than one waiter";
    }
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT) << "the signal was used up";
    stop.Set();
    for (auto& t : waiters) {
        t.join();
    }
    Event once(false, true);
    EXPECT_EQ(WaitForSingleObject(once, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(once, 0), WAIT_TIMEOUT);
}

TEST(Sync, WaitAnyReportsTheFirstSignalledObject) {
    Event a(true, false);
    Event b(true, false);
    Event c(true, false);
    Waitable* objs[] = {&a, &b, &c};
    EXPECT_EQ(WaitForMultipleObjects(objs, false, 0), WAIT_TIMEOUT);
    c.Set();
    EXPECT_EQ(WaitForMultipleObjects(objs, false, 0), WAIT_OBJECT_0 + 2);
    b.Set();
    EXPECT_EQ(WaitForMultipleObjects(objs, false, 0), WAIT_OBJECT_0 + 1);
    std::span<Waitable* const> none;
    EXPECT_EQ(WaitForMultipleObjects(none, false, 0), WAIT_FAILED);
    Waitable* withNull[] = {&a, nullptr};
    EXPECT_EQ(WaitForMultipleObjects(withNull, false, 0), WAIT_FAILED);
}

TEST(Sync, WaitAllNeedsEveryObjectAndTakesAutoResetOnesTogether) {
    Event manual(true, false);
    Event autoA(false, false);
    Event autoB(false, false);
    Waitable* objs[] = {&manual, &autoA, &autoB};
    autoA.Set();
    manual.Set();
    EXPECT_EQ(WaitForMultipleObjects(objs, true, 20), WAIT_TIMEOUT);
    // Not all there: nothing was taken.
    Waitable* justA[] = {&autoA};
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        autoB.Set();
    });
    EXPECT_EQ(WaitForMultipleObjects(objs, true, 5000), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForMultipleObjects(justA, false, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(autoB, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
}

TEST(Sync, TimeoutsExpire) {
    Event e(true, false);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(e, 30), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    Waitable* objs[] = {&e};
    EXPECT_EQ(MsgWaitForMultipleObjects(objs, false, 10), WAIT_TIMEOUT);
}

TEST(Sync, ThreadIsSignalledWhenItEndsAndKeepsItsExitCode) {
    Event go(true, false);
    Thread t([&]() -> DWORD {
        WaitForSingleObject(go, 5000);
        return 17;
    });
    EXPECT_NE(t.Id(), 0u);
    EXPECT_NE(t.Id(), GetCurrentThreadId());
    EXPECT_TRUE(t.IsRunning());
    EXPECT_EQ(WaitForSingleObject(t, 10), WAIT_TIMEOUT);
    EXPECT_FALSE(t.Join(10));
    go.Set();
    EXPECT_TRUE(t.Join(5000));
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(t.ExitCode(), 17u);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(t.Join(0));
}

TEST(Sync, ThreadQueueExistsAsSoonAsTheThreadIsCreated) {
    Thread t([]() -> DWORD {
        MSG msg;
        if (!GetMessage(&msg)) {
            return 0;
        }
        return static_cast<DWORD>(msg.wParam);
    });
    EXPECT_TRUE(PostThreadMessage(t.Id(), WM_USER, 77, 0));
    ASSERT_TRUE(t.Join(5000));
    EXPECT_EQ(t.ExitCode(), 77u);
}

TEST(Sync, ExceptionInAThreadBodyEndsTheThreadNotTheProcess) {
    Thread t([]() -> DWORD { throw std::runtime_error("boom"); });
    ASSERT_TRUE(t.Join(5000));
    EXPECT_EQ(t.ExitCode(), 0xFFFFFFFFu);
}

TEST(Sync, AThreadStillRunningAtDestructionIsLeftToEnd) {
    auto go = std::make_shared<Event>(true, false);
    auto finished = std::make_shared<Event>(true, false);
    {
        Thread t([go, finished]() -> DWORD {
            WaitForSingleObject(*go, 5000);
            finished->Set();
            return 0;
        });
    } // destroyed while running: detached, not killed
    EXPECT_EQ(WaitForSingleObject(*finished, 0), WAIT_TIMEOUT);
    go->Set();
    EXPECT_EQ(WaitForSingleObject(*finished, 5000), WAIT_OBJECT_0);
}

TEST(Sync, MsgWaitReturnsForAMessageAndHandlesSentOnes) {
    Event never(true, false);
    Waitable* objs[] = {&never};
    DWORD me = GetCurrentThreadId();
    WindowDesc desc;
    std::atomic<int> sentHandled{0};
    HWND hwnd = CreateWindow(desc, [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER + 1) {
            ++sentHandled;
            return 11;
        }
        return 0;
    });
    std::atomic<LRESULT> answer{0};
    std::thread other([&] {
        answer = SendMessage(hwnd, WM_USER + 1, 0, 0);
        PostThreadMessage(me, WM_USER + 2, 0, 0);
    });
    // The sent message is answered inside the wait; only the post ends it.
    EXPECT_EQ(MsgWaitForMultipleObjects(objs, false, 5000), WAIT_OBJECT_0 + 1);
    other.join();
    EXPECT_EQ(sentHandled, 1);
    EXPECT_EQ(answer, 11);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    // Events still win when signalled; a message already queued is reported at once.
    never.Set();
    EXPECT_EQ(MsgWaitForMultipleObjects(objs, false, 0), WAIT_OBJECT_0);
    never.Reset();
    PostMessage(hwnd, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(objs, false, 0), WAIT_OBJECT_0 + 1);
    PeekMessage(&msg, 0, 0, 0, PM_REMOVE);
    // A due timer counts as a message.
    SetTimer(hwnd, 3, 5);
    EXPECT_EQ(MsgWaitForMultipleObjects(objs, false, 5000), WAIT_OBJECT_0 + 1);
    KillTimer(hwnd, 3);
    // With no objects it waits for the queue alone.
    std::span<Waitable* const> none;
    EXPECT_EQ(MsgWaitForMultipleObjects(none, false, 10), WAIT_TIMEOUT);
    DestroyWindow(hwnd);
}

TEST(Sync, CoreLoopShapeStopsOnTheEventAndDispatchesMessages) {
    // A worker with a callback window waits for a stop event or its queue, as the core
    // thread does.
    Event stop(false, false);
    std::atomic<HWND> hwnd{0};
    std::atomic<int> events{0};
    Event ready(true, false);
    Thread worker([&]() -> DWORD {
        WindowDesc desc;
        desc.title = "callback";
        hwnd = CreateWindow(desc, [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            if (m == WM_USER + 123) {
                ++events;
            }
            return 0;
        });
        ready.Set();
        Waitable* objs[] = {&stop};
        for (;;) {
            DWORD r = MsgWaitForMultipleObjects(objs, false, INFINITE);
            if (r == WAIT_OBJECT_0) {
                break;
            }
            MSG msg;
            while (PeekMessage(&msg, hwnd, 0, 0, PM_REMOVE)) {
                DispatchMessage(msg);
            }
        }
        DestroyWindow(hwnd);
        return 0;
    });
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    for (int i = 0; i < 50; ++i) {
        PostMessage(hwnd, WM_USER + 123, 0, 0);
    }
    while (events < 50) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.Set();
    ASSERT_TRUE(worker.Join(5000));
    EXPECT_EQ(events, 50);
    EXPECT_FALSE(IsWindow(hwnd));
}
