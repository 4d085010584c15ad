// Message queues of one process: order, filters, quit, dispatch, window lifetime, timers,
// hooks and the wake hook.
#include "platform/Sync.h"
#include "platform/Win.h"
#include "platform/WinChildren.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace win;

namespace {

struct Recorder {
    std::vector<MSG> seen;
    WNDPROC Proc() {
        return [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m != WM_CREATE && m != WM_DESTROY && m != WM_PARENTNOTIFY) {
                seen.push_back(MSG{h, m, w, l, 0});
            }
            return 0;
        };
    }
};

HWND MakeWindow(WNDPROC proc, const std::string& title = "w", HWND parent = 0) {
    WindowDesc desc;
    desc.className = "TestClass";
    desc.title = title;
    desc.parent = parent;
    return CreateWindow(desc, std::move(proc));
}

// Dispatches everything queued now.
void Drain() {
    MSG msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
        DispatchMessage(msg);
    }
}

} // namespace

TEST(WinQueue, PostedMessagesArriveInOrderWithTheirParameters) {
    Recorder rec;
    HWND hwnd = MakeWindow(rec.Proc());
    ASSERT_NE(hwnd, 0u);
    for (UINT i = 0; i < 100; ++i) {
        ASSERT_TRUE(PostMessage(hwnd, WM_USER + i, i * 3, -static_cast<LPARAM>(i)));
    }
    EXPECT_TRUE(HasPendingMessages());
    Drain();
    ASSERT_EQ(rec.seen.size(), 100u);
    for (UINT i = 0; i < 100; ++i) {
        EXPECT_EQ(rec.seen[i].message, WM_USER + i);
        EXPECT_EQ(rec.seen[i].wParam, i * 3);
        EXPECT_EQ(rec.seen[i].lParam, -static_cast<LPARAM>(i));
        EXPECT_EQ(rec.seen[i].hwnd, hwnd);
    }
    EXPECT_FALSE(HasPendingMessages());
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST(WinQueue, FiltersPickByWindowAndRangeAndKeepTheRest) {
    Recorder rec;
    HWND a = MakeWindow(rec.Proc(), "a");
    HWND b = MakeWindow(rec.Proc(), "b");
    HWND child = MakeWindow(rec.Proc(), "child", a);
    ASSERT_NE(child, 0u);
    PostMessage(a, WM_USER + 1, 0, 0);
    PostMessage(b, WM_USER + 2, 0, 0);
    PostMessage(child, WM_USER + 3, 0, 0);
    PostMessage(a, WM_APP + 1, 0, 0);
    PostThreadMessage(GetCurrentThreadId(), WM_USER + 4, 0, 0);

    MSG msg;
    // Range only.
    ASSERT_TRUE(PeekMessage(&msg, 0, WM_APP, WM_APP + 10, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP + 1u);
    // Window filter takes the window and its children, in order.
    ASSERT_TRUE(PeekMessage(&msg, a, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessage(&msg, a, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, child);
    EXPECT_FALSE(PeekMessage(&msg, a, 0, 0, PM_REMOVE));
    // Thread messages only.
    ASSERT_TRUE(PeekMessage(&msg, static_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 4u);
    EXPECT_EQ(msg.hwnd, 0u);
    // PM_NOREMOVE leaves it in place.
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, b);
    ASSERT_TRUE(GetMessage(&msg, b));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(WinQueue, QuitComesAfterPostedMessagesAndCarriesTheExitCode) {
    PostThreadMessage(GetCurrentThreadId(), WM_USER, 1, 0);
    PostQuitMessage(7);
    PostThreadMessage(GetCurrentThreadId(), WM_USER, 2, 0);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(GetMessage(&msg));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_FALSE(GetMessage(&msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
}

TEST(WinQueue, GetMessageWaitsForAPostFromAnotherThread) {
    Recorder rec;
    HWND hwnd = MakeWindow(rec.Proc());
    std::thread poster([hwnd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessage(hwnd, WM_USER + 9, 9, 0);
    });
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg));
    EXPECT_EQ(msg.message, WM_USER + 9u);
    poster.join();
    DestroyWindow(hwnd);
}

TEST(WinQueue, WindowAttributesAndCreateDestroyNotifications) {
    std::vector<UINT> seen;
    HWND hwnd = MakeWindow([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(m);
        return 0;
    });
    ASSERT_NE(hwnd, 0u);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetClassName(hwnd), "TestClass");
    EXPECT_EQ(GetWindowText(hwnd), "w");
    EXPECT_TRUE(SetWindowText(hwnd, "renamed"));
    EXPECT_EQ(GetWindowText(hwnd), "renamed");
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, GetCurrentProcessId());
    HWND child = MakeWindow(DefWindowProc, "c", hwnd);
    EXPECT_EQ(GetParent(child), hwnd);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(child)) << "children go with their parent";
    EXPECT_FALSE(DestroyWindow(hwnd));
    // The child's creation and destruction reach the parent before the parent's own end.
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_PARENTNOTIFY, WM_PARENTNOTIFY, WM_DESTROY}));
    EXPECT_EQ(GetWindowText(hwnd), "");
    EXPECT_EQ(MakeWindow(DefWindowProc, "orphan", hwnd), 0u) << "parent must exist";
}

