// Events reach a real callback window on a thread of its own, the way the program's core
// thread receives them, and the GUID texts they carry stay readable until fetched.
#include "CoreHarness.h"

#include "platform/Win.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

class CallbackWindow {
public:
    CallbackWindow() {
        m_thread = std::thread([this] { Run(); });
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_window != 0 || m_failed; });
    }
    ~CallbackWindow() {
        if (m_thread.joinable()) {
            win::PostMessage(m_window, win::WM_CLOSE, 0, 0);
            m_thread.join();
        }
    }

    QVHWND Handle() const { return m_window; }

    // Waits until `count` events have arrived; false after a few seconds.
    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_events.size() >= count; });
    }
    std::vector<cctest::Event> Events() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }
    void Join() { m_thread.join(); }

private:
    void Run() {
        win::HWND hwnd = win::CreateWindow(
            {"TWD_CORE_CALLBACK_TEST", "TWD_CORE_CALLBACK_WND", 0, 666},
            [this](win::HWND h, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
                if (msg == WM_CORE_EVENT) {
                    cctest::Event e;
                    e.code = wParam;
                    e.pointer = reinterpret_cast<const char*>(lParam);
                    if (e.pointer != nullptr) {
                        e.guid = e.pointer; // copied at once, as the program does
                    }
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_events.push_back(e);
                    m_changed.notify_all();
                    if (wParam == QVShutdownID) {
                        win::DestroyWindow(h);
                        win::PostQuitMessage(0);
                    }
                    return win::LRESULT{0};
                }
                if (msg == win::WM_CLOSE) {
                    win::DestroyWindow(h);
                    win::PostQuitMessage(0);
                    return win::LRESULT{0};
                }
                return win::DefWindowProc(h, msg, wParam, lParam);
            });
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_window = hwnd;
            m_failed = hwnd == 0;
            m_changed.notify_all();
        }
        win::MSG msg;
        while (hwnd != 0 && win::GetMessage(&msg)) {
            win::DispatchMessage(msg);
        }
    }

    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_changed;
    win::HWND m_window = 0;
    bool m_failed = false;
    std::vector<cctest::Event> m_events;
};

TEST(ClientCoreWindow, EventsArriveAsWindowMessagesUntilShutdown) {
    cctest::Harness core;
    QVTestSetEventSink(nullptr, nullptr); // post to the real window
    CallbackWindow window;
    ASSERT_NE(window.Handle(), 0u);
    ASSERT_EQ(QVInitialize(cctest::Harness::kProduct, window.Handle(), 0), 1)
        << QVGetLastErrorText();

    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(core.Send(id, "hello", "+447700900111", "concat", &guid), 1);
    core.Advance(1000);
    ASSERT_TRUE(window.WaitFor(2));
    auto events = window.Events();
    EXPECT_EQ(events[0].code, QVStatusSendMessageInfoID);
    EXPECT_EQ(events[0].guid, guid);
    EXPECT_EQ(events[1].code, QVStatusMessageInfoID);
    EXPECT_EQ(core.FetchSendResult(guid).errorFlag, 0);
    cctest::StatusReport report = core.FetchStatus(events[1].guid);
    EXPECT_EQ(report.code, "Pdelivering");
    EXPECT_STREQ(events[1].pointer, events[1].guid.c_str());

    ASSERT_EQ(QVStartShutdown(), 1);
    ASSERT_TRUE(window.WaitFor(3));
    EXPECT_EQ(window.Events()[2].code, QVShutdownID);
    window.Join(); // the window's thread ends on event 99, as the program's core thread does
    EXPECT_EQ(QVShutdown(), 1);
}

} // namespace
