// Sending from the compose dialog: the checks and their order, the record that reaches the
// outbox, placeholders, originators, the balance, modify mode and keeping the window open.
#include "ComposeFixture.h"

#include "GuiTestEnv.h"
#include "compose/CAutoCompleteEdit.h"
#include "messages/CSMSRecord.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

using namespace composetest;

namespace {

const CSMSRecord& Sms(const std::unique_ptr<CMessageRecord>& record) {
    return static_cast<const CSMSRecord&>(*record);
}

} // namespace

TEST_F(ComposeTest, CtrlEnterSendsTheTypedMessage) {
    reg.SetAccDefOriginator(2);
    auto dialog = Open();
    Type(dialog->Recipients(), "+49 170 1234567");
    Type(dialog->Body(), "Ship ahoy");
    SendKeys(*dialog);

    auto outbox = Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    const CSMSRecord& sms = Sms(outbox[0]);
    EXPECT_EQ(sms.Status, MSGSTATUS_NOT_SENT);
    EXPECT_EQ(sms.GetRecipients(';'), "+491701234567");
    EXPECT_EQ(sms.MessageText, "Ship ahoy");
    EXPECT_EQ(sms.GUID, "5000");
    EXPECT_EQ(sms.AccountID, "4711");
    EXPECT_EQ(sms.FlashMode, "0");
    EXPECT_EQ(sms.Originator, "TEXTORIGINATOR");
    EXPECT_EQ(sms.Sender, "Tidewell (no reply)");
    EXPECT_EQ(sms.TruncateMode, 0);
    EXPECT_TRUE(sms.IsDue());
    EXPECT_EQ(wakes, 1) << "the monitor is woken";
    EXPECT_EQ(reg.GetPrepaidBalance(), 99u);
    EXPECT_FALSE(dialog->isVisible()) << "the window closes after sending";
    EXPECT_EQ(boxes->CallCount(), 0u);

    // The same tick again (a restart) never reuses a stored GUID.
    auto second = Open();
    Type(second->Recipients(), "Team;");
    Type(second->Body(), "All hands");
    SendKeys(*second);
    outbox = Outbox();
    ASSERT_EQ(outbox.size(), 2u);
    EXPECT_EQ(outbox[1]->GUID, "5001");
    EXPECT_EQ(Sms(outbox[1]).GetRecipients(';'), "+4917011111;+4917022222;+4917033333");
    EXPECT_EQ(reg.GetPrepaidBalance(), 96u) << "three recipients, one part";
}

TEST_F(ComposeTest, ChecksRunInOrderAndStopWithoutWriting) {
    auto dialog = Open();
    // No text comes before no recipient.
    EXPECT_FALSE(dialog->OnSendMessage());
    Type(dialog->Body(), "Hello");
    EXPECT_FALSE(dialog->OnSendMessage());
    Type(dialog->Recipients(), "nobody;");
    EXPECT_FALSE(dialog->OnSendMessage());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>(
                              {"Please enter a message.",
                               "Please enter at least one recipient with a valid mobile phone "
                               "number.",
                               "Please enter at least one recipient with a valid mobile phone "
                               "number."}));
    for (const auto& call : boxes->Calls()) {
        EXPECT_EQ(call.type, win::MB_OK | win::MB_ICONWARNING);
        EXPECT_EQ(call.caption, "Tidewell Windows");
    }

    // Some invalid entries: Cancel stops, OK goes on to the SMS limit.
    boxes->Clear();
    dialog->Recipients()->SetRecipients("nobody; Team; Bob Jones (+4917022222)");
    SetRoot("TotalSMSLimit", 3);
    boxes->PushAnswer(win::IDCANCEL);
    EXPECT_FALSE(dialog->OnSendMessage());
    EXPECT_FALSE(dialog->OnSendMessage());
    ASSERT_EQ(boxes->CallCount(), 3u);
    EXPECT_EQ(boxes->Calls()[0].type, win::MB_OKCANCEL | win::MB_ICONINFORMATION);
    EXPECT_EQ(BoxTexts()[2], "The message would need more SMS than allowed. Please shorten the "
                             "message or remove recipients.");

    // The limit is not exceeded at 4 total, then the balance stops it.
    boxes->Clear();
    SetRoot("TotalSMSLimit", 4);
    reg.SetAlertListboxFlags({0, 1, 1, 1, 1, 1, 1, 1, 1}); // no question about invalid entries
    reg.SetPrepaidBalance(3);
    boxes->PushAnswer(win::IDOK);
    EXPECT_FALSE(dialog->OnSendMessage());
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(BoxTexts()[0], "Your prepaid balance of 3 messages is not enough to send this "
                             "message.\nWould you like to refill your account now?");
    EXPECT_EQ(shell->Opened().size(), 1u) << "OK opens the refill page";
    EXPECT_TRUE(Outbox().empty());
    EXPECT_EQ(wakes, 0);
    EXPECT_EQ(reg.GetPrepaidBalance(), 3u);

    // A limit of 0 never refuses; an invoice account never checks or reduces the balance.
    SetRoot("TotalSMSLimit", 0);
    reg.SetAccountType("invoice");
    EXPECT_TRUE(dialog->OnSendMessage());
    EXPECT_EQ(Outbox().size(), 1u);
    EXPECT_EQ(reg.GetPrepaidBalance(), 3u);
}