TEST(WinQueue, CreateRefusedByTheProcedureLeavesNoWindow) {
    HWND seen = 0;
    HWND hwnd = MakeWindow([&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
        seen = h;
        return m == WM_CREATE ? -1 : 0;
    });
    EXPECT_EQ(hwnd, 0u);
    EXPECT_FALSE(IsWindow(seen));
}

TEST(WinQueue, HandlesAreUniqueAndNeverSpecialValues) {
    std::vector<HWND> handles;
    for (int i = 0; i < 300; ++i) {
        HWND h = MakeWindow(DefWindowProc);
        ASSERT_NE(h, 0u);
        ASSERT_NE(h, HWND_BROADCAST);
        handles.push_back(h);
    }
    std::vector<HWND> sorted = handles;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    for (HWND h : handles) {
        DestroyWindow(h);
    }
    // A destroyed window's handle is not handed out again.
    HWND next = MakeWindow(DefWindowProc);
    EXPECT_EQ(std::find(handles.begin(), handles.end(), next), handles.end());
    DestroyWindow(next);
}

TEST(WinQueue, MessagesForADestroyedWindowAreDropped) {
    Recorder rec;
    HWND doomed = MakeWindow(rec.Proc(), "doomed");
    HWND other = MakeWindow(rec.Proc(), "other");
    PostMessage(doomed, WM_USER + 1, 0, 0);
    PostMessage(other, WM_USER + 2, 0, 0);
    PostMessage(doomed, WM_USER + 3, 0, 0);
    DestroyWindow(doomed);
    EXPECT_FALSE(PostMessage(doomed, WM_USER + 4, 0, 0));
    Drain();
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].message, WM_USER + 2u);
    // Dispatching a stale message by hand is harmless too.
    EXPECT_EQ(DispatchMessage(MSG{doomed, WM_USER, 0, 0, 0}), 0);
    DestroyWindow(other);
}

TEST(WinQueue, AProcedureMayDestroyItsOwnWindow) {
    int calls = 0;
    HWND hwnd = 0;
    hwnd = MakeWindow([&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
        ++calls;
        if (m == WM_CLOSE) {
            DestroyWindow(h);
            return 5;
        }
        if (m == WM_DESTROY) {
            DestroyWindow(h); // a second destroy from WM_DESTROY changes nothing
        }
        return 0;
    });
    PostMessage(hwnd, WM_CLOSE, 0, 0);
    PostMessage(hwnd, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessage(msg), 5);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(calls, 3); // create, close, destroy, and nothing after
}

