// The core manager with the real client core library and its embedded service, on a clock the
// test moves: messages go from the outbox to final in the sentbox, wait for their time, survive
// an outage and a restart.
#include "CoreTestFixture.h"
#include "common/Wait.h"

#include "clientcore/QVClientCoreTesting.h"
#include "core/CQVClientCoreLib.h"
#include "messages/CMessageClock.h"
#include "platform/Registry.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace coretest {
namespace {

const char* const kCoreKey = "Software\\Quorvane\\Tidewell Windows\\2.0\\Core";

std::atomic<std::int64_t> g_engineNow{1'800'000'000'000};

std::int64_t EngineClock(void*) {
    return g_engineNow.load();
}

template <class Condition> bool WaitUntil(Condition condition, int ms = 10000) {
    return twtest::WaitUntil(condition, std::chrono::milliseconds(ms),
                             std::chrono::milliseconds(2));
}

void SetOutage(std::uint32_t value) {
    platform::RegKey key;
    ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, kCoreKey));
    ASSERT_TRUE(key.SetDWORD("SimulateOutage", value));
}

class Integration : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        QVTestSetClock(&EngineClock, nullptr);
        QVTestSetDelays(200, 1000, 5000);
        QVTestSetEventSink(nullptr, nullptr);
        settings->defaultAccount.clear();
        SetOutage(0);
    }
    void TearDown() override {
        CoreFixture::TearDown();
        CMessageClock::SetNowFunction(nullptr);
        QVTestSetClock(nullptr, nullptr);
    }

    void StartReal() {
        CoreOptions options;
        options.localAddress = std::make_shared<std::string>("127.0.0.1");
        manager =
            std::make_unique<CMgmtCore>(settings, store, nullptr, kProduct, kAppId, kAccountsKey,
                                        std::make_shared<CQVClientCoreLib>(), options);
        ASSERT_TRUE(manager->IsInitialised());
        handedBase = 0;
    }

    void Advance(std::int64_t ms) {
        g_engineNow += ms;
        ASSERT_EQ(QVTestRunDue(), 1);
    }

    // Registers through the manager and waits for the account data.
    std::string Register() {
        std::size_t before = settings->Writes().size();
        EXPECT_TRUE(manager->CORE_RegisterEx());
        std::string id = settings->defaultAccount;
        EXPECT_EQ(QVTestRunDue(), 1);
        EXPECT_TRUE(WaitUntil([&] { return settings->Writes().size() >= before + 22; }));
        return id;
    }

    std::string Account(const std::string& name) {
        std::string value;
        for (const auto& w : settings->Writes()) {
            if (w.name == name) {
                value = w.value;
            }
        }
        return value;
    }

    CSMSRecord Due(const std::string& guid, const std::string& account,
                   const std::string& recipients) {
        CSMSRecord r = Sms(guid, recipients, MSGSTATUS_NOT_SENT);
        r.AccountID = account;
        r.TruncateMode = 1;
        return r;
    }

    // Outbox record count with a status.
    std::int32_t OutboxCount(std::int32_t status) {
        MessageRecordList list;
        return store->OutboxGetRecords(list, status);
    }
    std::int32_t SentboxCount(std::int32_t status) {
        MessageRecordList list;
        return store->SentboxGetRecords(list, status);
    }
    // Waits until the monitor has handed over `count` more records to the core (their send
    // keys are saved before the hand-over, so the outbox alone cannot tell).
    bool Handed(std::int32_t count) {
        const std::uint64_t target = handedBase + static_cast<std::uint64_t>(count);
        bool ok = WaitUntil([&] {
            return OutboxCount(MSGSTATUS_AWAITING_ID) == count && manager->HandedOver() >= target;
        });
        handedBase = manager->HandedOver();
        return ok;
    }
    std::uint64_t handedBase = 0;
};

TEST_F(Integration, RegistrationFillsEveryAccountSetting) {
    StartReal();
    std::string id = Register();
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(Account("DefaultAccount"), id);
    EXPECT_EQ(Account("AccountID"), id);
    EXPECT_EQ(Account("AccountType"), "prepaid");
    EXPECT_EQ(Account("PrepaidBalance"), "50");
    EXPECT_EQ(Account("MessageLength"), "160");
    EXPECT_EQ(Account("TextOriginator"), "Tidewell");
    EXPECT_EQ(Account("ReplyOriginator"), "+447700900000");
    EXPECT_EQ(Account("AllowOriginator"), "1");
    EXPECT_EQ(Account("AllowMsIsdnOriginator"), "1");
    EXPECT_EQ(Account("MsisdnOriginator").rfind("+447700900", 0), 0u);
    EXPECT_EQ(manager->Identity().accountId, id);
    EXPECT_EQ(manager->Identity().msisdnOriginator, Account("MsisdnOriginator"));
    for (const auto& w : settings->Writes()) {
        EXPECT_EQ(w.account, id) << w.name;
    }
}

