// Start-up, the event loop of the core thread, shutdown, identity texts and the outbox monitor,
// against a scripted core.
#include "CoreTestFixture.h"
#include "common/Wait.h"

#include "core/CCoreContext.h"
#include "messages/CMMSRecord.h"
#include "messages/CMessageClock.h"
#include "platform/Sync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace coretest {
namespace {

template <class Condition> bool WaitUntil(Condition condition, int ms = 10000) {
    return twtest::WaitUntil(condition, std::chrono::milliseconds(ms),
                             std::chrono::milliseconds(5));
}

class Manager : public CoreFixture {};

TEST_F(Manager, StartsTheCoreWithItsCallbackWindowAndShutsItDownInOrder) {
    Start();
    EXPECT_TRUE(manager->IsInitialised());
    EXPECT_EQ(fake->initializeCalls, 1);
    EXPECT_EQ(fake->productName, kProduct);
    win::HWND window = manager->CallbackWindow();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(fake->callbackWindow, window);
    EXPECT_EQ(win::FindWindow("", "TWD_CORE_CALLBACK_WND"), window);

    // Events posted to the window are handled on the core thread.
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G1"] = {1, 0, 3, 0, "", ""};
    static const char guid[] = "G1";
    ASSERT_TRUE(win::PostMessage(window, WM_CORE_EVENT, QVStatusSendMessageInfoID,
                                 reinterpret_cast<win::LPARAM>(guid)));
    EXPECT_TRUE(WaitUntil([&] { return store->SentboxGetRecord("G1") != nullptr; }));

    MarkLog();
    manager.reset();
    EXPECT_EQ(fake->startShutdownCalls, 1);
    EXPECT_EQ(fake->shutdownCalls, 1);
    EXPECT_FALSE(win::IsWindow(window));
    std::string log = NewLog();
    std::size_t start = log.find("Calling QVStartShutdown()");
    std::size_t shutdownEvent = log.find("[CMgmtCore::OnQVShutdownID] Enter");
    std::size_t end = log.find("Calling QVShutdown()");
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(shutdownEvent, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(start, shutdownEvent);
    EXPECT_LT(shutdownEvent, end);
}

TEST_F(Manager, FailedInitialisationShowsTheCriticalBoxOnceAndNeverShutsDown) {
    fake->initializeResult = 0;
    MarkLog();
    Start(true);
    EXPECT_FALSE(manager->IsInitialised());
    EXPECT_EQ(manager->CallbackWindow(), 0u);
    ASSERT_EQ(boxes->CallCount(), 1u);
    auto call = boxes->Calls()[0];
    EXPECT_EQ(call.text, "An error occured due to incorrect settings. Please reinstall "
                         "Tidewell Windows");
    EXPECT_EQ(call.caption, kProduct);
    EXPECT_EQ(call.type & win::MB_ICONMASK, win::MB_ICONSTOP);
    EXPECT_NE(call.type & win::MB_SYSTEMMODAL, 0u);
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "Error: QVInitialize call failed"));
    EXPECT_FALSE(Contains(log, "ThreadSessionOutboxMonitor"));
    manager.reset();
    EXPECT_EQ(fake->startShutdownCalls, 0);
    EXPECT_EQ(fake->shutdownCalls, 0);
    EXPECT_EQ(boxes->CallCount(), 1u);
}

TEST_F(Manager, FailedStartShutdownSkipsQVShutdownButStillEndsTheThread) {
    Start();
    fake->startShutdownResult = 0;
    win::HWND window = manager->CallbackWindow();
    MarkLog();
    manager.reset();
    EXPECT_EQ(fake->shutdownCalls, 0);
    EXPECT_FALSE(win::IsWindow(window));
    EXPECT_TRUE(Contains(NewLog(), "ERROR: Call to QVStartShutdown failed"));
}

TEST_F(Manager, UnknownEventCodesAreLoggedAndChangeNothing) {
    Start();
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    MarkLog();
    EXPECT_EQ(manager->OnCoreMessage(5, "G1"), 0);
    EXPECT_EQ(manager->OnCoreMessage(7, nullptr), 0);
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "Unknown message [5] recived from core"));
    EXPECT_TRUE(Contains(log, "Unknown message [7] recived from core"));
    EXPECT_EQ(store->OutboxGetRecord("G1")->Status, MSGSTATUS_AWAITING_ID);
    EXPECT_TRUE(fake->Updates().empty());
}