TEST(WinQueue, SubclassingChainsToThePreviousProcedure) {
    HWND hwnd = MakeWindow([](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        return m == WM_USER ? static_cast<LRESULT>(w) + 1 : 0;
    });
    WNDPROC original;
    original = SetWindowProc(hwnd, [&original](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER) {
            return original(h, m, w, l) * 10;
        }
        return original(h, m, w, l);
    });
    ASSERT_TRUE(original);
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 4, 0), 50);
    WNDPROC mine = SetWindowProc(hwnd, original);
    EXPECT_TRUE(mine);
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 4, 0), 5);
    DestroyWindow(hwnd);
    EXPECT_FALSE(SetWindowProc(hwnd, DefWindowProc));
}

TEST(WinQueue, OnlyTheOwningThreadDispatchesAndDestroys) {
    std::atomic<HWND> hwnd{0};
    std::atomic<int> calls{0};
    Event created(true, false);
    Event done(true, false);
    std::thread owner([&] {
        hwnd = MakeWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            ++calls;
            return 0;
        });
        created.Set();
        WaitForSingleObject(done, 5000);
        DestroyWindow(hwnd);
    });
    ASSERT_EQ(WaitForSingleObject(created, 5000), WAIT_OBJECT_0);
    int before = calls;
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(DispatchMessage(MSG{hwnd, WM_USER, 0, 0, 0}), 0);
    EXPECT_EQ(calls, before);
    EXPECT_TRUE(IsWindow(hwnd));
    done.Set();
    owner.join();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WinQueue, WindowsOfAnEndedThreadDisappear) {
    HWND hwnd = 0;
    DWORD tid = 0;
    std::thread t([&] {
        hwnd = MakeWindow(DefWindowProc, "short-lived");
        tid = GetCurrentThreadId();
    });
    t.join();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(PostThreadMessage(tid, WM_USER, 0, 0));
    EXPECT_EQ(FindWindow("", "short-lived"), 0u);
}

// An object whose destructor reaches the platform after the thread's own state has ended, as
// a thread-local made before that state, or a static event pump destroyed when a library
// calls exit() (Qt's X back-end does when the display goes away).
struct LateUser {
    std::atomic<bool>* posted = nullptr;
    ~LateUser() {
        SetQueueWakeHook(0, nullptr);
        *posted = PostThreadMessage(GetCurrentThreadId(), WM_USER, 0, 0);
    }
};

TEST(WinQueue, ADestructorAfterTheThreadsEndFindsAnEndedState) {
    std::atomic<bool> posted{true};
    std::thread t([&] {
        // Made before the thread's state, so destroyed after it.
        thread_local LateUser late;
        late.posted = &posted;
        EXPECT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_USER, 0, 0));
    });
    t.join();
    EXPECT_FALSE(posted); // nothing goes to an ended thread
}

TEST(WinQueue, CopyDataCannotBePosted) {
    HWND hwnd = MakeWindow(DefWindowProc);
    EXPECT_FALSE(PostMessage(hwnd, WM_COPYDATA, 0, 0));
    EXPECT_FALSE(PostThreadMessage(GetCurrentThreadId(), WM_COPYDATA, 0, 0));
    DestroyWindow(hwnd);
}

TEST(WinQueue, FindWindowByTitleOrClassAndEnumerate) {
    WindowDesc desc;
    desc.className = "FindMe";
    desc.title = "Finder One";
    HWND one = CreateWindow(desc, DefWindowProc);
    desc.title = "Finder Two";
    HWND two = CreateWindow(desc, DefWindowProc);
    desc.parent = one;
    desc.title = "Finder Child";
    HWND child = CreateWindow(desc, DefWindowProc);
    EXPECT_EQ(FindWindow("", "Finder Two"), two);
    EXPECT_EQ(FindWindow("findme", "finder one"), one) << "no regard to case";
    EXPECT_EQ(FindWindow("FindMe", ""), one);
    EXPECT_EQ(FindWindow("Other", "Finder One"), 0u);
    EXPECT_EQ(FindWindow("", "Finder Child"), 0u) << "child windows are not searched";
    EXPECT_EQ(EnumWindowsByClass("FindMe"), (std::vector<HWND>{one, two}));
    DestroyWindow(one);
    DestroyWindow(two);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_TRUE(EnumWindowsByClass("FindMe").empty());
}