TEST_F(ComposeTest, InternetQuestion) {
    reg.SetAlertListboxFlags({1, 1, 1, 1, 1, 1, 1, 1, 1});
    auto dialog = Open();
    SetRoot("DispKeepMsgWnd", 1);
    internet = false;
    Type(dialog->Recipients(), "+4917011111;");
    Type(dialog->Body(), "Hi");
    boxes->PushAnswer(win::IDCANCEL);
    EXPECT_FALSE(dialog->OnSendMessage());
    EXPECT_EQ(boxes->Calls().back().type, win::MB_OKCANCEL | win::MB_ICONINFORMATION);
    EXPECT_TRUE(Outbox().empty());
    EXPECT_TRUE(dialog->OnSendMessage()) << "OK sends; the monitor waits for the connection";
    modem = true;
    boxes->PushAnswer(win::IDYES);
    Type(dialog->Recipients(), "+4917011111;");
    Type(dialog->Body(), "Again");
    EXPECT_TRUE(dialog->OnSendMessage());
    EXPECT_EQ(boxes->Calls().back().type, win::MB_YESNOCANCEL | win::MB_ICONQUESTION);
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(Outbox().size(), 2u);
}

TEST_F(ComposeTest, PlaceholdersGiveOneMessagePerContact) {
    SetRoot("DispKeepMsgWnd", 1);
    reg.SetDispClearRecipients(1);
    reg.SetDispClearMsgBody(1);
    auto dialog = Open();
    Type(dialog->Recipients(), "Team;+4917055555;");
    Type(dialog->Body(), "Dear <NAME>, hi <FirstName> <lastname>!");
    boxes->PushAnswer(win::IDOK);
    boxes->PushAnswer(win::IDOK);
    ASSERT_TRUE(dialog->OnSendMessage());
    ASSERT_EQ(boxes->CallCount(), 2u);
    EXPECT_EQ(BoxTexts()[0],
              "The message contains name placeholders, which can only be filled in for address "
              "book contacts. The following recipients will not receive the message:\n\n"
              "+4917055555\n\nDo you want to continue?");
    auto outbox = Outbox();
    ASSERT_EQ(outbox.size(), 3u) << "none for the typed number";
    EXPECT_EQ(Sms(outbox[0]).MessageText, "Dear Ann Smith, hi Ann Smith!");
    EXPECT_EQ(Sms(outbox[0]).GetRecipients(';'), "+4917011111");
    EXPECT_EQ(outbox[0]->GUID, "50000");
    EXPECT_EQ(Sms(outbox[2]).MessageText, "Dear Cy Lee, hi Cy Lee!");
    EXPECT_EQ(outbox[2]->GUID, "50002");
    EXPECT_EQ(reg.GetPrepaidBalance(), 97u) << "reduced by the messages added";
    // Kept open: both fields cleared for the next message.
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->Body()->toPlainText().isEmpty());
    EXPECT_TRUE(dialog->Recipients()->toPlainText().isEmpty());

    // Cancel at the count warning adds nothing.
    boxes->Clear();
    Type(dialog->Recipients(), "Ann Smith (+4917011111);");
    Type(dialog->Body(), "Hi <name>");
    boxes->PushAnswer(win::IDCANCEL);
    EXPECT_FALSE(dialog->OnSendMessage());
    EXPECT_EQ(boxes->CallCount(), 1u) << "no typed numbers: only the count warning";
    EXPECT_EQ(Outbox().size(), 3u);
}

