// Get-message hooks with C procedures: the chain of one thread, and hooks that a process puts
// on the thread of a helper process, which loads the test hook module (libtw_test_hook.so) and
// reports what the module sees on its standard output.
#include "platform/WinHooks.h"
#include "platform/DynLib.h"
#include "platform/Win.h"

#include "WinHelperProcess.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

using namespace win;
using twtest::Helper;

namespace {

std::vector<std::string> g_calls;

LRESULT RecordA(int code, WPARAM wParam, LPARAM lParam) {
    g_calls.push_back("A " + std::to_string(reinterpret_cast<MSG*>(lParam)->wParam));
    return CallNextHookEx(0, code, wParam, lParam) + 1;
}

LRESULT RecordB(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    g_calls.push_back("B " + std::to_string(msg->wParam));
    msg->wParam += 10;
    return CallNextHookEx(0, code, wParam, lParam) + 100;
}

LRESULT Stop(int, WPARAM, LPARAM) {
    g_calls.push_back("stop");
    return 0;
}

std::string ModulePath() {
    return twtest::BinDir() + "/libtw_test_hook.so";
}

std::string Line(Helper& helper) {
    return helper.ReadLine(10000);
}

std::string Seen(const char* name, WPARAM w, DWORD thread) {
    return std::string(name) + " " + std::to_string(w) + " " + std::to_string(thread) + " 1";
}

} // namespace

TEST(WinHooks, TheChainRunsNewestFirstAndEachHookPassesTheCallOn) {
    HWND hwnd = CreateWindow(WindowDesc{}, DefWindowProc);
    ASSERT_NE(hwnd, 0u);
    std::vector<WPARAM> dispatched;
    HHOOK functional =
        SetGetMessageHook(0, [](MSG& m) { g_calls.push_back("F " + std::to_string(m.wParam)); });
    HHOOK a = SetWindowsHookEx(WH_GETMESSAGE, &RecordA, nullptr, GetCurrentThreadId());
    HHOOK b = SetWindowsHookEx(WH_GETMESSAGE, &RecordB, nullptr, 0);
    ASSERT_NE(functional, 0u);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_NE(a, functional);
    EXPECT_EQ(CallNextHookEx(a, HC_ACTION, PM_REMOVE, 0), 0) << "outside a hook call";

    auto drain = [&] {
        MSG msg;
        while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
            dispatched.push_back(msg.wParam);
        }
    };
    g_calls.clear();
    PostMessage(hwnd, WM_USER, 1, 0);
    drain();
    // B changes the message before A and the functional hook see it.
    EXPECT_EQ(g_calls, (std::vector<std::string>{"B 1", "A 11", "F 11"}));
    EXPECT_EQ(dispatched, (std::vector<WPARAM>{11}));

    // A procedure that does not pass the call on ends the chain; the message is still returned.
    HHOOK stop = SetWindowsHookEx(WH_GETMESSAGE, &Stop, nullptr, 0);
    g_calls.clear();
    PostMessage(hwnd, WM_USER, 2, 0);
    drain();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"stop"}));
    EXPECT_EQ(dispatched.back(), 2u);

    EXPECT_TRUE(UnhookWindowsHookEx(stop));
    EXPECT_TRUE(UnhookWindowsHookEx(b));
    EXPECT_TRUE(UnhookGetMessageHook(functional)) << "both kinds share one chain and one unhook";
    g_calls.clear();
    PostMessage(hwnd, WM_USER, 3, 0);
    drain();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A 3"}));
    EXPECT_TRUE(UnhookWindowsHookEx(a));
    EXPECT_FALSE(UnhookWindowsHookEx(a));
    DestroyWindow(hwnd);
}