TEST(WinQueue, BroadcastReachesEveryTopLevelWindowOfTheProcess) {
    Recorder a;
    Recorder b;
    Recorder c;
    HWND wa = MakeWindow(a.Proc(), "ba");
    HWND wb = MakeWindow(b.Proc(), "bb");
    HWND wc = MakeWindow(c.Proc(), "bc", wa);
    UINT msg = RegisterWindowMessage("TestBroadcastLocal");
    EXPECT_TRUE(PostMessage(HWND_BROADCAST, msg, 3, 4));
    Drain();
    ASSERT_EQ(a.seen.size(), 1u);
    ASSERT_EQ(b.seen.size(), 1u);
    EXPECT_TRUE(c.seen.empty());
    EXPECT_EQ(a.seen[0].message, msg);
    EXPECT_EQ(b.seen[0].lParam, 4);
    SendMessage(HWND_BROADCAST, msg, 5, 6);
    EXPECT_EQ(a.seen.size(), 2u);
    EXPECT_EQ(b.seen.size(), 2u);
    DestroyWindow(wa);
    DestroyWindow(wb);
    EXPECT_FALSE(IsWindow(wc));
}

TEST(WinQueue, WindowTimersRepeatAndStop) {
    std::vector<UINT_PTR> ticks;
    HWND hwnd = MakeWindow([&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_TIMER) {
            ticks.push_back(w);
        }
        return 0;
    });
    ASSERT_EQ(SetTimer(hwnd, 42, 5), 42u);
    MSG msg;
    while (ticks.size() < 3 && GetMessage(&msg)) {
        DispatchMessage(msg);
    }
    EXPECT_EQ(ticks, (std::vector<UINT_PTR>{42, 42, 42}));
    EXPECT_TRUE(KillTimer(hwnd, 42));
    EXPECT_FALSE(KillTimer(hwnd, 42));
    EXPECT_EQ(NextTimerDelay(), 0xFFFFFFFFu);
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(SetTimer(hwnd, 0, 5), 0u) << "a window timer needs an id";
    EXPECT_EQ(SetTimer(0xDEAD, 1, 5), 0u);
    DestroyWindow(hwnd);
}

TEST(WinQueue, ThreadTimersWithCallbacksAndDestroyKillsTimers) {
    int fired = 0;
    UINT_PTR id = SetTimer(0, 0, 1, [&](HWND h, UINT m, UINT_PTR, DWORD) {
        EXPECT_EQ(h, 0u);
        EXPECT_EQ(m, WM_TIMER);
        ++fired;
    });
    ASSERT_NE(id, 0u);
    UINT_PTR other = SetTimer(0, 0, 100000);
    EXPECT_NE(other, id);
    EXPECT_LE(NextTimerDelay(), 1u);
    MSG msg;
    while (fired < 2 && GetMessage(&msg, 0, WM_TIMER, WM_TIMER)) {
        DispatchMessage(msg);
    }
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(KillTimer(0, id));
    EXPECT_TRUE(KillTimer(0, other));

    HWND hwnd = MakeWindow(DefWindowProc);
    SetTimer(hwnd, 1, 1);
    DestroyWindow(hwnd);
    EXPECT_EQ(NextTimerDelay(), 0xFFFFFFFFu);
}