TEST_F(ComposeTest, ModifyReplacesTheWaitingMessage) {
    CSMSRecord waiting;
    waiting.GUID = "w1";
    waiting.SetRecipients("+4917011111");
    waiting.MessageText = "Old text";
    waiting.FlashMode = "0";
    waiting.DateTime = "2035-01-02 03:04";
    CSMSRecord other = waiting;
    other.GUID = "w2";
    ASSERT_TRUE(store->OutboxAddRecord(waiting));
    ASSERT_TRUE(store->OutboxAddRecord(other));
    references[9] = waiting;

    auto dialog = Open(CDlgNewSMS::MODE_MODIFY, 9);
    EXPECT_EQ(dialog->Body()->toPlainText(), "Old text");
    dialog->Body()->setPlainText("New text");
    ASSERT_TRUE(dialog->OnSendMessage());
    auto outbox = Outbox();
    ASSERT_EQ(outbox.size(), 2u);
    EXPECT_EQ(outbox[0]->GUID, "w2");
    EXPECT_EQ(Sms(outbox[1]).MessageText, "New text");
    EXPECT_EQ(outbox[1]->DateTime, "2035-01-02 03:04") << "the schedule is kept";
    EXPECT_EQ(reg.GetPrepaidBalance(), 100u) << "a change costs nothing more";
    EXPECT_EQ(BoxTexts(), std::vector<std::string>({"The message has been placed in your outbox "
                                                    "and will be sent at the scheduled time."}));

    // Placeholders cannot be used when changing a message.
    boxes->Clear();
    auto again = Open(CDlgNewSMS::MODE_MODIFY, 9);
    again->Body()->setPlainText("Hi <Name>");
    EXPECT_FALSE(again->OnSendMessage());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>({"A message with name placeholders cannot be "
                                                    "changed in the outbox. Please write a new "
                                                    "message instead."}));

    // A message the monitor handed to the core meanwhile stays; the change goes out as new.
    store->OutboxDelRecord(outbox[1]->GUID);
    auto late = Open(CDlgNewSMS::MODE_MODIFY, 9);
    late->Body()->setPlainText("Changed too late");
    ASSERT_TRUE(late->OnSendMessage());
    outbox = Outbox();
    ASSERT_EQ(outbox.size(), 2u);
    EXPECT_EQ(Sms(outbox[1]).MessageText, "Changed too late");
}

TEST_F(ComposeTest, OriginatorRules) {
    SetRoot("DispKeepMsgWnd", 1);
    reg.SetAlertListboxFlags({1, 0, 1, 1, 1, 1, 1, 1, 1});
    auto send = [&](const QString& originator) {
        auto dialog = Open();
        dialog->Originator()->setEditText(originator);
        dialog->Recipients()->SetRecipients("+4917011111");
        dialog->Body()->setPlainText("Hi");
        boxes->Clear();
        const bool sent = dialog->OnSendMessage();
        return std::make_pair(sent, boxes->CallCount() ? BoxTexts()[0] : std::string());
    };
    // Typed text with neither right: stops silently.
    EXPECT_EQ(send("Captain"), std::make_pair(false, std::string()));
    // A chosen entry is always fine.
    EXPECT_TRUE(send("+4917099999 (replies to your mobile)").first);
    EXPECT_EQ(Outbox().back()->Originator, "MSISDNORIGINATOR");

    reg.SetAllowOriginator(1);
    EXPECT_EQ(send("CaptainHook1").second, "The sender text can be at most 11 characters long.");
    EXPECT_EQ(send("+4917012345").second, "The sender text must not be a phone number.");
    EXPECT_TRUE(send("CaptainHook").first);
    EXPECT_EQ(Outbox().back()->Originator, "CaptainHook");

    reg.SetAllowOriginator(0);
    reg.SetAllowMsIsdnOriginator(1);
    EXPECT_EQ(send("Captain").second, "The sender must be a valid mobile phone number.");
    EXPECT_TRUE(send("0049 170 12345").first);
    EXPECT_EQ(Outbox().back()->Originator, "+4917012345");

    reg.SetAllowOriginator(1);
    EXPECT_TRUE(send("anything at all goes").first);
    EXPECT_EQ(Outbox().back()->Originator, "anything at all goes");
}

TEST_F(ComposeTest, RememberedOriginatorAndFlashRecord) {
    reg.SetRememberOriginator(1);
    SetRoot("FlashSMS", 1);
    auto dialog = Open();
    dialog->Originator()->setCurrentIndex(1);
    dialog->FlashButton()->click();
    Type(dialog->Recipients(), "+4917011111;");
    Type(dialog->Body(), "Flash!");
    ASSERT_TRUE(dialog->OnSendMessage());
    EXPECT_EQ(reg.GetAccDefOriginator(), 1u);
    EXPECT_EQ(Sms(Outbox().back()).FlashMode, "16");
    EXPECT_EQ(Outbox().back()->Originator, "REPLYORIGINATOR");
}

TEST_F(ComposeTest, RightAfterSignupTheBalanceIsNotJudged) {
    // The account data of a new account are still on their way: no type, balance 0.
    reg.SetAccountType("");
    reg.SetPrepaidBalance(0);
    auto dialog = Open();
    EXPECT_EQ(boxes->CallCount(), 0u) << "no low-balance alert for data not yet there";
    EXPECT_EQ(accountUpdates, 1) << "but the data are asked for";
    Type(dialog->Recipients(), "+4917011111;");
    Type(dialog->Body(), "First message");
    ASSERT_TRUE(dialog->OnSendMessage());
    EXPECT_EQ(Outbox().size(), 1u);
    EXPECT_EQ(reg.GetPrepaidBalance(), 0u);
    EXPECT_EQ(boxes->CallCount(), 0u);
}
