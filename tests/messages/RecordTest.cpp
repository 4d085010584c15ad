#include "common/LogCapture.h"
#include "common/TestEnv.h"

#include "language/CLangTranslator.h"

#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"
#include "messages/CMMSRecord.h"
#include "messages/CMessageClock.h"
#include "messages/CSMSRecord.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace std::chrono;
using twtest::Bytes;
using twtest::LogCapture;

namespace {

// Hand-written bytes of one SMS record in the current layout.
const std::string kSmsRecordBytes = std::string("\x09"
                                                "TWDSMS353"
                                                "\x09"
                                                "TWDMSG353"
                                                "\x02\x00\x00\x00" // HighID 2
                                                "\x07\x00\x00\x00" // iLowID 7
                                                "\x00\x00\x00\x00" // ReservedValue
                                                "\x01\x00\x00\x00" // StatusQueryCount 1
                                                "\x05\x00\x00\x00" // Status 5
                                                "\x01\x00\x00\x00" // one recipient
                                                "\x01"             // AccountID
                                                "A"
                                                "\x10"
                                                "2005-06-01 14:05" // DateTime
                                                "\x00"             // ErrorText
                                                "\x02"
                                                "G1" // GUID
                                                "\x01"
                                                "O" // Originator
                                                "\x01"
                                                "S"                // Sender
                                                "\x00"             // StatusLabel
                                                "\x01\x00\x00\x00" // final
                                                "\x02"
                                                "+1"   // number
                                                "\x00" // second text
                                                "\x02"
                                                "OK" // status text
                                                "\x02"
                                                "Hi" // MessageText
                                                "\x01"
                                                "0"                 // FlashMode
                                                "\x01\x00\x00\x00", // TruncateMode 1
                                                92);

CSMSRecord FixtureSms() {
    CSMSRecord sms;
    sms.HighID = 2;
    sms.iLowID = 7;
    sms.StatusQueryCount = 1;
    sms.Status = MSGSTATUS_AWAITING_STATUS;
    sms.AccountID = "A";
    sms.DateTime = "2005-06-01 14:05";
    sms.GUID = "G1";
    sms.Originator = "O";
    sms.Sender = "S";
    sms.Recipients.push_back({"+1", "", "OK", true});
    sms.MessageText = "Hi";
    sms.FlashMode = "0";
    sms.TruncateMode = 1;
    return sms;
}

void ExpectSameBase(const CMessageRecord& a, const CMessageRecord& b) {
    EXPECT_EQ(a.MessageType, b.MessageType);
    EXPECT_EQ(a.Status, b.Status);
    EXPECT_EQ(a.GUID, b.GUID);
    EXPECT_EQ(a.Sender, b.Sender);
    EXPECT_EQ(a.DateTime, b.DateTime);
    EXPECT_EQ(a.StatusLabel, b.StatusLabel);
    EXPECT_EQ(a.AccountID, b.AccountID);
    EXPECT_EQ(a.Originator, b.Originator);
    EXPECT_EQ(a.ErrorText, b.ErrorText);
    EXPECT_EQ(a.iLowID, b.iLowID);
    EXPECT_EQ(a.HighID, b.HighID);
    EXPECT_EQ(a.ReservedValue, b.ReservedValue);
    EXPECT_EQ(a.StatusQueryCount, b.StatusQueryCount);
    EXPECT_EQ(a.Recipients, b.Recipients);
}

MessageDateTime g_now;
MessageDateTime FixedNow() {
    return g_now;
}

struct ClockGuard {
    explicit ClockGuard(MessageDateTime now) {
        g_now = now;
        CMessageClock::SetNowFunction(&FixedNow);
    }
    ~ClockGuard() { CMessageClock::SetNowFunction(nullptr); }
};

MessageDateTime At(int y, unsigned mo, unsigned d, int h, int mi, int s = 0) {
    return local_days{year(y) / month(mo) / day(d)} + hours(h) + minutes(mi) + seconds(s);
}

TEST(Record, InitialValues) {
    CSMSRecord sms;
    EXPECT_EQ(sms.MessageType, 0);
    EXPECT_EQ(sms.Status, MSGSTATUS_NOT_SENT);
    EXPECT_EQ(sms.iLowID, 0);
    EXPECT_EQ(sms.HighID, 0);
    EXPECT_EQ(sms.ReservedValue, 0);
    EXPECT_EQ(sms.StatusQueryCount, 0);
    EXPECT_EQ(sms.DateTime, "1899-12-30 00:00");
    EXPECT_TRUE(sms.Recipients.empty());
    EXPECT_EQ(sms.TruncateMode, 0);
    EXPECT_TRUE(sms.FlashMode.empty());

    CMMSRecord mms;
    EXPECT_EQ(mms.MessageType, 1);
    EXPECT_EQ(mms.MMSValue1, 100);
    EXPECT_EQ(mms.MMSValue2, 1);

    CMessageRecord base;
    EXPECT_EQ(base.MessageType, -1);
}

TEST(Record, CopyIsIndependentOfTheOriginal) {
    CSMSRecord original = FixtureSms();
    CSMSRecord copy = original;
    copy.Recipients[0].StatusText = "changed";
    copy.MessageText = "other";
    EXPECT_EQ(original.Recipients[0].StatusText, "OK");
    EXPECT_EQ(original.MessageText, "Hi");
    CSMSRecord assigned;
    assigned = original;
    ExpectSameBase(assigned, original);
    EXPECT_EQ(assigned.TruncateMode, 1);
}

TEST(Record, SetAndGetRecipients) {
    CSMSRecord sms;
    EXPECT_EQ(sms.SetRecipients("+111; +222 ,,"), 2);
    ASSERT_EQ(sms.Recipients.size(), 2u);
    EXPECT_EQ(sms.Recipients[0], (MessageRecipient{"+111", "", "", false}));
    EXPECT_EQ(sms.Recipients[1].Number, "+222");
    EXPECT_EQ(sms.GetRecipients(','), "+111,+222");
    EXPECT_EQ(sms.GetRecipients(';'), "+111;+222");
    // Replaces the earlier list; empty pieces in the middle are dropped.
    EXPECT_EQ(sms.SetRecipients(" +1 ,, ; +2\t\n"), 2);
    EXPECT_EQ(sms.GetRecipients(','), "+1,+2");
    EXPECT_EQ(sms.SetRecipients(""), 0);
    EXPECT_EQ(sms.GetRecipients(','), "");
    EXPECT_EQ(sms.SetRecipients(" ; , "), 0);
}

TEST(Record, StatusReportMatchesNumbersWithoutPlus) {
    CSMSRecord sms;
    sms.SetRecipients("+111,+222");
    sms.UpdateRecipientStatus("111", "Delivered", "F");
    EXPECT_EQ(sms.StatusQueryCount, 1);
    EXPECT_EQ(sms.Recipients[0].StatusText, "Delivered");
    EXPECT_TRUE(sms.Recipients[0].Final);
    EXPECT_TRUE(sms.Recipients[1].StatusText.empty());
    EXPECT_EQ(sms.Status, MSGSTATUS_AWAITING_STATUS);
    sms.UpdateRecipientStatus("+222", "Buffered", "Pbuffered");
    EXPECT_FALSE(sms.Recipients[1].Final);
    EXPECT_EQ(sms.Status, MSGSTATUS_AWAITING_STATUS);
    sms.UpdateRecipientStatus("+222", "Delivered", "Fdelivered");
    EXPECT_EQ(sms.Status, MSGSTATUS_FINAL);
}

TEST(Record, StatusReportForPlusZeroAppliesToEveryone) {
    CSMSRecord sms;
    sms.SetRecipients("+111,+222,+333");
    sms.UpdateRecipientStatus("+0", "Sent", "P");
    for (const auto& r : sms.Recipients) {
        EXPECT_EQ(r.StatusText, "Sent");
        EXPECT_FALSE(r.Final);
    }
    sms.UpdateRecipientStatus("0", "Delivered", "F");
    for (const auto& r : sms.Recipients) {
        EXPECT_TRUE(r.Final);
    }
    EXPECT_EQ(sms.Status, MSGSTATUS_FINAL);
}

TEST(Record, ReportFinalisingSeveralNumbersLeavesAFinalRecord) {
    CSMSRecord sms;
    sms.SetRecipients("+111,+222");
    sms.UpdateRecipientStatus("+111,+222", "Delivered", "F");
    EXPECT_TRUE(sms.Recipients[0].Final);
    EXPECT_TRUE(sms.Recipients[1].Final);
    EXPECT_EQ(sms.Status, MSGSTATUS_FINAL);
}

TEST(Record, EmptyReportMatchesNobodyButCounts) {
    CSMSRecord sms;
    sms.SetRecipients("+111");
    sms.UpdateRecipientStatus("", "Delivered", "F");
    EXPECT_EQ(sms.StatusQueryCount, 1);
    EXPECT_TRUE(sms.Recipients[0].StatusText.empty());
    EXPECT_EQ(sms.Status, MSGSTATUS_AWAITING_STATUS);
    // A record without recipients becomes final at once.
    CSMSRecord none;
    none.UpdateRecipientStatus("+1", "x", "P");
    EXPECT_EQ(none.Status, MSGSTATUS_FINAL);
}

TEST(Record, AfterTheEleventhReportSilentRecipientsAreUnknown) {
    CSMSRecord sms;
    sms.SetRecipients("+111,+222,+333");
    sms.UpdateRecipientStatus("+333", "Buffered", "P");
    for (int i = 0; i < 9; ++i) {
        sms.UpdateRecipientStatus("+999", "x", "F");
    }
    EXPECT_EQ(sms.StatusQueryCount, 10);
    EXPECT_TRUE(sms.Recipients[0].StatusText.empty());
    sms.UpdateRecipientStatus("+999", "x", "F");
    EXPECT_EQ(sms.Recipients[0].StatusText, "Unknown");
    EXPECT_TRUE(sms.Recipients[0].Final);
    EXPECT_EQ(sms.Recipients[1].StatusText, "Unknown");
    // +333 has a non-final text of its own: the record still waits for it.
    EXPECT_EQ(sms.Recipients[2].StatusText, "Buffered");
    EXPECT_EQ(sms.Status, MSGSTATUS_AWAITING_STATUS);
    sms.UpdateRecipientStatus("+333", "Delivered", "F");
    EXPECT_EQ(sms.Status, MSGSTATUS_FINAL);
}

TEST(Record, UnknownStatusTextComesFromTheLanguageTables) {
    const std::string folder = twtest::MakeTempDir("lang");
    twtest::WriteFile(folder + "/twd.lang",
                      "sendMessage.LabelRecipientStatusUnknown = Unbekannt\n");
    CLangTranslator translator(CLangEdition(), folder + "/language.log");
    ASSERT_TRUE(translator.ParseFile(folder + "/twd.lang"));
    CSMSRecord sms;
    sms.SetRecipients("+111");
    sms.StatusQueryCount = 10;
    sms.UpdateRecipientStatus("+999", "x", "F", &translator);
    EXPECT_EQ(sms.Recipients[0].StatusText, "Unbekannt");
    EXPECT_EQ(sms.Status, MSGSTATUS_FINAL);
}

TEST(Record, DateTextRoundTripsThroughTheValue) {
    CSMSRecord sms;
    sms.SetDateTime(At(2005, 6, 1, 14, 5, 59));
    EXPECT_EQ(sms.DateTime, "2005-06-01 14:05");
    EXPECT_EQ(sms.GetDateTime(), At(2005, 6, 1, 14, 5));
    sms.DateTime = "1899-12-30 00:00";
    EXPECT_EQ(sms.GetDateTime(), At(1899, 12, 30, 0, 0));
    // Single-digit fields, as the scan accepts them.
    sms.DateTime = "2006-1-2 3:4";
    EXPECT_EQ(sms.GetDateTime(), At(2006, 1, 2, 3, 4));
}

TEST(Record, DamagedDateTextGivesTheZeroDate) {
    CSMSRecord sms;
    for (const char* text : {"", "garbage", "2005-13-01 10:00", "2005-02-30 10:00",
                             "2005-06-01 25:00", "99999-01-01 00:00"}) {
        sms.DateTime = text;
        EXPECT_EQ(sms.GetDateTime(), At(1899, 12, 30, 0, 0)) << text;
    }
}

TEST(Record, DueAgainstTheReplaceableClock) {
    ClockGuard clock(At(2005, 6, 1, 14, 5, 30));
    CSMSRecord sms;
    sms.DateTime = "2005-06-01 14:05";
    EXPECT_TRUE(sms.IsDue());
    sms.DateTime = "2005-06-01 14:06";
    EXPECT_FALSE(sms.IsDue());
    sms.SetDateTime();
    EXPECT_EQ(sms.DateTime, "2005-06-01 14:05");
    EXPECT_TRUE(sms.IsDue());
    EXPECT_TRUE(CSMSRecord().IsDue());
}

TEST(Record, SystemClockIsCloseToTheCLibrary) {
    CSMSRecord sms;
    sms.SetDateTime();
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d", &tm);
    EXPECT_EQ(sms.DateTime.substr(0, 10), expected);
    EXPECT_TRUE(sms.IsDue());
}

TEST(Record, DumpText) {
    CSMSRecord sms = FixtureSms();
    sms.SetRecipients("+1,+2");
    EXPECT_EQ(sms.Dump(), "Message record dump:\nStatus: Message has been sent but not all "
                          "recipients have recieved final status\niLowID: 7\nHighID: 2\nGUID: "
                          "G1\nRecipients: +1,+2\nSender: S\nDateTime: 2005-06-01 14:05\n"
                          "StatusLabel: \nAccountID: A\nOriginator: O\nErrorText: ");
    sms.Status = 9;
    EXPECT_EQ(sms.Dump().substr(0, 36), "Message record dump:\nStatus: \niLowID");
}

TEST(RecordFormat, SmsIsWrittenByteForByte) {
    CArchiveWriter writer;
    ASSERT_TRUE(FixtureSms().Serialize(writer));
    EXPECT_EQ(writer.Data(), kSmsRecordBytes);
}

TEST(RecordFormat, SmsReadsBackEveryField) {
    CArchiveReader reader(kSmsRecordBytes);
    CSMSRecord sms;
    sms.Recipients.push_back({"+old", "", "", false}); // the list is replaced, not extended
    ASSERT_TRUE(sms.Serialize(reader));
    EXPECT_EQ(reader.Remaining(), 0u);
    CSMSRecord expected = FixtureSms();
    ExpectSameBase(sms, expected);
    EXPECT_EQ(sms.MessageText, "Hi");
    EXPECT_EQ(sms.FlashMode, "0");
    EXPECT_EQ(sms.TruncateMode, 1);
}

TEST(RecordFormat, RoundTripKeepsRecipientOrderAndTexts) {
    CSMSRecord sms = FixtureSms();
    sms.Recipients = {
        {"+3", "", "", false}, {"+1", "second", "Delivered", true}, {"+2", "", "", true}};
    sms.MessageText = std::string(300, 'm') + "\nline two";
    sms.ErrorText = "Err";
    sms.StatusLabel = "Label";
    sms.ReservedValue = 0;
    CArchiveWriter writer;
    ASSERT_TRUE(sms.Serialize(writer));
    CArchiveReader reader(writer.Data());
    CSMSRecord back;
    ASSERT_TRUE(back.Serialize(reader));
    ExpectSameBase(back, sms);
    EXPECT_EQ(back.MessageText, sms.MessageText);
}

TEST(RecordFormat, OldFlatSmsLayoutReadsLowIdFirst) {
    Bytes b;
    b.Text("TWD350SMS")
        .Text("G9")
        .Int(11) // iLowID
        .Int(22) // HighID
        .Text("Body")
        .Text("Sender")
        .Text("2004-01-02 03:04")
        .Text("Label")
        .Text("Acc")
        .Text("Orig")
        .Text("16")
        .Text("Err")
        .Int(MSGSTATUS_AWAITING_STATUS)
        .Int(0)
        .Int(3)
        .Int(2) // TruncateMode
        .Int(1)
        .Int(0)
        .Text("+44")
        .Text("")
        .Text("Buffered");
    CArchiveReader reader(b.str());
    CSMSRecord sms;
    ASSERT_TRUE(sms.Serialize(reader));
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(sms.GUID, "G9");
    EXPECT_EQ(sms.iLowID, 11);
    EXPECT_EQ(sms.HighID, 22);
    EXPECT_EQ(sms.MessageText, "Body");
    EXPECT_EQ(sms.Sender, "Sender");
    EXPECT_EQ(sms.DateTime, "2004-01-02 03:04");
    EXPECT_EQ(sms.StatusLabel, "Label");
    EXPECT_EQ(sms.AccountID, "Acc");
    EXPECT_EQ(sms.Originator, "Orig");
    EXPECT_EQ(sms.FlashMode, "16");
    EXPECT_EQ(sms.ErrorText, "Err");
    EXPECT_EQ(sms.Status, MSGSTATUS_AWAITING_STATUS);
    EXPECT_EQ(sms.StatusQueryCount, 3);
    EXPECT_EQ(sms.TruncateMode, 2);
    ASSERT_EQ(sms.Recipients.size(), 1u);
    EXPECT_EQ(sms.Recipients[0], (MessageRecipient{"+44", "", "Buffered", false}));

    // Written again, it takes the current layout with HighID first.
    CArchiveWriter writer;
    ASSERT_TRUE(sms.Serialize(writer));
    EXPECT_EQ(writer.Data().substr(0, 28),
              Bytes().Text("TWDSMS353").Text("TWDMSG353").Int(22).Int(11).str());
}

std::string MmsBytes(const std::string& magic, int values) {
    Bytes b;
    b.Text(magic)
        .Text("TWDMSG353")
        .Int(0)
        .Int(0)
        .Int(0)
        .Int(0)
        .Int(MSGSTATUS_FINAL)
        .Int(0)
        .Text("")
        .Text("2005-01-01 00:00")
        .Text("")
        .Text("M1")
        .Text("")
        .Text("")
        .Text("")
        .Text("Picture")
        .Text("Extra");
    if (values >= 1) {
        b.Int(7);
    }
    if (values >= 2) {
        b.Int(8);
    }
    return b.str();
}

TEST(RecordFormat, MmsVersions) {
    struct Case {
        const char* magic;
        int values;
        int value1;
        int value2;
    } cases[] = {{"TWDMMS355", 2, 7, 8}, {"TWDMMS354", 1, 7, 1}, {"TWDMMS353", 0, 100, 1}};
    for (const Case& c : cases) {
        const std::string data = MmsBytes(c.magic, c.values);
        CArchiveReader reader(data);
        CMMSRecord mms;
        ASSERT_TRUE(mms.Serialize(reader)) << c.magic;
        EXPECT_EQ(reader.Remaining(), 0u);
        EXPECT_EQ(mms.GUID, "M1");
        EXPECT_EQ(mms.MessageText, "Picture");
        EXPECT_EQ(mms.MMSText2, "Extra");
        EXPECT_EQ(mms.MMSValue1, c.value1) << c.magic;
        EXPECT_EQ(mms.MMSValue2, c.value2) << c.magic;
    }
    // Written, an MMS always takes the newest layout.
    CMMSRecord mms;
    mms.GUID = "M1";
    mms.Status = MSGSTATUS_FINAL;
    mms.DateTime = "2005-01-01 00:00";
    mms.MessageText = "Picture";
    mms.MMSText2 = "Extra";
    mms.MMSValue1 = 7;
    mms.MMSValue2 = 8;
    CArchiveWriter writer;
    ASSERT_TRUE(mms.Serialize(writer));
    EXPECT_EQ(writer.Data(), MmsBytes("TWDMMS355", 2));
}

TEST(RecordFormat, UnknownMmsMagicConsumesTheBaseBlockFirst) {
    LogCapture log;
    const std::string data = MmsBytes("TWDMMS999", 2);
    CArchiveReader reader(data);
    CMMSRecord mms;
    EXPECT_FALSE(mms.Serialize(reader));
    EXPECT_TRUE(
        log.Has("CMMSRecord::Serialize(readfile)", "Unknown MMS record format", LOG_SEV_ERROR));
    EXPECT_EQ(mms.GUID, "M1"); // the base block was read
    EXPECT_EQ(reader.Remaining(), Bytes().Text("Picture").Text("Extra").Int(7).Int(8).str().size());
}

TEST(RecordFormat, FailureMessagesAndLocations) {
    struct Case {
        std::string data;
        bool mms;
        const char* location;
        const char* message;
    } cases[] = {
        {Bytes().Text("TWDSMS999").str(), false, "CSMSRecord::Serialize(readfile)",
         "Unknown SMS record format"},
        {"", false, "CSMSRecord::Serialize(readfile)", "Error loading data from file."},
        {Bytes().Text("TWDSMS353").Text("TWDMSG999").str(), false,
         "CMessageRecord::Serialize(load)", "Error: Unknown record format."},
        {Bytes().Text("TWDSMS353").Text("TWDMSG353").Int(1).str(), false,
         "CMessageRecord::Serialize(load)", "Error: Unknown exception caught."},
        {kSmsRecordBytes.substr(0, kSmsRecordBytes.size() - 2), false,
         "CSMSRecord::Serialize(readfile)", "Error loading data from file."},
        {Bytes().Text("TWD350SMS").Text("G").str(), false, "CSMSRecord::Serialize(readfile)",
         "Error loading data from file."},
        {"", true, "CMMSRecord::Serialize(readfile)", "Error loading data from file."},
        {MmsBytes("TWDMMS355", 1), true, "CMMSRecord::Serialize(readfile)",
         "Error loading data from file."},
        {Bytes().Text("TWDMMS355").Text("TWDMSGxxx").str(), true, "CMessageRecord::Serialize(load)",
         "Error: Unknown record format."},
    };
    for (const Case& c : cases) {
        LogCapture log;
        CArchiveReader reader(c.data);
        std::unique_ptr<CMessageRecord> record;
        if (c.mms) {
            record = std::make_unique<CMMSRecord>();
        } else {
            record = std::make_unique<CSMSRecord>();
        }
        EXPECT_FALSE(record->Serialize(reader)) << c.message;
        EXPECT_TRUE(log.Has(c.location, c.message, LOG_SEV_ERROR))
            << c.location << ": " << c.message;
        EXPECT_EQ(log.Errors().size(), 1u) << c.message;
    }
}

TEST(RecordFormat, TruncatedSmsFailsAtEveryLength) {
    for (std::size_t n = 0; n < kSmsRecordBytes.size(); ++n) {
        const std::string cut = kSmsRecordBytes.substr(0, n);
        CArchiveReader reader(cut);
        CSMSRecord sms;
        EXPECT_FALSE(sms.Serialize(reader)) << n;
    }
}

TEST(RecordFormat, HugeRecipientCountFailsWithoutAllocating) {
    std::string data = kSmsRecordBytes;
    // Recipient count at offset 40: claim two billion recipients.
    data.replace(40, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    CArchiveReader reader(data);
    CSMSRecord sms;
    EXPECT_FALSE(sms.Serialize(reader));
}

} // namespace
