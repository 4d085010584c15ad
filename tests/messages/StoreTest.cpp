#include "common/LogCapture.h"
#include "common/TestEnv.h"

#include "messages/CArchiveWriter.h"
#include "messages/CMMSRecord.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

using twtest::Bytes;
using twtest::LogCapture;

namespace {

const char* kLoc = "CMgmtMessages::Serialize";

// Hand-written empty folder file: length byte 6, "TWD353", count 0.
const std::string kEmptyFolder("\x06TWD353\x00\x00\x00\x00", 11);

CSMSRecord Sms(const std::string& guid, int status = MSGSTATUS_NOT_SENT) {
    CSMSRecord sms;
    sms.GUID = guid;
    sms.Status = status;
    sms.SetRecipients("+4912345,+4967890");
    sms.MessageText = "Text of " + guid;
    sms.FlashMode = "0";
    return sms;
}

// The bytes of Sms("G1") in the current SMS layout, written out from the format.
std::string SmsG1Bytes() {
    return Bytes()
        .Text("TWDSMS353")
        .Text("TWDMSG353")
        .Int(0)
        .Int(0)
        .Int(0)
        .Int(0)
        .Int(3)
        .Int(2)
        .Text("")
        .Text("1899-12-30 00:00")
        .Text("")
        .Text("G1")
        .Text("")
        .Text("")
        .Text("")
        .Int(0)
        .Text("+4912345")
        .Text("")
        .Text("")
        .Int(0)
        .Text("+4967890")
        .Text("")
        .Text("")
        .Text("Text of G1")
        .Text("0")
        .Int(0)
        .str();
}

std::vector<std::string> Guids(CMgmtMessages& store, bool outbox, int filter = 0) {
    MessageRecordList list;
    if (outbox) {
        store.OutboxGetRecords(list, filter);
    } else {
        store.SentboxGetRecords(list, filter);
    }
    std::vector<std::string> guids;
    for (const auto& r : list) {
        guids.push_back(r->GUID);
    }
    return guids;
}

using G = std::vector<std::string>;

class Store : public ::testing::Test {
protected:
    void SetUp() override { m_folder = twtest::MakeTempDir("store") + "/TWD"; }
    std::string Outbox() const { return m_folder + "/outbox.dat"; }
    std::string Sentbox() const { return m_folder + "/sentbox.dat"; }
    void WriteOutbox(const std::string& bytes) {
        std::filesystem::create_directories(m_folder);
        twtest::WriteFile(Outbox(), bytes);
    }
    void WriteSentbox(const std::string& bytes) {
        std::filesystem::create_directories(m_folder);
        twtest::WriteFile(Sentbox(), bytes);
    }
    std::string m_folder;
};

TEST_F(Store, FirstStartIsEmptyAndLoaded) {
    LogCapture log;
    CMgmtSMS store(m_folder);
    EXPECT_TRUE(store.IsLoaded());
    EXPECT_TRUE(Guids(store, true).empty());
    EXPECT_TRUE(Guids(store, false).empty());
    EXPECT_TRUE(log.Has(kLoc, "Could not open the file.", LOG_SEV_ERROR));
    EXPECT_TRUE(log.Has(kLoc, "Reading data from file \"" + Outbox() + "\"", LOG_SEV_TRACE));
    EXPECT_FALSE(std::filesystem::exists(m_folder)); // nothing is written before a change
}

TEST_F(Store, AddCreatesTheFolderAndWritesTheFile) {
    CMgmtSMS store(m_folder);
    LogCapture log;
    ASSERT_TRUE(store.OutboxAddRecord(Sms("G1")));
    EXPECT_EQ(twtest::ReadFile(Outbox()),
              Bytes().Text("TWD353").Int(1).Int(0).Raw(SmsG1Bytes()).str());
    EXPECT_TRUE(log.Has("CMgmtMessages::OutboxAddRecord", "Enter", LOG_SEV_TRACE));
    EXPECT_TRUE(log.Has(kLoc, "Storing data to file \"" + Outbox() + "\"", LOG_SEV_TRACE));
    struct stat st {};
    ASSERT_EQ(::stat(m_folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(Outbox().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(Sentbox()));
    // Deleting the only record leaves the 11-byte empty folder file.
    ASSERT_TRUE(store.OutboxDelRecord("G1"));
    EXPECT_EQ(twtest::ReadFile(Outbox()), kEmptyFolder);
}

TEST_F(Store, FoldersSurviveARestart) {
    {
        CMgmtSMS store(m_folder);
        ASSERT_TRUE(store.OutboxAddRecord(Sms("A")));
        ASSERT_TRUE(store.OutboxAddRecord(Sms("B")));
        CMMSRecord mms;
        mms.GUID = "M";
        mms.MMSValue1 = 5;
        ASSERT_TRUE(store.OutboxAddRecord(mms));
        ASSERT_TRUE(store.OutboxMoveToSentbox("B"));
    }
    CMgmtSMS store(m_folder);
    EXPECT_EQ(Guids(store, true), (G{"A", "M"}));
    EXPECT_EQ(Guids(store, false), (G{"B"}));
    auto mms = store.OutboxGetRecord("M");
    ASSERT_NE(mms, nullptr);
    ASSERT_NE(dynamic_cast<CMMSRecord*>(mms.get()), nullptr);
    EXPECT_EQ(static_cast<CMMSRecord&>(*mms).MMSValue1, 5);
    auto sms = store.SentboxGetRecord("B");
    ASSERT_NE(dynamic_cast<CSMSRecord*>(sms.get()), nullptr);
    EXPECT_EQ(static_cast<CSMSRecord&>(*sms).MessageText, "Text of B");
}

TEST_F(Store, OldFolderVersionLoadsAndIsRewrittenInTheCurrentOne) {
    // "TWD350": no type specifiers, SMS records in either layout.
    const std::string flat = Bytes()
                                 .Text("TWD350SMS")
                                 .Text("OLD")
                                 .Int(5)
                                 .Int(0)
                                 .Text("Old text")
                                 .Text("")
                                 .Text("2003-03-03 03:03")
                                 .Text("")
                                 .Text("")
                                 .Text("")
                                 .Text("0")
                                 .Text("")
                                 .Int(MSGSTATUS_AWAITING_STATUS)
                                 .Int(0)
                                 .Int(0)
                                 .Int(0)
                                 .Int(0)
                                 .str();
    WriteSentbox(Bytes().Text("TWD350").Int(2).Raw(flat).Raw(SmsG1Bytes()).str());
    CMgmtSMS store(m_folder);
    EXPECT_EQ(Guids(store, false), (G{"OLD", "G1"}));
    auto old = store.SentboxGetRecord("OLD");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->iLowID, 5);
    ASSERT_TRUE(store.SentboxDelRecord("G1"));
    CSMSRecord rewritten;
    rewritten = static_cast<CSMSRecord&>(*old);
    Bytes expected;
    expected.Text("TWD353").Int(1).Int(0);
    CArchiveWriter writer;
    ASSERT_TRUE(rewritten.Serialize(writer));
    EXPECT_EQ(twtest::ReadFile(Sentbox()), expected.Raw(writer.Data()).str());
}

TEST_F(Store, LoadFailuresEmptyOnlyTheDamagedFolder) {
    struct Case {
        std::string bytes;
        std::string message;
    } cases[] = {
        {Bytes().Text("TWD354").Int(0).str(), "Fileversion not supported: \"TWD354\""},
        {Bytes().Text("TWD353").Int(2).Int(0).Raw(SmsG1Bytes()).Int(2).str(),
         "Invalid message type specifier read."},
        {Bytes().Text("TWD353").Int(2).Int(0).Raw(SmsG1Bytes()).Int(1).Raw(SmsG1Bytes()).str(),
         "Invalid file data read. Format error."},
        {Bytes().Text("TWD350").Int(1).Text("TWDSMS999").str(),
         "Invalid file data read. Format error."},
        {Bytes().Text("TWD353").Int(2).Int(0).Raw(SmsG1Bytes()).str(), "Failed to read file data."},
        {"", "Failed to read file data."},
    };
    for (const Case& c : cases) {
        WriteOutbox(Bytes().Text("TWD353").Int(1).Int(0).Raw(SmsG1Bytes()).str());
        WriteSentbox(c.bytes);
        LogCapture log;
        CMgmtSMS store(m_folder);
        EXPECT_TRUE(store.IsLoaded());
        EXPECT_TRUE(Guids(store, false).empty()) << c.message;
        EXPECT_EQ(Guids(store, true), (G{"G1"})) << c.message;
        EXPECT_TRUE(log.Has(kLoc, c.message, LOG_SEV_ERROR)) << c.message;
    }
}

TEST_F(Store, DamagedOutboxStillLoadsTheSentbox) {
    WriteOutbox(Bytes().Text("TWD353").Int(1).Int(7).str());
    WriteSentbox(Bytes().Text("TWD353").Int(1).Int(0).Raw(SmsG1Bytes()).str());
    CMgmtSMS store(m_folder);
    EXPECT_TRUE(Guids(store, true).empty());
    EXPECT_EQ(Guids(store, false), (G{"G1"}));
    // The next save of the damaged folder replaces the file.
    ASSERT_TRUE(store.OutboxAddRecord(Sms("N")));
    CMgmtSMS again(m_folder);
    EXPECT_EQ(Guids(again, true), (G{"N"}));
}

TEST_F(Store, TruncatedFileAtEveryOffsetGivesAnEmptyFolder) {
    CMMSRecord mms;
    mms.GUID = "M";
    CArchiveWriter mmsBytes;
    ASSERT_TRUE(mms.Serialize(mmsBytes));
    const std::string full =
        Bytes().Text("TWD353").Int(2).Int(0).Raw(SmsG1Bytes()).Int(1).Raw(mmsBytes.Data()).str();
    WriteSentbox(Bytes().Text("TWD353").Int(1).Int(0).Raw(SmsG1Bytes()).str());
    for (std::size_t n = 0; n < full.size(); ++n) {
        WriteOutbox(full.substr(0, n));
        CMgmtSMS store(m_folder);
        EXPECT_TRUE(Guids(store, true).empty()) << n;
        EXPECT_EQ(Guids(store, false).size(), 1u) << n;
    }
    WriteOutbox(full);
    CMgmtSMS store(m_folder);
    EXPECT_EQ(Guids(store, true), (G{"G1", "M"}));
}

TEST_F(Store, HugeCountsAndLengthsFailCleanly) {
    const std::string cases[] = {
        Bytes().Text("TWD353").Int(0x7FFFFFFF).Int(0).Raw(SmsG1Bytes()).str(),
        Bytes()
            .Text("TWD353")
            .Int(1)
            .Int(0)
            .Raw(std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7))
            .str(),
        std::string("\xFF\xFF\xFF\xF0\xFF\xFF\xFF", 7),
    };
    for (const std::string& bytes : cases) {
        WriteOutbox(bytes);
        CMgmtSMS store(m_folder);
        EXPECT_TRUE(Guids(store, true).empty());
    }
    // A negative count reads as an empty folder.
    WriteOutbox(Bytes().Text("TWD353").Int(-5).str());
    CMgmtSMS store(m_folder);
    EXPECT_TRUE(Guids(store, true).empty());
}

TEST_F(Store, UnreadableFileIsAnEmptyFolder) {
    std::filesystem::create_directories(Outbox()); // a folder where the file should be
    LogCapture log;
    CMgmtSMS store(m_folder);
    EXPECT_TRUE(Guids(store, true).empty());
    EXPECT_TRUE(log.Has(kLoc, "Failed to read file data.", LOG_SEV_ERROR));
}

TEST_F(Store, ModifyMovesTheRecordToTheEnd) {
    CMgmtSMS store(m_folder);
    for (const char* g : {"A", "B", "C"}) {
        ASSERT_TRUE(store.OutboxAddRecord(Sms(g)));
    }
    CSMSRecord changed = Sms("A", MSGSTATUS_AWAITING_ID);
    ASSERT_TRUE(store.OutboxModifyRecord(changed));
    EXPECT_EQ(Guids(store, true), (G{"B", "C", "A"}));
    EXPECT_EQ(store.OutboxGetRecord("A")->Status, MSGSTATUS_AWAITING_ID);
    // With a GUID given, the record replaced is the one with that GUID (the copy keeps its own).
    ASSERT_TRUE(store.OutboxModifyRecord("B", Sms("B2")));
    EXPECT_EQ(Guids(store, true), (G{"C", "A", "B2"}));
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(Guids(reloaded, true), (G{"C", "A", "B2"}));

    LogCapture log;
    EXPECT_FALSE(store.OutboxModifyRecord(Sms("missing")));
    EXPECT_FALSE(store.SentboxModifyRecord(Sms("A")));
    EXPECT_TRUE(log.Has("CMgmtMessages::ModifyRecord",
                        "Warning: A message with that GUID could not be found.", LOG_SEV_ERROR));
}

TEST_F(Store, SentboxModifyReplacesByTheRecordsGuid) {
    CMgmtSMS store(m_folder);
    ASSERT_TRUE(store.OutboxAddRecord(Sms("A")));
    ASSERT_TRUE(store.OutboxAddRecord(Sms("B")));
    ASSERT_TRUE(store.OutboxMoveToSentbox("A"));
    ASSERT_TRUE(store.OutboxMoveToSentbox("B"));
    CSMSRecord a = Sms("A", MSGSTATUS_FINAL);
    ASSERT_TRUE(store.SentboxModifyRecord(a));
    EXPECT_EQ(Guids(store, false), (G{"B", "A"}));
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(reloaded.SentboxGetRecord("A")->Status, MSGSTATUS_FINAL);
}

TEST_F(Store, MoveToSentbox) {
    CMgmtSMS store(m_folder);
    ASSERT_TRUE(store.OutboxAddRecord(Sms("A")));
    ASSERT_TRUE(store.OutboxAddRecord(Sms("B")));
    ASSERT_TRUE(store.OutboxAddRecord(Sms("X")));
    ASSERT_TRUE(store.OutboxMoveToSentbox("X"));
    const std::string outboxBefore = twtest::ReadFile(Outbox());
    const std::string sentboxBefore = twtest::ReadFile(Sentbox());
    LogCapture log;
    EXPECT_FALSE(store.OutboxMoveToSentbox("nope"));
    EXPECT_TRUE(log.Has("CMgmtMessages::OutboxMoveToSentbox",
                        "Warning: A scheduled message with that GUID could not be found.",
                        LOG_SEV_ERROR));
    EXPECT_EQ(twtest::ReadFile(Outbox()), outboxBefore);
    EXPECT_EQ(twtest::ReadFile(Sentbox()), sentboxBefore);
    ASSERT_TRUE(store.OutboxMoveToSentbox("A"));
    EXPECT_EQ(Guids(store, true), (G{"B"}));
    EXPECT_EQ(Guids(store, false), (G{"X", "A"}));
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(Guids(reloaded, true), (G{"B"}));
    EXPECT_EQ(Guids(reloaded, false), (G{"X", "A"}));
}

TEST_F(Store, LookupsAndFilters) {
    CMgmtSMS store(m_folder);
    ASSERT_TRUE(store.OutboxAddRecord(Sms("A", MSGSTATUS_NOT_SENT)));
    ASSERT_TRUE(store.OutboxAddRecord(Sms("B", MSGSTATUS_AWAITING_ID)));
    ASSERT_TRUE(store.OutboxAddRecord(Sms("C", MSGSTATUS_NOT_SENT)));
    MessageRecordList list;
    list.push_back(std::make_unique<CSMSRecord>(Sms("stale")));
    EXPECT_EQ(store.OutboxGetRecords(list, MSGSTATUS_NOT_SENT), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->GUID, "A");
    EXPECT_EQ(list[1]->GUID, "C");
    EXPECT_EQ(store.OutboxGetRecords(list, 0), 3);
    EXPECT_EQ(store.SentboxGetRecords(list, 0), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(store.OutboxIsMessagesPending());

    // Copies handed out are the caller's: changing one leaves the store alone.
    auto copy = store.OutboxGetRecord("A");
    ASSERT_NE(copy, nullptr);
    copy->Status = MSGSTATUS_ERROR;
    EXPECT_EQ(store.OutboxGetRecord("A")->Status, MSGSTATUS_NOT_SENT);

    LogCapture log;
    EXPECT_EQ(store.OutboxGetRecord("none"), nullptr);
    EXPECT_EQ(store.SentboxGetRecord("A"), nullptr);
    EXPECT_TRUE(log.Has("CMgmtMessages::OutboxGetRecord",
                        "Warning: A record with that GUID could not be found.", LOG_SEV_TRACE));
    EXPECT_FALSE(store.OutboxDelRecord("none"));
    EXPECT_TRUE(log.Has("CMgmtMessages::OutboxDelRecord",
                        "Warning: A Outbox message with that GUID could not be found."));
    EXPECT_FALSE(store.SentboxDelRecord("none"));
    EXPECT_TRUE(log.Has("CMgmtMessages::SentboxDelRecord",
                        "Warning: A Sentbox message with that GUID could not be found."));

    CSMSRecord sent = Sms("S", MSGSTATUS_AWAITING_STATUS);
    sent.iLowID = 9;
    sent.HighID = 4;
    ASSERT_TRUE(store.OutboxAddRecord(sent));
    ASSERT_TRUE(store.OutboxMoveToSentbox("S"));
    auto byId = store.GetRecord(9, 4);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(byId->GUID, "S");
    EXPECT_EQ(store.GetRecord(4, 9), nullptr);
    EXPECT_TRUE(log.Has("CMgmtMessages::GetRecord",
                        "Warning: A record with that ID could not be found.", LOG_SEV_TRACE));

    ASSERT_TRUE(store.OutboxDelRecord("A"));
    ASSERT_TRUE(store.OutboxDelRecord("C"));
    EXPECT_FALSE(store.OutboxIsMessagesPending());
}

TEST_F(Store, LowestNotFinalId) {
    CMgmtSMS store(m_folder);
    std::int32_t low = -1, high = -1;
    EXPECT_FALSE(store.SentboxGetLowestNotFinalID(low, high));
    EXPECT_EQ(low, -1);
    EXPECT_EQ(high, -1);

    auto addSent = [&](const std::string& guid, int status, std::int32_t hi, std::int32_t lo) {
        CSMSRecord r = Sms(guid, status);
        r.HighID = hi;
        r.iLowID = lo;
        ASSERT_TRUE(store.OutboxAddRecord(r));
        ASSERT_TRUE(store.OutboxMoveToSentbox(guid));
    };
    addSent("final", MSGSTATUS_FINAL, 0, 1);
    EXPECT_FALSE(store.SentboxGetLowestNotFinalID(low, high));
    addSent("zero", MSGSTATUS_AWAITING_STATUS, 0, 0); // id 0 is never chosen
    EXPECT_FALSE(store.SentboxGetLowestNotFinalID(low, high));
    addSent("seven", MSGSTATUS_AWAITING_STATUS, 0, 7);
    addSent("five", MSGSTATUS_AWAITING_STATUS, 0, 5);
    addSent("big", MSGSTATUS_AWAITING_STATUS, 1, 2);
    ASSERT_TRUE(store.SentboxGetLowestNotFinalID(low, high));
    EXPECT_EQ(low, 5);
    EXPECT_EQ(high, 0);

    // The low word counts as signed: (HighID 1, iLowID -1) is 2^32 - 1, below (1, 2) but above
    // (0, 5); (HighID 0, iLowID -3) is -3, the lowest of all. The ids handed out are the
    // record's own.
    addSent("neg", MSGSTATUS_AWAITING_STATUS, 0, -3);
    ASSERT_TRUE(store.SentboxGetLowestNotFinalID(low, high));
    EXPECT_EQ(low, -3);
    EXPECT_EQ(high, 0);
    ASSERT_NE(store.GetRecord(low, high), nullptr);
    ASSERT_TRUE(store.SentboxDelRecord("neg"));
    ASSERT_TRUE(store.SentboxDelRecord("five"));
    ASSERT_TRUE(store.SentboxDelRecord("seven"));
    addSent("wrap", MSGSTATUS_AWAITING_STATUS, 1, -1);
    ASSERT_TRUE(store.SentboxGetLowestNotFinalID(low, high));
    EXPECT_EQ(low, -1);
    EXPECT_EQ(high, 1);
}

TEST_F(Store, BatchDeletionSavesOnceAtTheEnd) {
    CMgmtSMS store(m_folder);
    for (const char* g : {"A", "B", "C"}) {
        ASSERT_TRUE(store.OutboxAddRecord(Sms(g)));
        ASSERT_TRUE(store.OutboxMoveToSentbox(g));
    }
    ASSERT_TRUE(store.OutboxAddRecord(Sms("D")));
    const std::string sentboxBefore = twtest::ReadFile(Sentbox());
    EXPECT_TRUE(store.SetPersistence(false));
    EXPECT_TRUE(store.SentboxDelRecord("A"));
    EXPECT_TRUE(store.SentboxDelRecord("C"));
    EXPECT_TRUE(store.OutboxDelRecord("D"));
    EXPECT_EQ(twtest::ReadFile(Sentbox()), sentboxBefore);
    EXPECT_FALSE(store.SetPersistence(true));
    std::filesystem::remove(Outbox());
    EXPECT_TRUE(store.SaveAll());
    EXPECT_EQ(twtest::ReadFile(Outbox()), kEmptyFolder);
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(Guids(reloaded, false), (G{"B"}));
}

TEST_F(Store, DestroyingWithPersistenceOffSaves) {
    {
        CMgmtSMS store(m_folder);
        ASSERT_TRUE(store.OutboxAddRecord(Sms("A")));
        store.SetPersistence(false);
        ASSERT_TRUE(store.OutboxAddRecord(Sms("B")));
    }
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(Guids(reloaded, true), (G{"A", "B"}));
}

TEST_F(Store, FailedSaveReportsFalseAndKeepsMemory) {
    // The data folder cannot be created: its parent is a file.
    const std::string parent = twtest::MakeTempDir("blocked") + "/file";
    twtest::WriteFile(parent, "x");
    CMgmtSMS store(parent + "/TWD");
    LogCapture log;
    EXPECT_FALSE(store.OutboxAddRecord(Sms("A")));
    EXPECT_TRUE(log.Has(kLoc, "Could not open the file.", LOG_SEV_ERROR));
    EXPECT_EQ(Guids(store, true), (G{"A"}));
    EXPECT_FALSE(store.OutboxModifyRecord(Sms("A", MSGSTATUS_AWAITING_ID)));
    EXPECT_EQ(store.OutboxGetRecord("A")->Status, MSGSTATUS_AWAITING_ID);
    EXPECT_FALSE(store.OutboxMoveToSentbox("A"));
    EXPECT_EQ(Guids(store, false), (G{"A"}));
    EXPECT_FALSE(store.SaveAll());
}

TEST_F(Store, FailedSaveLeavesTheOldFileWhole) {
    CMgmtSMS store(m_folder);
    ASSERT_TRUE(store.OutboxAddRecord(Sms("A")));
    const std::string before = twtest::ReadFile(Outbox());
    // A file size limit stands in for a full disk: the new file cannot be written completely.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    LogCapture log;
    CSMSRecord big = Sms("B");
    big.MessageText.assign(4000, 'b');
    const bool saved = store.OutboxAddRecord(big);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(log.Has(kLoc, "Failed to write file data.", LOG_SEV_ERROR));
    EXPECT_EQ(twtest::ReadFile(Outbox()), before);
    // No temporary file is left behind, and the record is kept for the next save.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(Guids(store, true), (G{"A", "B"}));
    ASSERT_TRUE(store.SaveAll());
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(Guids(reloaded, true), (G{"A", "B"}));
}

TEST_F(Store, RecordsOfAnInvalidTypeAreRefused) {
    CMgmtSMS store(m_folder);
    CMessageRecord untyped;
    untyped.GUID = "U";
    LogCapture log;
    EXPECT_FALSE(store.OutboxAddRecord(untyped));
    EXPECT_TRUE(Guids(store, true).empty());
    // A base record that says it is an SMS is stored as one.
    untyped.MessageType = MSGTYPE_SMS;
    ASSERT_TRUE(store.OutboxAddRecord(untyped));
    auto back = store.OutboxGetRecord("U");
    ASSERT_NE(dynamic_cast<CSMSRecord*>(back.get()), nullptr);
    CMessageRecord bad;
    bad.GUID = "U";
    bad.MessageType = 7;
    EXPECT_FALSE(store.OutboxModifyRecord(bad));
    EXPECT_EQ(Guids(store, true), (G{"U"}));
}

TEST_F(Store, ConcurrentChangesWhileListing) {
    CMgmtSMS store(m_folder);
    constexpr int kPerThread = 40;
    std::atomic<bool> done{false};
    std::atomic<int> listFailures{0};
    std::thread lister([&] {
        MessageRecordList list;
        while (!done.load()) {
            store.OutboxGetRecords(list, 0);
            for (const auto& r : list) {
                if (r == nullptr || r->Recipients.size() != 2) {
                    ++listFailures;
                }
            }
            store.SentboxGetRecords(list, MSGSTATUS_AWAITING_STATUS);
            std::int32_t low = 0, high = 0;
            store.SentboxGetLowestNotFinalID(low, high);
        }
    });
    auto worker = [&](int id) {
        for (int i = 0; i < kPerThread; ++i) {
            const std::string guid = std::to_string(id) + "-" + std::to_string(i);
            CSMSRecord sms = Sms(guid);
            sms.iLowID = i + 1;
            EXPECT_TRUE(store.OutboxAddRecord(sms));
            sms.Status = MSGSTATUS_AWAITING_STATUS;
            EXPECT_TRUE(store.OutboxModifyRecord(sms));
            EXPECT_TRUE(store.OutboxMoveToSentbox(guid));
            auto copy = store.SentboxGetRecord(guid);
            ASSERT_NE(copy, nullptr);
            copy->UpdateRecipientStatus("+0", "Delivered", "F");
            EXPECT_TRUE(store.SentboxModifyRecord(*copy));
        }
    };
    std::vector<std::thread> workers;
    for (int id = 0; id < 3; ++id) {
        workers.emplace_back(worker, id);
    }
    for (auto& t : workers) {
        t.join();
    }
    done = true;
    lister.join();
    EXPECT_EQ(listFailures.load(), 0);
    EXPECT_TRUE(Guids(store, true).empty());
    EXPECT_EQ(Guids(store, false, MSGSTATUS_FINAL).size(), 3u * kPerThread);
    CMgmtSMS reloaded(m_folder);
    EXPECT_EQ(Guids(reloaded, false).size(), 3u * kPerThread);
}

} // namespace
