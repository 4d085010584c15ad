// The hook library's text table (load and lookup) and one click's way from the mail client's
// side through the hook window to the program's window, all in this process.
#include "hook/OeTextTable.h"

#include "platform/DynLib.h"
#include "platform/Registry.h"
#include "platform/Win.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

std::string MakeLanguageFile(int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        text += "Twox.Key" + std::to_string(i) + "=&Text number " + std::to_string(i) +
                "<newline>second line\r\n";
    }
    return text;
}

void BM_TextTableLoad(benchmark::State& state) {
    const std::string file = MakeLanguageFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        OeTextTable table;
        table.LoadText(file);
        benchmark::DoNotOptimize(table.Size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TextTableLoad)->Arg(40)->Arg(400);

void BM_TextTableTranslate(benchmark::State& state) {
    OeTextTable table;
    table.LoadText(MakeLanguageFile(400));
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Translate("Twox.Key" + std::to_string(i++ % 400), "x"));
    }
}
BENCHMARK(BM_TextTableTranslate);

// A thread that owns one window and runs its message loop.
class WindowThread {
public:
    WindowThread(const char* className, win::WNDPROC proc) {
        std::atomic<bool> ready{false};
        m_thread = std::thread([&, proc] {
            win::WindowDesc desc;
            desc.className = className;
            m_hwnd = win::CreateWindow(desc, proc);
            ready = true;
            win::MSG msg;
            while (win::GetMessage(&msg)) {
                win::DispatchMessage(msg);
            }
            win::DestroyWindow(m_hwnd);
        });
        while (!ready) {
            std::this_thread::yield();
        }
    }
    ~WindowThread() {
        win::PostThreadMessage(win::GetWindowThreadProcessId(m_hwnd, nullptr), win::WM_QUIT, 0, 0);
        m_thread.join();
    }
    win::HWND Handle() const { return m_hwnd; }

private:
    std::thread m_thread;
    std::atomic<win::HWND> m_hwnd{0};
};

// Points this process at private folders (registry, temporary folder, runtime folder) with an
// install root, so that the library's handler can be made without touching the user's own.
bool UsePrivateFolders(std::string& base) {
    char root[] = "/tmp/hook_bench.XXXXXX";
    if (::mkdtemp(root) == nullptr) {
        return false;
    }
    base = root;
    for (const char* name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                             "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const std::string folder = base + "/" + name;
        ::mkdir(folder.c_str(), 0700);
        ::setenv(name, folder.c_str(), 1);
    }
    platform::RegKey key;
    return key.Create(platform::RegRoot::CurrentUser,
                      "Software\\Quorvane\\Tidewell Outlook Express\\2.0") &&
           key.SetString("InstallRoot", base);
}

void BM_ClickToProgram(benchmark::State& state) {
    std::string base;
    if (!UsePrivateFolders(base)) {
        state.SkipWithError("no private folders");
        return;
    }
    // Removed last, after the windows and the library are gone.
    struct Remove {
        std::string path;
        ~Remove() { std::filesystem::remove_all(path); }
    } remove{base};
    std::atomic<int> received{0};
    const win::UINT show = win::RegisterWindowMessage("QVShowOeWindow");
    WindowThread program(
        "BenchProgram",
        [&](win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
            if (m == show) {
                ++received;
                return 0;
            }
            return win::DefWindowProc(h, m, w, l);
        });
    WindowThread mailClient("Outlook Express Browser Class", &win::DefWindowProc);
    platform::DynLib library;
    if (!library.Open(TW_TWOX_PATH)) {
        state.SkipWithError(library.Error().c_str());
        return;
    }
    library.Function<void (*)(win::HWND)>("RegisterCallbackWindow")(program.Handle());
    win::HWND hookWindow = 0;
    for (int i = 0; i < 500 && hookWindow == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        hookWindow = win::FindWindow("TwoxHook", "");
    }
    if (hookWindow == 0) {
        state.SkipWithError("no hook window");
        return;
    }
    for (auto _ : state) {
        win::SendMessage(hookWindow, win::WM_USER + 1, 0, 0);
    }
    state.counters["received"] = received.load();
    library.Close();
}
BENCHMARK(BM_ClickToProgram)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
