#include "HookTestSupport.h"

#include "common/TestEnv.h"
#include "oebridge/SmsMessage.h"
#include "platform/Win.h"

#include <chrono>
#include <condition_variable>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace hooktest {

ProgramWindow::ProgramWindow() {
    std::mutex lock;
    std::condition_variable ready;
    bool started = false;
    m_thread = std::thread([&] {
        const win::UINT show = win::RegisterWindowMessage("QVShowOeWindow");
        win::WindowDesc desc;
        desc.className = "TestProgram";
        desc.title = "TWD_TEST_CALLBACK";
        const win::HWND hwnd = win::CreateWindow(
            desc, [this, show](win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
                if (m == show) {
                    ProgramCall call;
                    call.action = w;
                    if (l != 0) {
                        const auto* sms = reinterpret_cast<const SmsMessage*>(l);
                        call.hasMessage = true;
                        call.sender = sms->GetSender();
                        call.recipients = sms->GetRecipients();
                        call.text = sms->GetText();
                        call.date = sms->GetDate();
                    }
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_calls.push_back(call);
                    return win::LRESULT{0};
                }
                if (m == win::WM_CLOSE) {
                    win::PostQuitMessage(0);
                }
                return win::DefWindowProc(h, m, w, l);
            });
        {
            std::lock_guard<std::mutex> guard(lock);
            m_hwnd = hwnd;
            started = true;
        }
        ready.notify_one();
        win::MSG msg;
        while (win::GetMessage(&msg)) {
            win::DispatchMessage(msg);
        }
        win::DestroyWindow(hwnd);
    });
    std::unique_lock<std::mutex> guard(lock);
    ready.wait(guard, [&] { return started; });
}

ProgramWindow::~ProgramWindow() {
    win::PostMessage(m_hwnd, win::WM_CLOSE, 0, 0);
    m_thread.join();
}

std::vector<ProgramCall> ProgramWindow::Calls() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

ChildProcess::ChildProcess(const std::string& exe) : m_child(exe, {}) {
    m_ready = m_child.Started() && ReadLine(10000) == "ready";
}

ChildProcess::~ChildProcess() = default;

std::string ChildProcess::ReadLine(int timeoutMs) {
    return m_child.ReadLine(std::chrono::milliseconds(timeoutMs));
}

bool ChildProcess::Send(const std::string& command) {
    return m_child.WriteLine(command);
}

std::string ChildProcess::Ask(const std::string& command, int timeoutMs) {
    return Send(command) ? ReadLine(timeoutMs) : std::string();
}

void ChildProcess::Quit() {
    if (!m_child.Started()) {
        return;
    }
    Ask("quit");
    m_child.Wait();
}

bool WaitForFileText(const std::string& path, const std::string& text, int timeoutMs) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const int fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    ::inotify_add_watch(fd, folder.c_str(), IN_MODIFY | IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool found = false;
    for (;;) {
        if (twtest::ReadFile(path).find(text) != std::string::npos) {
            found = true;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) > 0) {
            char events[4096];
            while (::read(fd, events, sizeof events) > 0) {
            }
        }
    }
    ::close(fd);
    return found;
}

} // namespace hooktest
