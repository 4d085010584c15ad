// The core manager at the instants where a stop of the program used to lose or double a
// message: the send key is on disk before the hand-over, records left waiting for their id are
// reconciled at start, and fetched results are confirmed only once their effect is saved.
#include "CoreTestFixture.h"
#include "common/Wait.h"

#include "core/CCoreContext.h"
#include "messages/CMessageClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace coretest {
namespace {

template <class Condition> bool WaitUntil(Condition condition, int ms = 10000) {
    return twtest::WaitUntil(condition, std::chrono::milliseconds(ms),
                             std::chrono::milliseconds(2));
}

// The outbox as it is on disk.
MessageRecordList OutboxOnDisk(const CMgmtMessages& store) {
    MessageRecordList records;
    std::string error;
    CMgmtMessages::ReadFolderData(twtest::ReadFile(store.OutboxPath()), records, error);
    return records;
}

class CrashSafety : public CoreFixture {
protected:
    // A store that saves only when told to (or for a new outbox record), so that the tests
    // see exactly what is on disk at each instant.
    void UseManualSaves() {
        store = std::make_shared<CMgmtSMS>(folder, StoreOptions{std::chrono::hours(1)});
    }
};

TEST_F(CrashSafety, TheSendKeyIsOnDiskBeforeTheHandOver) {
    store->OutboxAddRecord(Sms("COMPOSED", "+111", MSGSTATUS_NOT_SENT));
    std::string keyOnDisk;
    std::atomic<int> calls{0};
    fake->beforeSend = [&] {
        if (calls++ > 0) {
            return;
        }
        // The instant of the hand-over: a stop now must find the key saved.
        MessageRecordList disk = OutboxOnDisk(*store);
        if (disk.size() == 1 && disk[0]->Status == MSGSTATUS_AWAITING_ID) {
            keyOnDisk = disk[0]->GUID;
        }
    };
    fake->honourKeys = true;
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() == 1; }));
    EXPECT_TRUE(CCoreContext::IsSendKey(keyOnDisk)) << keyOnDisk;
    EXPECT_EQ(fake->Sent()[0].key, keyOnDisk);
    EXPECT_EQ(fake->Sent()[0].guid, keyOnDisk);
    ASSERT_NE(store->OutboxGetRecord(keyOnDisk), nullptr);
    EXPECT_EQ(store->OutboxGetRecord(keyOnDisk)->Status, MSGSTATUS_AWAITING_ID);
}

TEST_F(CrashSafety, RecordsLeftWaitingForTheirIdAreHandedOverAgainUnderTheirKey) {
    const std::string key = CCoreContext::NewSendKey();
    store->OutboxAddRecord(Sms(key, "+111", MSGSTATUS_AWAITING_ID));
    // Without a key nothing can be asked: such a record may have gone out and stays put.
    store->OutboxAddRecord(Sms("NO-KEY", "+222", MSGSTATUS_AWAITING_ID));
    fake->honourKeys = true;
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return fake->Sent().size() == 1; }));
    EXPECT_EQ(fake->Sent()[0].key, key);
    EXPECT_EQ(fake->Sent()[0].recipients, "+111");
    EXPECT_EQ(store->OutboxGetRecord(key)->Status, MSGSTATUS_AWAITING_ID);
    EXPECT_EQ(store->OutboxGetRecord("NO-KEY")->Status, MSGSTATUS_AWAITING_ID);
    const std::uint64_t scans = manager->ScansDone();
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(WaitUntil([&] { return manager->ScansDone() > scans; }));
    EXPECT_EQ(fake->Sent().size(), 1u) << "a scan never takes records waiting for their id";
}

TEST_F(CrashSafety, AKeyThatCannotBeSavedIsNotHandedOver) {
    // The data folder cannot be created: its parent is a file.
    const std::string parent = twtest::MakeTempDir("unsaveable") + "/file";
    twtest::WriteFile(parent, "x");
    store = std::make_shared<CMgmtSMS>(parent + "/TWD");
    store->OutboxAddRecord(Sms("COMPOSED", "+111", MSGSTATUS_NOT_SENT));
    MarkLog();
    Start(true);
    ASSERT_TRUE(WaitUntil(
        [&] { return NewLog().find("sending waits for the next scan") != std::string::npos; }));
    EXPECT_TRUE(fake->Sent().empty());
    EXPECT_EQ(store->OutboxGetRecord("COMPOSED")->Status, MSGSTATUS_NOT_SENT);
}

TEST_F(CrashSafety, ResultsAreConfirmedOnlyOnceTheirEffectIsSaved) {
    UseManualSaves();
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G1"] = {1, 3, 7, 0, "", ""};
    fake->statusReports["R1"] = {1, 3, 7, "Fdelivered", "Delivered", "+111", 0};
    Start();
    Event(QVStatusSendMessageInfoID, "G1");
    // Moved in memory, not yet on disk: the core must keep the result.
    ASSERT_NE(store->SentboxGetRecord("G1"), nullptr);
    EXPECT_TRUE(fake->Confirmed().empty());
    Event(QVStatusMessageInfoID, "R1");
    EXPECT_EQ(store->SentboxGetRecord("G1")->Status, MSGSTATUS_FINAL);
    EXPECT_TRUE(fake->Confirmed().empty());

    ASSERT_TRUE(store->Flush());
    auto confirmed = fake->Confirmed();
    ASSERT_EQ(confirmed.size(), 2u);
    EXPECT_EQ(confirmed[0], std::make_pair(QVStatusSendMessageInfoID, std::string("G1")));
    EXPECT_EQ(confirmed[1], std::make_pair(QVStatusMessageInfoID, std::string("R1")));

    // A result that changes nothing is confirmed at once; a failed fetch never is.
    fake->sendResults["GONE"] = {1, 3, 8, 0, "", ""};
    Event(QVStatusSendMessageInfoID, "GONE");
    Event(QVStatusSendMessageInfoID, "NEVER-POSTED");
    confirmed = fake->Confirmed();
    ASSERT_EQ(confirmed.size(), 3u);
    EXPECT_EQ(confirmed[2].second, "GONE");
}

TEST_F(CrashSafety, ShutdownSavesAndConfirmsWhatWasHandled) {
    UseManualSaves();
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G1"] = {1, 3, 7, 0, "", ""};
    Start();
    Event(QVStatusSendMessageInfoID, "G1");
    EXPECT_TRUE(fake->Confirmed().empty());
    manager.reset();
    EXPECT_EQ(fake->Confirmed().size(), 1u);
    CMgmtSMS reread(folder);
    EXPECT_NE(reread.SentboxGetRecord("G1"), nullptr);
    EXPECT_EQ(reread.OutboxGetRecord("G1"), nullptr);
}

TEST_F(CrashSafety, AnAccountTheServiceNoLongerKnowsIsForgotten) {
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G1"] = {1, 0, 0, 1, "Unknown account", "Register again."};
    Start();
    Event(QVStatusSendMessageInfoID, "G1");
    EXPECT_EQ(settings->defaultAccount, "");
    EXPECT_EQ(manager->Identity().accountId, "");
    EXPECT_EQ(store->OutboxGetRecord("G1")->Status, MSGSTATUS_ERROR);

    // The same through the account data the start-up query brings back.
    settings->defaultAccount = "4711";
    manager.reset();
    Start();
    fake->accounts["Q"] = ScriptedAccount{};
    fake->accounts["Q"].errorFlag = 1;
    fake->accounts["Q"].errorLabel = "Unknown account";
    Event(QVStatusAccountInfoID, "Q");
    EXPECT_EQ(settings->defaultAccount, "");
}

} // namespace
} // namespace coretest