TEST(WinQueue, TimersDoNotStarveAFilteredWait) {
    // A due timer that the filter excludes must not make GetMessage spin or return it.
    HWND hwnd = MakeWindow(DefWindowProc);
    SetTimer(hwnd, 1, 1);
    DWORD me = GetCurrentThreadId();
    std::thread poster([me] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostThreadMessage(me, WM_USER, 0, 0);
    });
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, 0, WM_USER, WM_USER));
    EXPECT_EQ(msg.message, WM_USER);
    poster.join();
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) << "the timer is still due";
    EXPECT_EQ(msg.message, WM_TIMER);
    DestroyWindow(hwnd);
}

TEST(WinQueue, GetMessageHookSeesAndMayChangeRetrievedMessages) {
    Recorder rec;
    HWND hwnd = MakeWindow(rec.Proc());
    std::vector<UINT> hooked;
    HHOOK hook = SetGetMessageHook(GetCurrentThreadId(), [&](MSG& m) {
        hooked.push_back(m.message);
        if (m.message == WM_USER + 1) {
            m.wParam = 99;
        }
    });
    ASSERT_NE(hook, 0u);
    PostMessage(hwnd, WM_USER + 1, 1, 0);
    PostMessage(hwnd, WM_USER + 2, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(hooked.empty()) << "peeking without removing is not hooked";
    Drain();
    SendMessage(hwnd, WM_USER + 3, 0, 0); // sent messages are not retrieved, so not hooked
    EXPECT_EQ(hooked, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    ASSERT_EQ(rec.seen.size(), 3u);
    EXPECT_EQ(rec.seen[0].wParam, 99u);
    EXPECT_TRUE(UnhookGetMessageHook(hook));
    EXPECT_FALSE(UnhookGetMessageHook(hook));
    PostMessage(hwnd, WM_USER + 4, 0, 0);
    Drain();
    EXPECT_EQ(hooked.size(), 2u);
    DestroyWindow(hwnd);
}

TEST(WinQueue, HookOnAnotherThreadRunsOnThatThread) {
    Event ready(true, false);
    std::atomic<DWORD> tid{0};
    std::atomic<DWORD> hookThread{0};
    std::thread worker([&] {
        tid = GetCurrentThreadId();
        MSG msg;
        PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE);
        ready.Set();
        while (GetMessage(&msg)) {
        }
    });
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    HHOOK hook = SetGetMessageHook(tid, [&](MSG&) { hookThread = GetCurrentThreadId(); });
    ASSERT_NE(hook, 0u);
    PostThreadMessage(tid, WM_USER, 0, 0);
    PostThreadMessage(tid, WM_QUIT, 0, 0);
    worker.join();
    EXPECT_EQ(hookThread, tid.load());
    EXPECT_EQ(SetGetMessageHook(0x7FFFFFF0, [](MSG&) {}), 0u);
}

TEST(WinQueue, WakeHookRunsForEveryQueuedMessageOnTheQueuingThread) {
    std::atomic<int> wakes{0};
    std::atomic<DWORD> wakeThread{0};
    DWORD me = GetCurrentThreadId();
    HWND hwnd = MakeWindow(DefWindowProc);
    SetQueueWakeHook(me, [&] {
        ++wakes;
        wakeThread = GetCurrentThreadId();
    });
    std::atomic<DWORD> poster{0};
    std::thread t([&] {
        poster = GetCurrentThreadId();
        PostMessage(hwnd, WM_USER, 0, 0);
        PostThreadMessage(me, WM_USER, 0, 0);
    });
    t.join();
    EXPECT_EQ(wakes, 2);
    EXPECT_EQ(wakeThread, poster.load());
    // A send from another thread wakes the loop too, so that it can answer.
    std::thread sender([&] { SendMessageTimeout(hwnd, WM_USER, 0, 0, 5000, nullptr); });
    while (wakes < 3) {
        std::this_thread::yield();
    }
    MSG msg;
    PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE); // answers the send
    sender.join();
    SetQueueWakeHook(me, nullptr);
    PostMessage(hwnd, WM_USER, 0, 0);
    EXPECT_EQ(wakes, 3);
    Drain();
    DestroyWindow(hwnd);
}