TEST(WinHooks, AHookFromAnotherProcessRunsOnTheHookedThreadForRetrievedMessages) {
    Helper hooked("Hooked Window");
    ASSERT_NE(hooked.Window(), 0u);
    const DWORD thread = hooked.Thread();
    ASSERT_NE(thread, 0u);
    platform::DynLib module;
    ASSERT_TRUE(module.Open(ModulePath())) << module.Error();
    auto proc = module.Function<HOOKPROC>("TestHookFirst");
    ASSERT_NE(proc, nullptr);

    HHOOK hook = SetWindowsHookEx(
        WH_GETMESSAGE, proc, GetModuleHandleFromAddress(reinterpret_cast<void*>(proc)), thread);
    ASSERT_NE(hook, 0u);
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 5, -6));
    // Loaded on the hooked thread when the hook is first called, before the message goes out.
    EXPECT_EQ(Line(hooked), "module loaded " + std::to_string(thread));
    EXPECT_EQ(Line(hooked), Seen("first", 5, thread));
    EXPECT_EQ(Line(hooked), "posted 5 -6");
    // The hook may change the message.
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 7, 1));
    EXPECT_EQ(Line(hooked), Seen("first", 7, thread));
    EXPECT_EQ(Line(hooked), "posted 70 1");
    // A sent message is not retrieved, so not hooked.
    SendMessage(hooked.Window(), WM_USER + 2, 3, 0);
    EXPECT_EQ(Line(hooked), "posted 3 0");

    EXPECT_TRUE(UnhookWindowsHookEx(hook));
    EXPECT_EQ(Line(hooked), "module unloaded");
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 9, 0));
    EXPECT_EQ(Line(hooked), "posted 9 0");
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
}

TEST(WinHooks, HooksOfOneModuleChainAndGoFromEitherProcess) {
    Helper hooked("Chained Window");
    ASSERT_NE(hooked.Window(), 0u);
    const DWORD thread = hooked.Thread();
    HHOOK first = SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "TestHookFirst", thread);
    HHOOK second = SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "TestHookSecond", thread);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_NE(first >> 20, CreateWindow(WindowDesc{}, DefWindowProc) >> 20)
        << "handles of the hooked process";

    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 7, 0));
    EXPECT_EQ(Line(hooked), "module loaded " + std::to_string(thread)) << "one load for both";
    EXPECT_EQ(Line(hooked), Seen("second", 7, thread));
    EXPECT_EQ(Line(hooked), Seen("first", 7, thread));
    EXPECT_EQ(Line(hooked), "posted 70 0");

    // The hooked process removes one itself (as a library does on its shutdown message).
    EXPECT_EQ(SendMessage(hooked.Window(), WM_USER + 8, second, 0), 1);
    EXPECT_FALSE(UnhookWindowsHookEx(second)) << "already gone there";
    HHOOK stop = SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "TestHookStop", thread);
    ASSERT_NE(stop, 0u);
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 5, 0));
    EXPECT_EQ(Line(hooked), Seen("stop", 5, thread));
    EXPECT_EQ(Line(hooked), "posted 5 0");
    EXPECT_TRUE(UnhookWindowsHookEx(stop));
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 6, 0));
    EXPECT_EQ(Line(hooked), Seen("first", 6, thread));
    EXPECT_EQ(Line(hooked), "posted 6 0");

    // The last hook goes: the module is closed, and only then.
    EXPECT_TRUE(UnhookWindowsHookEx(first));
    EXPECT_EQ(Line(hooked), "module unloaded");
    EXPECT_EQ(SendMessage(hooked.Window(), WM_USER + 8, first, 0), 0);
}

