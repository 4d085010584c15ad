// Send results, error reports and delivery status reports against a scripted core.
#include "CoreTestFixture.h"

#include "platform/Win.h"

namespace coretest {
namespace {

class SendResults : public CoreFixture {};

TEST_F(SendResults, SuccessMovesTheRecordToTheSentboxWithItsIds) {
    Start();
    ASSERT_TRUE(store->OutboxAddRecord(Sms("G1", "+111,+222", MSGSTATUS_AWAITING_ID)));
    fake->sendResults["G1"] = {1, 3, 7, 0, "", ""};
    Event(QVStatusSendMessageInfoID, "G1");

    EXPECT_EQ(store->OutboxGetRecord("G1"), nullptr);
    auto sent = store->SentboxGetRecord("G1");
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->Status, MSGSTATUS_AWAITING_STATUS);
    EXPECT_EQ(sent->HighID, 3);
    EXPECT_EQ(sent->iLowID, 7);
    EXPECT_EQ(boxes->CallCount(), 0u);
}

TEST_F(SendResults, BothIdsZeroIsAFailureClassifiedByItsLabel) {
    Start();
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G1"] = {1, 0, 0, 0, "Server Error", "The service failed"};
    MarkLog();
    Event(QVStatusSendMessageInfoID, "G1");

    auto rec = store->OutboxGetRecord("G1");
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->Status, MSGSTATUS_ERROR);
    EXPECT_EQ(rec->ErrorText, "An error occured while sending the message");
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(boxes->Calls()[0].text, "Server Error");
    EXPECT_EQ(boxes->Calls()[0].caption, kProduct);
    EXPECT_EQ(boxes->Calls()[0].type & win::MB_TYPEMASK, win::MB_OK);
    std::string log = NewLog();
    // One line: the core's text runs straight into "Message data:" and the dump.
    EXPECT_TRUE(Contains(log, "Message was not sent due to an error. Core reports: Server "
                              "ErrorMessage data:\n"));
    EXPECT_TRUE(Contains(log, "Message record dump:"));
}

TEST_F(SendResults, BothResendLabelsPutTheRecordBackWithoutABox) {
    Start();
    for (const char* label : {"Server not found", "Server not avail"}) {
        std::string guid = std::string("G-") + label;
        store->OutboxAddRecord(Sms(guid, "+111", MSGSTATUS_AWAITING_ID));
        fake->sendResults[guid] = {1, 0, 0, 1, label, ""};
        MarkLog();
        Event(QVStatusSendMessageInfoID, guid);
        auto rec = store->OutboxGetRecord(guid);
        ASSERT_NE(rec, nullptr) << label;
        EXPECT_EQ(rec->Status, MSGSTATUS_NOT_SENT) << label;
        EXPECT_EQ(rec->ErrorText, "Awaiting server connection...") << label;
        EXPECT_TRUE(Contains(NewLog(), "Attempting to resend the message")) << label;
    }
    EXPECT_EQ(boxes->CallCount(), 0u);
}

TEST_F(SendResults, OtherLabelsShowOneBoxWithTheDescription) {
    Start();
    // The label is compared exactly: another letter case is not a resend label.
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G1"] = {1, 0, 0, 1, "server not found", "Lower case"};
    store->OutboxAddRecord(Sms("G2", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["G2"] = {1, 0, 0, 1, "Message too long", ""};

    // The folder dialog, when open, owns the box.
    win::HWND folderWindow =
        win::CreateWindow({"TestFolder", "Message Folders", 0, 0}, win::DefWindowProc);
    ASSERT_NE(folderWindow, 0u);
    Event(QVStatusSendMessageInfoID, "G1");
    win::DestroyWindow(folderWindow);
    Event(QVStatusSendMessageInfoID, "G2");

    EXPECT_EQ(store->OutboxGetRecord("G1")->Status, MSGSTATUS_ERROR);
    EXPECT_EQ(store->OutboxGetRecord("G2")->Status, MSGSTATUS_ERROR);
    auto calls = boxes->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "Lower case");
    EXPECT_EQ(calls[0].owner, folderWindow);
    EXPECT_EQ(calls[1].text, "No error description avalible");
    EXPECT_EQ(calls[1].owner, win::HWND_DESKTOP);
}

TEST_F(SendResults, UnknownGuidAndFailedFetchAreLoggedAndChangeNothing) {
    Start();
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    fake->sendResults["OTHER"] = {1, 0, 9, 0, "", ""};
    MarkLog();
    Event(QVStatusSendMessageInfoID, "OTHER");
    Event(QVStatusSendMessageInfoID, "MISSING"); // the fake has no result: fetch gives 0
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "Warning: No matching outbox record found for the given GUID. "
                              "Message might have been removed."));
    EXPECT_TRUE(Contains(log, "The call to QVGetStatusSendMessageInfo failed"));
    EXPECT_EQ(store->OutboxGetRecord("G1")->Status, MSGSTATUS_AWAITING_ID);
    MessageRecordList sent;
    EXPECT_EQ(store->SentboxGetRecords(sent, 0), 0);
}