TEST_F(Manager, IdentityTextsAreCutTo31Bytes) {
    settings->defaultAccount = std::string(40, 'a');
    settings->language = "en";
    // 30 ASCII bytes and a two-byte character: the character is not cut in half.
    settings->msisdnOriginator = std::string(30, '1') + "\xC3\xA9" + "tail";
    Start();
    CoreIdentity id = manager->Identity();
    EXPECT_EQ(id.accountId, std::string(31, 'a'));
    EXPECT_EQ(id.msisdnOriginator, std::string(30, '1'));
    EXPECT_EQ(id.language, "en");
    EXPECT_EQ(id.ipAddress, "192.0.2.7");
    EXPECT_EQ(CCoreContext::CutIdentityText(std::string(29, 'x') + "\xC3\xA9"),
              std::string(29, 'x') + "\xC3\xA9");
}

TEST_F(Manager, StartResumesTheSubscriptionOfWaitingMessages) {
    CSMSRecord r = Sms("A", "+111", MSGSTATUS_NOT_SENT);
    store->OutboxAddRecord(r);
    store->OutboxMoveToSentbox("A");
    r.Status = MSGSTATUS_AWAITING_STATUS;
    r.iLowID = 12;
    store->SentboxModifyRecord(r);
    Start();
    ASSERT_EQ(fake->Updates().size(), 1u);
    EXPECT_EQ(fake->Updates()[0].lowId, 12);
    EXPECT_EQ(fake->Updates()[0].accountId, "4711");
}

class Connectivity : public CConnectivity {
public:
    State Query() const override { return state; }
    State state;
};

TEST_F(Manager, InternetCheckReportsTheConnectionAndTheModem) {
    CoreOptions options;
    auto connectivity = std::make_shared<Connectivity>();
    options.connectivity = connectivity;
    Start(false, options);
    bool modem = true;
    connectivity->state = {true, false};
    EXPECT_TRUE(manager->IsInternetAvalible(&modem));
    EXPECT_FALSE(modem);
    EXPECT_TRUE(manager->InternetAvailable());
    connectivity->state = {false, true};
    MarkLog();
    EXPECT_FALSE(manager->IsInternetAvalible(&modem));
    EXPECT_TRUE(modem);
    EXPECT_FALSE(manager->InternetAvailable());
    EXPECT_TRUE(Contains(NewLog(), "InternetGetConnectedState reports no internet connection"));
    EXPECT_FALSE(manager->IsInternetAvalible(nullptr));
}

class Monitor : public CoreFixture {
protected:
    void TearDown() override {
        CMessageClock::SetNowFunction(nullptr);
        CoreFixture::TearDown();
    }
};

