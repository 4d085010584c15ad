#include "common/TestEnv.h"

#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/Win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

constexpr win::UINT kDataChanged = 0x047C;
constexpr win::UINT kFlush = win::WM_USER + 77;
constexpr win::UINT kStop = win::WM_USER + 78;

// A window on a thread of its own that counts the change messages it receives. Flush() posts a
// marker behind everything queued so far and waits until the window has handled it.
class CountingWindow {
public:
    CountingWindow() {
        std::promise<win::HWND> created;
        auto ready = created.get_future();
        m_thread = std::thread([this, &created] {
            win::HWND hwnd = win::CreateWindow({"StoreNotifyTest", "counting window", 0, 0},
                                               [this](win::HWND self, win::UINT msg, win::WPARAM wp,
                                                      win::LPARAM lp) -> win::LRESULT {
                                                   if (msg == kDataChanged) {
                                                       if (wp != 0 || lp != 0) {
                                                           ++m_badParameters;
                                                       }
                                                       ++m_count;
                                                   } else if (msg == kFlush) {
                                                       m_flushed.set_value();
                                                   } else if (msg == kStop) {
                                                       win::DestroyWindow(self);
                                                       win::PostQuitMessage(0);
                                                   }
                                                   return win::DefWindowProc(self, msg, wp, lp);
                                               });
            created.set_value(hwnd);
            win::MSG msg;
            while (hwnd != 0 && win::GetMessage(&msg)) {
                win::DispatchMessage(msg);
            }
        });
        m_hwnd = ready.get();
    }
    ~CountingWindow() {
        if (m_hwnd != 0) {
            win::PostMessage(m_hwnd, kStop, 0, 0);
        }
        m_thread.join();
    }
    win::HWND Handle() const { return m_hwnd; }
    int Flush() {
        m_flushed = std::promise<void>();
        auto done = m_flushed.get_future();
        EXPECT_TRUE(win::PostMessage(m_hwnd, kFlush, 0, 0));
        EXPECT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        return m_count.exchange(0);
    }
    int BadParameters() const { return m_badParameters.load(); }

private:
    std::thread m_thread;
    win::HWND m_hwnd = 0;
    std::atomic<int> m_count{0};
    std::atomic<int> m_badParameters{0};
    std::promise<void> m_flushed;
};

CSMSRecord Sms(const std::string& guid) {
    CSMSRecord sms;
    sms.GUID = guid;
    sms.SetRecipients("+111");
    return sms;
}

TEST(StoreNotify, CountsOfChanges) {
    CountingWindow window;
    ASSERT_NE(window.Handle(), 0u);
    CMgmtSMS store(twtest::MakeTempDir("notify") + "/TWD");
    store.SubscribeNotifyWnd(window.Handle(), kDataChanged);

    for (const char* g : {"A", "B", "C", "D"}) {
        ASSERT_TRUE(store.OutboxAddRecord(Sms(g)));
    }
    EXPECT_EQ(window.Flush(), 4);

    // A move notifies once.
    ASSERT_TRUE(store.OutboxMoveToSentbox("A"));
    EXPECT_EQ(window.Flush(), 1);
    // A failed move or lookup does not notify.
    EXPECT_FALSE(store.OutboxMoveToSentbox("A"));
    EXPECT_EQ(store.OutboxGetRecord("A"), nullptr);
    EXPECT_EQ(window.Flush(), 0);

    // Modifying notifies once (the save adds nothing).
    ASSERT_TRUE(store.OutboxModifyRecord(Sms("B")));
    EXPECT_EQ(window.Flush(), 1);

    // Batch deletion: every deletion notifies, the closing save does not.
    store.SetPersistence(false);
    ASSERT_TRUE(store.OutboxDelRecord("B"));
    ASSERT_TRUE(store.OutboxDelRecord("C"));
    ASSERT_TRUE(store.SentboxDelRecord("A"));
    EXPECT_FALSE(store.OutboxDelRecord("missing"));
    store.SetPersistence(true);
    store.SaveAll();
    EXPECT_EQ(window.Flush(), 3);

    // After unsubscribing nothing arrives.
    store.UnSubscribeNotifyWnd();
    ASSERT_TRUE(store.OutboxDelRecord("D"));
    EXPECT_EQ(window.Flush(), 0);
    EXPECT_EQ(window.BadParameters(), 0);
}

TEST(StoreNotify, NotifyingDoesNotWaitForTheWindow) {
    // A subscriber whose thread is busy must not hold up the store.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<win::HWND> created;
    auto ready = created.get_future();
    std::thread busy([&] {
        win::HWND hwnd = win::CreateWindow({"StoreNotifyBusy", "busy", 0, 0}, win::DefWindowProc);
        created.set_value(hwnd);
        released.wait();
        win::DestroyWindow(hwnd);
    });
    win::HWND hwnd = ready.get();
    CMgmtSMS store(twtest::MakeTempDir("notify-busy") + "/TWD");
    store.SubscribeNotifyWnd(hwnd, kDataChanged);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(store.OutboxAddRecord(Sms(std::to_string(i))));
    }
    release.set_value();
    busy.join();
}

} // namespace
