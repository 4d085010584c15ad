// The folder files at the instants that matter for a crash: grouped saves, a move between the
// folders cut short, and files that cannot be read.
#include "common/TestEnv.h"
#include "common/Wait.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

CSMSRecord Sms(const std::string& guid, std::int32_t status, std::int32_t lowId = 0) {
    CSMSRecord r;
    r.GUID = guid;
    r.Status = status;
    r.iLowID = lowId;
    r.SetRecipients("+4912345");
    r.MessageText = "Text of " + guid;
    return r;
}

std::string FolderBytes(std::initializer_list<CSMSRecord> records) {
    MessageRecordList list;
    for (const CSMSRecord& r : records) {
        list.push_back(std::make_unique<CSMSRecord>(r));
    }
    std::string bytes;
    CMgmtMessages::WriteFolderData(list, bytes);
    return bytes;
}

std::vector<std::string> GuidsOnDisk(const std::string& path) {
    MessageRecordList records;
    std::string error;
    std::vector<std::string> guids;
    if (CMgmtMessages::ReadFolderData(twtest::ReadFile(path), records, error)) {
        for (const auto& r : records) {
            guids.push_back(r->GUID);
        }
    }
    return guids;
}

template <class Condition> bool WaitUntil(Condition condition) {
    return twtest::WaitUntil(condition, std::chrono::seconds(10), std::chrono::milliseconds(1));
}

using G = std::vector<std::string>;

class StoreSafety : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = twtest::MakeTempDir("safety") + "/TWD";
        std::filesystem::create_directories(m_folder);
    }
    std::string Outbox() const { return m_folder + "/outbox.dat"; }
    std::string Sentbox() const { return m_folder + "/sentbox.dat"; }
    std::string m_folder;
};

TEST_F(StoreSafety, ChangesWaitForTheGroupedSaveButANewMessageIsSavedAtOnce) {
    CMgmtSMS store(m_folder, StoreOptions{1h});
    std::vector<std::uint64_t> heard;
    store.SetSaveListener([&](std::uint64_t saved) { heard.push_back(saved); });
    ASSERT_TRUE(store.OutboxAddRecord(Sms("A", MSGSTATUS_NOT_SENT)));
    EXPECT_EQ(GuidsOnDisk(Outbox()), G{"A"}) << "composed messages are on disk at once";
    EXPECT_EQ(store.SavedGeneration(), store.ChangeGeneration());

    ASSERT_TRUE(store.OutboxAddRecord(Sms("B", MSGSTATUS_NOT_SENT)));
    ASSERT_TRUE(store.OutboxModifyRecord(Sms("A", MSGSTATUS_AWAITING_ID)));
    ASSERT_TRUE(store.OutboxMoveToSentbox("A", Sms("A", MSGSTATUS_AWAITING_STATUS, 5)));
    ASSERT_TRUE(store.OutboxDelRecord("B"));
    EXPECT_EQ(GuidsOnDisk(Outbox()), (G{"A", "B"})) << "the rest waits for the save";
    EXPECT_FALSE(std::filesystem::exists(Sentbox()));
    EXPECT_LT(store.SavedGeneration(), store.ChangeGeneration());

    const std::uint64_t outboxSaves = store.OutboxSaveCount();
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(GuidsOnDisk(Outbox()), G{});
    EXPECT_EQ(GuidsOnDisk(Sentbox()), G{"A"});
    EXPECT_EQ(store.OutboxSaveCount(), outboxSaves + 1);
    EXPECT_EQ(store.SavedGeneration(), store.ChangeGeneration());
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), store.ChangeGeneration());
    // Nothing pending: a flush writes nothing.
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(store.OutboxSaveCount(), outboxSaves + 1);
}

TEST_F(StoreSafety, ABurstOfChangesSharesOneSave) {
    CMgmtSMS store(m_folder, StoreOptions{50ms});
    ASSERT_TRUE(store.OutboxAddRecord(Sms("A", MSGSTATUS_NOT_SENT)));
    ASSERT_TRUE(store.OutboxMoveToSentbox("A", Sms("A", MSGSTATUS_AWAITING_STATUS, 5)));
    ASSERT_TRUE(WaitUntil([&] { return store.SavedGeneration() == store.ChangeGeneration(); }));
    const std::uint64_t before = store.SentboxSaveCount();
    for (int i = 0; i < 200; ++i) {
        CSMSRecord changed = Sms("A", MSGSTATUS_AWAITING_STATUS, 5);
        changed.StatusQueryCount = i;
        ASSERT_TRUE(store.SentboxModifyRecord(changed));
    }
    ASSERT_TRUE(WaitUntil([&] { return store.SavedGeneration() == store.ChangeGeneration(); }));
    // The loop takes far less than the save delay, even under the sanitizers.
    EXPECT_LE(store.SentboxSaveCount() - before, 2u);
    CMgmtSMS reread(m_folder, StoreOptions{0ms});
    EXPECT_EQ(reread.SentboxGetRecord("A")->StatusQueryCount, 199);
}