TEST_F(Monitor, SendsDueRecordsAndLeavesTheRest) {
    CSMSRecord due = Sms("OLD-1", "+111, +222", MSGSTATUS_NOT_SENT);
    due.TruncateMode = 1;
    due.Originator = "Ann";
    due.FlashMode = "16";
    store->OutboxAddRecord(due);
    CSMSRecord future = Sms("OLD-2", "+333", MSGSTATUS_NOT_SENT);
    future.SetDateTime(CMessageClock::Now() + std::chrono::hours(24));
    store->OutboxAddRecord(future);
    store->OutboxAddRecord(Sms("OLD-3", "+444", MSGSTATUS_ERROR));
    store->OutboxAddRecord(Sms("OLD-4", "+555", MSGSTATUS_AWAITING_ID));
    CMMSRecord mms;
    mms.GUID = "OLD-5";
    mms.SetRecipients("+666");
    store->OutboxAddRecord(mms);

    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() >= 1; }));
    auto sent = fake->Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].recipients, "+111,+222");
    EXPECT_EQ(sent[0].truncateMode, "split");
    EXPECT_EQ(sent[0].flashMode, "16");
    EXPECT_EQ(sent[0].originator, "Ann");
    EXPECT_EQ(sent[0].accountId, "4711");
    EXPECT_EQ(sent[0].applicationId, kAppId);
    EXPECT_EQ(sent[0].language, "en");
    EXPECT_EQ(sent[0].ipAddress, "192.0.2.7");
    ASSERT_TRUE(WaitUntil([&] { return store->OutboxGetRecord(sent[0].guid) != nullptr; }));
    EXPECT_EQ(store->OutboxGetRecord(sent[0].guid)->Status, MSGSTATUS_AWAITING_ID);
    EXPECT_EQ(store->OutboxGetRecord("OLD-1"), nullptr);
    EXPECT_EQ(store->OutboxGetRecord("OLD-2")->Status, MSGSTATUS_NOT_SENT);
    EXPECT_EQ(store->OutboxGetRecord("OLD-5")->Status, MSGSTATUS_NOT_SENT);

    // Once the due time has come, the next scan sends it.
    CMessageClock::SetNowFunction(
        [] { return CMessageClock::SystemNow() + std::chrono::hours(25); });
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() >= 2; }));
    EXPECT_EQ(fake->Sent()[1].recipients, "+333");
    EXPECT_EQ(fake->Sent()[1].truncateMode, "reject");
    EXPECT_EQ(fake->Sent().size(), 2u);
}

TEST_F(Monitor, TruncateModesFollowTheSplitSetting) {
    settings->splitUpType = 1;
    CSMSRecord concat = Sms("A", "+111", MSGSTATUS_NOT_SENT);
    concat.TruncateMode = 1;
    CSMSRecord reject = Sms("B", "+111", MSGSTATUS_NOT_SENT);
    reject.TruncateMode = 2;
    store->OutboxAddRecord(concat);
    store->OutboxAddRecord(reject);
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() >= 2; }));
    EXPECT_EQ(fake->Sent()[0].truncateMode, "concat");
    EXPECT_EQ(fake->Sent()[1].truncateMode, "reject");
}

TEST_F(Monitor, RefusedSendKeepsTheRecordForTheNextScan) {
    fake->sendResult = 0;
    store->OutboxAddRecord(Sms("A", "+111", MSGSTATUS_NOT_SENT));
    MarkLog();
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() >= 1; }));
    // Back as it was, under its own GUID.
    ASSERT_TRUE(WaitUntil([&] {
        auto record = store->OutboxGetRecord("A");
        return record != nullptr && record->Status == MSGSTATUS_NOT_SENT;
    }));
    fake->sendResult = 1;
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() >= 2; }));
    ASSERT_TRUE(WaitUntil([&] { return store->OutboxGetRecord("A") == nullptr; }));
    EXPECT_TRUE(Contains(NewLog(), "Error: Call to QVSendMessage failed"));
}

TEST_F(Monitor, AMonitorThatDoesNotStopInTimeIsLeftToEndOnItsOwn) {
    std::mutex lock;
    std::condition_variable changed;
    bool release = false;
    std::atomic<bool> inSend{false};
    fake->beforeSend = [&] {
        inSend = true;
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return release; });
    };
    store->OutboxAddRecord(Sms("A", "+111", MSGSTATUS_NOT_SENT));
    CoreOptions options;
    options.monitorStopTimeoutMs = 200;
    Start(true, options);
    ASSERT_TRUE(WaitUntil([&] { return inSend.load(); }));
    MarkLog();
    manager.reset(); // returns although the monitor is still inside the send
    EXPECT_TRUE(Contains(NewLog(), "Warning: Terminating Outbox monitor thread. Internet "
                                   "connection problem?"));
    EXPECT_EQ(fake->shutdownCalls, 1);
    std::weak_ptr<CMgmtSMS> weakStore = store;
    store.reset(); // the monitor still co-owns the store
    EXPECT_FALSE(weakStore.expired());
    {
        std::lock_guard<std::mutex> guard(lock);
        release = true;
    }
    changed.notify_all();
    EXPECT_TRUE(WaitUntil([&] { return weakStore.expired(); }));
}

} // namespace
} // namespace coretest