TEST(WinHooks, AHookedProcessThatEndsLeavesTheInstallerFine) {
    HHOOK hook = 0;
    DWORD thread = 0;
    {
        Helper hooked("Short-lived Window");
        ASSERT_NE(hooked.Window(), 0u);
        thread = hooked.Thread();
        hook = SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "TestHookFirst", thread);
        ASSERT_NE(hook, 0u);
        ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 1, 0));
        EXPECT_EQ(Line(hooked), "module loaded " + std::to_string(thread));
        EXPECT_EQ(Line(hooked), Seen("first", 1, thread));
        EXPECT_EQ(Line(hooked), "posted 1 0");
        LRESULT r = 0;
        EXPECT_FALSE(SendMessageTimeout(hooked.Window(), WM_USER + 3, 0, 0, 20000, &r));
        EXPECT_EQ(WEXITSTATUS(hooked.Wait()), 3);
    }
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "TestHookFirst", thread), 0u);
}

TEST(WinHooks, AnInstallerThatEndsTakesItsHooksWithIt) {
    Helper hooked("Hooked By Another");
    ASSERT_NE(hooked.Window(), 0u);
    const DWORD thread = hooked.Thread();
    Helper installer("Installer", "TestHelper",
                     {std::to_string(thread), ModulePath(), "TestHookFirst"});
    ASSERT_NE(installer.Window(), 0u);
    ASSERT_NE(installer.Hook(), 0u);
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 4, 0));
    EXPECT_EQ(Line(hooked), "module loaded " + std::to_string(thread));
    EXPECT_EQ(Line(hooked), Seen("first", 4, thread));
    EXPECT_EQ(Line(hooked), "posted 4 0");

    ASSERT_EQ(::kill(installer.Pid(), SIGKILL), 0);
    installer.Wait();
    EXPECT_EQ(Line(hooked), "module unloaded");
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 6, 0));
    EXPECT_EQ(Line(hooked), "posted 6 0");
    EXPECT_FALSE(UnhookWindowsHookEx(installer.Hook()));
}

TEST(WinHooks, HooksThatCannotWorkAreRefusedOrRemoved) {
    const DWORD missing = 0x7FFFFFF0;
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, &RecordA, nullptr, missing), 0u);
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "TestHookFirst", missing), 0u);
    EXPECT_EQ(SetWindowsHookEx(2, &RecordA, nullptr, 0), 0u) << "only get-message hooks";
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, "libtw_test_hook.so", "TestHookFirst", 0), 0u)
        << "a module path must be absolute";
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, nullptr, nullptr, 0), 0u);

    Helper hooked("Refusing Window");
    ASSERT_NE(hooked.Window(), 0u);
    const DWORD thread = hooked.Thread();
    // A procedure of the test program itself cannot be loaded by another process.
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, &RecordA, nullptr, thread), 0u);
    platform::DynLib module;
    ASSERT_TRUE(module.Open(ModulePath())) << module.Error();
    auto proc = module.Function<HOOKPROC>("TestHookFirst");
    EXPECT_EQ(SetWindowsHookEx(WH_GETMESSAGE, proc,
                               GetModuleHandleFromAddress(reinterpret_cast<void*>(&RecordA)),
                               thread),
              0u)
        << "the procedure is not in the module given";

    // A module without the procedure is loaded by the first call, which removes the hook; the
    // module is closed once that call has returned.
    HHOOK noProc = SetWindowsHookEx(WH_GETMESSAGE, ModulePath(), "NoSuchProc", thread);
    ASSERT_NE(noProc, 0u);
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 2, 0));
    EXPECT_EQ(Line(hooked), "module loaded " + std::to_string(thread));
    EXPECT_EQ(Line(hooked), "posted 2 0");
    EXPECT_EQ(Line(hooked), "module unloaded");
    EXPECT_FALSE(UnhookWindowsHookEx(noProc));
    // A module that does not load removes its hook the same way.
    HHOOK noModule = SetWindowsHookEx(WH_GETMESSAGE, "/nonexistent/libnone.so", "Proc", thread);
    ASSERT_NE(noModule, 0u);
    ASSERT_TRUE(PostMessage(hooked.Window(), WM_USER + 2, 3, 0));
    EXPECT_EQ(Line(hooked), "posted 3 0");
    EXPECT_FALSE(UnhookWindowsHookEx(noModule));
}