TEST_F(StoreSafety, AMoveCutShortKeepsTheSentboxCopy) {
    // Stopped between the two saves of a move: the sentbox was written, the outbox not.
    twtest::WriteFile(
        Outbox(), FolderBytes({Sms("MOVED", MSGSTATUS_AWAITING_ID), Sms("COPY", MSGSTATUS_NOT_SENT),
                               Sms("WAITING", MSGSTATUS_AWAITING_ID)}));
    twtest::WriteFile(Sentbox(), FolderBytes({Sms("MOVED", MSGSTATUS_AWAITING_STATUS, 5),
                                              Sms("COPY", MSGSTATUS_FINAL, 6)}));
    CMgmtSMS store(m_folder, StoreOptions{1h});
    // Only a record that was handed over goes: a new message that happens to share a GUID
    // with a sent one stays.
    EXPECT_EQ(GuidsOnDisk(Outbox()), (G{"COPY", "WAITING"})) << "the repair is saved at once";
    EXPECT_EQ(store.SentboxGetRecord("MOVED")->Status, MSGSTATUS_AWAITING_STATUS);
    EXPECT_EQ(store.OutboxGetRecord("MOVED"), nullptr);
}

TEST_F(StoreSafety, AnAcceptedRecordStuckInTheOutboxMovesOn) {
    // Written by a version that saved the service ids in the outbox before the move.
    twtest::WriteFile(Outbox(), FolderBytes({Sms("ACCEPTED", MSGSTATUS_AWAITING_STATUS, 9)}));
    CMgmtSMS store(m_folder, StoreOptions{1h});
    EXPECT_EQ(GuidsOnDisk(Outbox()), G{});
    EXPECT_EQ(GuidsOnDisk(Sentbox()), G{"ACCEPTED"});
    int32_t low = 0;
    int32_t high = 0;
    EXPECT_TRUE(store.SentboxGetLowestNotFinalID(low, high));
    EXPECT_EQ(low, 9);
}

TEST_F(StoreSafety, UnreadableFilesAreKeptAsideBeforeAnythingIsSavedOverThem) {
    std::string damaged = FolderBytes({Sms("A", MSGSTATUS_FINAL, 1), Sms("B", MSGSTATUS_FINAL, 2)});
    damaged[7] = '\x05'; // one damaged byte: the count says five records
    twtest::WriteFile(Sentbox(), damaged);
    const std::string unknownVersion = "\x06TWD354\x00\x00\x00\x00";
    twtest::WriteFile(Outbox(), std::string(unknownVersion.data(), 11));
    {
        CMgmtSMS store(m_folder, StoreOptions{0ms});
        EXPECT_EQ(store.DamagedFiles(), (G{Outbox() + ".damaged", Sentbox() + ".damaged"}));
        ASSERT_TRUE(store.OutboxAddRecord(Sms("NEW", MSGSTATUS_NOT_SENT)));
        ASSERT_TRUE(store.OutboxMoveToSentbox("NEW"));
    }
    EXPECT_EQ(twtest::ReadFile(Sentbox() + ".damaged"), damaged);
    EXPECT_EQ(twtest::ReadFile(Outbox() + ".damaged"), std::string(unknownVersion.data(), 11));
    EXPECT_EQ(GuidsOnDisk(Sentbox()), G{"NEW"});

    // A second damage keeps the first one too.
    twtest::WriteFile(Sentbox(), "garbage");
    CMgmtSMS again(m_folder, StoreOptions{0ms});
    EXPECT_EQ(again.DamagedFiles(), G{Sentbox() + ".damaged.2"});
    EXPECT_EQ(twtest::ReadFile(Sentbox() + ".damaged"), damaged);
    // An absent file is a first start, not damage.
    std::filesystem::remove(Outbox());
    CMgmtSMS fresh(m_folder + "-other", StoreOptions{0ms});
    EXPECT_TRUE(fresh.DamagedFiles().empty());
}

} // namespace
