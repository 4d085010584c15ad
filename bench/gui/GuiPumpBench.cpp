// How fast a message sent from another thread to a window of the GUI thread is answered
// while the Qt loop runs, with the loop idle and with a modal dialog open, and how long a
// burst of posted messages takes to drain. The sender waits for each answer, so one
// iteration is one full round trip: wake the Qt loop, dispatch, reply.
#include "gui/CGuiStartup.h"

#include "platform/Win.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

namespace {

std::unique_ptr<QApplication> g_app;
win::HWND g_window = 0;
std::atomic<int> g_posted{0};

// Runs `work` on another thread while the GUI thread runs its Qt loop (inside a modal
// dialog when `modal`), until the work is done.
void WithQtLoop(bool modal, const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
        win::PostMessage(g_window, win::WM_USER + 9, 0, 0); // wakes the loop to notice
    });
    QDialog dialog;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done) {
            modal ? dialog.reject() : QApplication::exit(0);
        }
    });
    check.start();
    if (modal) {
        dialog.exec();
    } else {
        QApplication::exec();
    }
    worker.join();
}

void BM_SendRoundTrip(benchmark::State& state) {
    const bool modal = state.range(0) != 0;
    WithQtLoop(modal, [&] {
        for (auto _ : state) {
            benchmark::DoNotOptimize(win::SendMessage(g_window, win::WM_USER + 1, 0, 0));
        }
    });
    state.SetLabel(modal ? "modal dialog open" : "idle loop");
}
BENCHMARK(BM_SendRoundTrip)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_DrainPostedBurst(benchmark::State& state) {
    const int burst = static_cast<int>(state.range(0));
    WithQtLoop(false, [&] {
        for (auto _ : state) {
            g_posted = 0;
            for (int i = 0; i < burst; ++i) {
                win::PostMessage(g_window, win::WM_USER + 2, 0, 0);
            }
            while (g_posted.load() < burst) {
                std::this_thread::yield();
            }
        }
    });
    state.SetItemsProcessed(state.iterations() * burst);
}
BENCHMARK(BM_DrainPostedBurst)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    g_app = CGuiStartup::TryCreateApplication(qtArgc, argv);
    if (!g_app) {
        return 1;
    }
    win::WindowDesc desc;
    desc.className = "TW_BENCH_TARGET";
    g_window = win::CreateWindow(
        desc, [](win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) -> win::LRESULT {
            if (msg == win::WM_USER + 2) {
                ++g_posted;
            }
            return msg == win::WM_USER + 1 ? 1 : 0;
        });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    win::DestroyWindow(g_window);
    CGuiStartup::Shutdown();
    g_app.reset();
    return 0;
}