TEST_F(SendResults, LongTextsAreFetchedWithLargerBuffers) {
    Start();
    store->OutboxAddRecord(Sms("G1", "+111", MSGSTATUS_AWAITING_ID));
    std::string description(3000, 'd');
    fake->sendResults["G1"] = {1, 0, 0, 1, "Odd", description};
    Event(QVStatusSendMessageInfoID, "G1");
    EXPECT_EQ(fake->FetchSizes(), (std::vector<std::int32_t>{1024, 3001}));
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(boxes->Calls()[0].text, description);
}

TEST_F(SendResults, ErrorReportsForOutboxSentboxAndUnknownGuids) {
    Start();
    store->OutboxAddRecord(Sms("OUT", "+111", MSGSTATUS_AWAITING_ID));
    CSMSRecord sent = Sms("SENT", "+111", MSGSTATUS_NOT_SENT);
    store->OutboxAddRecord(sent);
    store->OutboxMoveToSentbox("SENT");
    sent.Status = MSGSTATUS_AWAITING_STATUS;
    sent.iLowID = 4;
    store->SentboxModifyRecord(sent);
    fake->errorReports["OUT"] = {1, 0, 0, 0, "Server not found", ""};
    fake->errorReports["SENT"] = {1, 0, 0, 0, "Server not avail", ""};
    fake->errorReports["NONE"] = {1, 0, 0, 0, "Parse Error", ""};

    MarkLog();
    Event(QVStatusErrorID, "OUT");
    EXPECT_EQ(store->OutboxGetRecord("OUT")->Status, MSGSTATUS_NOT_SENT);
    EXPECT_TRUE(Contains(NewLog(), "Attempting to resend the message if message is in outbox"));

    Event(QVStatusErrorID, "SENT"); // a sentbox record never goes back to the outbox
    auto inSentbox = store->SentboxGetRecord("SENT");
    ASSERT_NE(inSentbox, nullptr);
    EXPECT_EQ(inSentbox->Status, MSGSTATUS_ERROR);
    EXPECT_EQ(inSentbox->ErrorText, "Awaiting server connection...");
    EXPECT_EQ(store->OutboxGetRecord("SENT"), nullptr);

    Event(QVStatusErrorID, "NONE");
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "Warning: Cannot find a record that matches the GUID."));
    EXPECT_TRUE(Contains(log, "Core is reporting an error that does not correspond to a message "
                              "or the message has been deleted:\nParse Error"));
    EXPECT_EQ(boxes->CallCount(), 0u);

    Event(QVStatusErrorID, "NO-REPORT");
    EXPECT_TRUE(Contains(NewLog(), "Error: Call to QVGetStatusError failed"));
}

TEST_F(SendResults, ErrorReportWithAnOrdinaryLabelShowsTheBox) {
    Start();
    store->OutboxAddRecord(Sms("OUT", "+111", MSGSTATUS_AWAITING_ID));
    fake->errorReports["OUT"] = {1, 0, 0, 0, "Bad server responce", "x"};
    Event(QVStatusErrorID, "OUT");
    EXPECT_EQ(store->OutboxGetRecord("OUT")->Status, MSGSTATUS_ERROR);
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(boxes->Calls()[0].text, "Bad server responce");
}

class DeliveryStatus : public CoreFixture {
protected:
    void PutSent(const std::string& guid, const std::string& recipients, std::int32_t low,
                 std::int32_t status) {
        CSMSRecord r = Sms(guid, recipients, MSGSTATUS_NOT_SENT);
        store->OutboxAddRecord(r);
        store->OutboxMoveToSentbox(guid);
        r.iLowID = low;
        r.Status = status;
        store->SentboxModifyRecord(r);
    }
};

