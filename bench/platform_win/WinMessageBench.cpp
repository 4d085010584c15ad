// Cost of the in-process message paths: a post and its dispatch on one thread, a post to a
// loop on another thread, a send to another thread (two thread switches), events, and a post
// retrieved through a chain of get-message hooks.
#include "platform/Sync.h"
#include "platform/Win.h"
#include "platform/WinHooks.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using namespace win;

namespace {

HWND CountingWindow(long* counter) {
    WindowDesc desc;
    desc.title = "bench";
    return CreateWindow(desc, [counter](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            ++*counter;
        }
        return 1;
    });
}

void BM_PostAndDispatchSameThread(benchmark::State& state) {
    long count = 0;
    HWND hwnd = CountingWindow(&count);
    MSG msg;
    for (auto _ : state) {
        PostMessage(hwnd, WM_USER, 1, 2);
        PeekMessage(&msg, 0, 0, 0, PM_REMOVE);
        DispatchMessage(msg);
    }
    DestroyWindow(hwnd);
    benchmark::DoNotOptimize(count);
}
BENCHMARK(BM_PostAndDispatchSameThread);

void BM_PostBurstThenDrain(benchmark::State& state) {
    long count = 0;
    HWND hwnd = CountingWindow(&count);
    MSG msg;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            PostMessage(hwnd, WM_USER, static_cast<WPARAM>(i), 0);
        }
        while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
            DispatchMessage(msg);
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    DestroyWindow(hwnd);
}
BENCHMARK(BM_PostBurstThenDrain);

// A window on a loop thread.
struct Loop {
    long count = 0;
    HWND hwnd = 0;
    std::unique_ptr<Thread> thread;
    Loop() {
        Event ready(true, false);
        thread = std::make_unique<Thread>([this, &ready]() -> DWORD {
            hwnd = CountingWindow(&count);
            ready.Set();
            MSG msg;
            while (GetMessage(&msg)) {
                DispatchMessage(msg);
            }
            DestroyWindow(hwnd);
            return 0;
        });
        WaitForSingleObject(ready, INFINITE);
    }
    ~Loop() {
        PostThreadMessage(thread->Id(), WM_QUIT, 0, 0);
        thread->Join();
    }
};

void BM_SendToAnotherThread(benchmark::State& state) {
    Loop loop;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessage(loop.hwnd, WM_USER, 0, 0));
    }
}
BENCHMARK(BM_SendToAnotherThread)->UseRealTime();

void BM_PostToAnotherThread(benchmark::State& state) {
    Loop loop;
    for (auto _ : state) {
        PostMessage(loop.hwnd, WM_USER, 0, 0);
    }
    SendMessage(loop.hwnd, WM_NULL, 0, 0); // let the loop catch up before it is stopped
}
BENCHMARK(BM_PostToAnotherThread)->UseRealTime();

void BM_EventSetAndWait(benchmark::State& state) {
    Event e(false, false);
    for (auto _ : state) {
        e.Set();
        benchmark::DoNotOptimize(WaitForSingleObject(e, 0));
    }
}
BENCHMARK(BM_EventSetAndWait);

void BM_RegisterWindowMessageKnownName(benchmark::State& state) {
    RegisterWindowMessage("BenchName");
    for (auto _ : state) {
        benchmark::DoNotOptimize(RegisterWindowMessage("BenchName"));
    }
}
BENCHMARK(BM_RegisterWindowMessageKnownName);

} // namespace

LRESULT PassOn(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(0, code, wParam, lParam);
}

// Argument: number of C-procedure hooks on the thread.
void BM_PostAndDispatchThroughHooks(benchmark::State& state) {
    long count = 0;
    HWND hwnd = CountingWindow(&count);
    std::vector<HHOOK> hooks;
    for (int64_t i = 0; i < state.range(0); ++i) {
        hooks.push_back(SetWindowsHookEx(WH_GETMESSAGE, &PassOn, nullptr, 0));
    }
    MSG msg;
    for (auto _ : state) {
        PostMessage(hwnd, WM_USER, 1, 2);
        PeekMessage(&msg, 0, 0, 0, PM_REMOVE);
        DispatchMessage(msg);
    }
    for (HHOOK hook : hooks) {
        UnhookWindowsHookEx(hook);
    }
    DestroyWindow(hwnd);
    benchmark::DoNotOptimize(count);
}
BENCHMARK(BM_PostAndDispatchThroughHooks)->Arg(0)->Arg(1)->Arg(4);

BENCHMARK_MAIN();