TEST_F(Integration, AnOutboxRecordReachesTheSentboxAndBecomesFinal) {
    StartReal();
    std::string id = Register();
    ASSERT_TRUE(store->OutboxAddRecord(Due("LOCAL-1", id, "+447700900111,+447700900222")));
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(1));

    Advance(200); // send result
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_AWAITING_STATUS) == 1; }));
    EXPECT_EQ(OutboxCount(0), 0);
    Advance(1000); // first report
    Advance(5000); // final report, once the manager subscribed
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_FINAL) == 1; }));
    MessageRecordList sent;
    store->SentboxGetRecords(sent, 0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]->Recipients[0].StatusText, "Delivered");
    EXPECT_EQ(sent[0]->Recipients[1].StatusText, "Delivered");

    // The final record reaches the disk with the next grouped save.
    EXPECT_TRUE(WaitUntil([&] {
        MessageRecordList onDisk;
        std::string error;
        return CMgmtMessages::ReadFolderData(twtest::ReadFile(store->SentboxPath()), onDisk,
                                             error) &&
               onDisk.size() == 1 && onDisk[0]->Status == MSGSTATUS_FINAL;
    }));
}

TEST_F(Integration, AScheduledRecordWaitsUntilItIsDue) {
    StartReal();
    std::string id = Register();
    static std::atomic<long> offsetHours{0};
    offsetHours = 0;
    CMessageClock::SetNowFunction(
        [] { return CMessageClock::SystemNow() + std::chrono::hours(offsetHours.load()); });
    CSMSRecord later = Due("LATER", id, "+447700900111");
    later.SetDateTime(CMessageClock::Now() + std::chrono::hours(2));
    store->OutboxAddRecord(later);
    const std::uint64_t scans = manager->ScansDone();
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(WaitUntil([&] { return manager->ScansDone() > scans; }));
    EXPECT_EQ(OutboxCount(MSGSTATUS_NOT_SENT), 1);

    offsetHours = 3;
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(1));
    Advance(200);
    Advance(1000);
    Advance(5000);
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_FINAL) == 1; }));
}

TEST_F(Integration, AnOutageKeepsRecordsInTheOutboxUntilItEnds) {
    StartReal();
    std::string id = Register();
    SetOutage(1);
    for (int i = 0; i < 3; ++i) {
        store->OutboxAddRecord(
            Due("OUT-" + std::to_string(i), id, "+44770090011" + std::to_string(i)));
    }
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(3));
    Advance(200);
    ASSERT_TRUE(WaitUntil([&] { return OutboxCount(MSGSTATUS_NOT_SENT) == 3; }));
    MessageRecordList waiting;
    store->OutboxGetRecords(waiting, MSGSTATUS_NOT_SENT);
    for (const auto& r : waiting) {
        EXPECT_EQ(r->ErrorText, "Awaiting server connection...");
    }
    EXPECT_EQ(boxes->CallCount(), 0u);

    // Still down at the next scan ("Server not avail" this time).
    SetOutage(2);
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(3));
    Advance(200);
    ASSERT_TRUE(WaitUntil([&] { return OutboxCount(MSGSTATUS_NOT_SENT) == 3; }));

    SetOutage(0);
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(3));
    Advance(200);
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_AWAITING_STATUS) == 3; }));
    Advance(1000);
    Advance(5000);
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_FINAL) == 3; }));
    EXPECT_EQ(OutboxCount(0), 0);
    EXPECT_EQ(boxes->CallCount(), 0u);

    // Each message was charged exactly once.
    std::size_t before = settings->Writes().size();
    ASSERT_TRUE(manager->CORE_RequestAccountUpdate());
    ASSERT_EQ(QVTestRunDue(), 1);
    ASSERT_TRUE(WaitUntil([&] { return settings->Writes().size() >= before + 22; }));
    EXPECT_EQ(Account("PrepaidBalance"), "47");
}

TEST_F(Integration, ARestartAfterTheFirstReportStillEndsFinal) {
    StartReal();
    std::string id = Register();
    store->OutboxAddRecord(Due("EARLY", id, "+447700900111"));
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(1));
    Advance(200);
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_AWAITING_STATUS) == 1; }));
    Advance(1000); // the first report arrives; the final one waits for the subscription
    ASSERT_TRUE(WaitUntil([&] {
        MessageRecordList list;
        store->SentboxGetRecords(list, 0);
        return list.size() == 1 && list[0]->StatusQueryCount == 1;
    }));
    manager.reset();

    // The next run: a new store over the same files, a new manager over the same service.
    store = std::make_shared<CMgmtSMS>(folder);
    g_engineNow += 60000;
    settings->defaultAccount = id;
    StartReal();
    Advance(0);
    Advance(5000);
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_FINAL) == 1; }));
}

TEST_F(Integration, ARestartBeforeTheSendResultStillEndsFinal) {
    StartReal();
    std::string id = Register();
    store->OutboxAddRecord(Due("LATE", id, "+447700900222"));
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(Handed(1)); // accepted; the send result is not out before the exit
    manager.reset();

    store = std::make_shared<CMgmtSMS>(folder);
    g_engineNow += 60000;
    settings->defaultAccount = id;
    StartReal();
    Advance(0);
    Advance(5000);
    Advance(5000);
    ASSERT_TRUE(WaitUntil([&] { return SentboxCount(MSGSTATUS_FINAL) == 1; }));
    EXPECT_EQ(OutboxCount(0), 0);
}

} // namespace
} // namespace coretest