TEST_F(DeliveryStatus, FinalReportForBothRecipientsMovesTheSubscriptionOnThenOff) {
    Start();
    PutSent("A", "+111,+222", 5, MSGSTATUS_AWAITING_STATUS);
    PutSent("B", "+333", 9, MSGSTATUS_AWAITING_STATUS);
    fake->statusReports["RA"] = {1, 0, 5, "Fdelivered", "Delivered", "+111,+222", 0};
    fake->statusReports["RB"] = {1, 0, 9, "Fdelivered", "Delivered", "333", 0};

    Event(QVStatusMessageInfoID, "RA");
    auto a = store->SentboxGetRecord("A");
    EXPECT_EQ(a->Status, MSGSTATUS_FINAL);
    EXPECT_EQ(a->Recipients[0].StatusText, "Delivered");
    EXPECT_TRUE(a->Recipients[1].Final);
    auto updates = fake->Updates();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].lowId, 9);
    EXPECT_EQ(updates[0].highId, 0);
    EXPECT_EQ(updates[0].language, "en");
    EXPECT_EQ(updates[0].ipAddress, "192.0.2.7");
    EXPECT_EQ(updates[0].applicationId, kAppId);
    EXPECT_EQ(updates[0].accountId, "4711");

    MarkLog();
    Event(QVStatusMessageInfoID, "RB");
    EXPECT_EQ(store->SentboxGetRecord("B")->Status, MSGSTATUS_FINAL);
    updates = fake->Updates();
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[1].lowId, 0);
    EXPECT_TRUE(updates[1].nullTexts);
    EXPECT_TRUE(Contains(NewLog(), "Calling QVUpdateMsgId to turn subscription off"));
}

TEST_F(DeliveryStatus, PendingReportKeepsWaitingAndSubscribesToTheOldest) {
    Start();
    PutSent("A", "+111,+222", 5, MSGSTATUS_AWAITING_STATUS);
    fake->statusReports["R"] = {1, 0, 5, "Fdelivered", "Delivered", "+111", 0};
    Event(QVStatusMessageInfoID, "R");
    EXPECT_EQ(store->SentboxGetRecord("A")->Status, MSGSTATUS_AWAITING_STATUS);
    ASSERT_EQ(fake->Updates().size(), 1u);
    EXPECT_EQ(fake->Updates()[0].lowId, 5);
}

TEST_F(DeliveryStatus, AlreadyFinalUnknownIdAndErrorFlag) {
    Start();
    PutSent("A", "+111", 5, MSGSTATUS_FINAL);
    fake->statusReports["FINAL"] = {1, 0, 5, "Fdelivered", "Again", "+111", 0};
    fake->statusReports["UNKNOWN"] = {1, 0, 77, "Fdelivered", "Delivered", "+111", 0};
    fake->statusReports["ERR"] = {1, 0, 5, "", "", "", 1};

    MarkLog();
    Event(QVStatusMessageInfoID, "FINAL");
    auto a = store->SentboxGetRecord("A");
    EXPECT_EQ(a->StatusQueryCount, 0);
    EXPECT_TRUE(Contains(NewLog(), "Message status is already final"));
    Event(QVStatusMessageInfoID, "UNKNOWN");
    EXPECT_TRUE(Contains(NewLog(), "Warning: Could not find a message with the corresponding ID "
                                   "in sentbox. It might have been deleted"));
    EXPECT_TRUE(fake->Updates().empty());

    Event(QVStatusMessageInfoID, "ERR");
    EXPECT_TRUE(Contains(NewLog(), "Calling QVUpdateMsgId to turn subscription off"));
    ASSERT_EQ(fake->Updates().size(), 1u);
    EXPECT_TRUE(fake->Updates()[0].nullTexts);

    fake->updateResult = 0;
    Event(QVStatusMessageInfoID, "ERR");
    EXPECT_TRUE(Contains(NewLog(), "The call to QVUpdateMsgId failed"));
    Event(QVStatusMessageInfoID, "NO-REPORT");
    EXPECT_TRUE(Contains(NewLog(), "Call to QVGetMessageStatus failed"));
}

TEST_F(DeliveryStatus, SenderAndBalanceCodesTellTheUser) {
    Start();
    PutSent("A", "+111", 5, MSGSTATUS_AWAITING_STATUS);
    PutSent("B", "+222", 6, MSGSTATUS_AWAITING_STATUS);
    fake->statusReports["RA"] = {1, 0, 5, "Funknownsender", "Not delivered", "+111", 0};
    fake->statusReports["RB"] = {1, 0, 6, "Finsufficientbalance", "Not delivered", "+222", 0};
    MarkLog();
    Event(QVStatusMessageInfoID, "RA");
    Event(QVStatusMessageInfoID, "RB");
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "StatusLabel is Funknownsender"));
    EXPECT_TRUE(Contains(log, "StatusLabel is BalanceInsufficient"));
    auto calls = boxes->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "Your originator cellular phone number is not recognized by the "
                             "system");
    EXPECT_EQ(calls[1].text, "You do not have sufficient balance to send the message");
    EXPECT_EQ(store->SentboxGetRecord("A")->Status, MSGSTATUS_FINAL);
}

} // namespace
} // namespace coretest
