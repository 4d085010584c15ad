// The compose dialog while the user writes: titles and filling by mode, counters, the length
// limit, flash, signature and templates, the recipients field, closing and the window
// rectangle; screenshots of the modes.
#include "ComposeFixture.h"

#include "GuiTestEnv.h"
#include "compose/CAutoCompleteEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace composetest;

namespace {

QString Repeat(const QString& unit, int times) {
    return unit.repeated(times);
}

QString Counter(CDlgNewSMS& dialog) {
    return dialog.CharacterCounter()->text();
}

void Paste(QWidget* field, const QString& text) {
    QApplication::clipboard()->setText(text);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

void Screenshot(QWidget& window, const std::string& name) {
    window.repaint();
    guitest::Spin(20);
    window.grab().save(QString::fromStdString(guitest::ScreenshotFolder() + "/" + name));
}

CSMSRecord Stored(const std::string& guid, const std::string& numbers, const std::string& text) {
    CSMSRecord record;
    record.GUID = guid;
    record.SetRecipients(numbers);
    record.MessageText = text;
    record.Sender = "Tidewell (no reply)";
    record.FlashMode = "0";
    record.TruncateMode = 1;
    record.DateTime = "2031-05-06 07:08";
    return record;
}

} // namespace

TEST_F(ComposeTest, EmptyDialogCountsZeroInOnePart) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "New SMS");
    EXPECT_EQ(Counter(*dialog), "0 [1]");
    EXPECT_EQ(dialog->TotalCounter()->text(), "0 SMS");
    EXPECT_EQ(dialog->BalanceDisplay()->text(), "100");
    EXPECT_EQ(QApplication::focusWidget(), dialog->Recipients());
    EXPECT_GE(dialog->minimumWidth(), 450);
    EXPECT_GE(dialog->minimumHeight(), 200);
    EXPECT_FALSE(dialog->IsModified());
}

TEST_F(ComposeTest, CountersAtTheBoundaries) {
    SetRoot("TruncationMode", 1);
    auto dialog = Open();
    QPlainTextEdit* body = dialog->Body();
    body->setPlainText(Repeat("a", 159));
    Type(body, "b");
    EXPECT_EQ(Counter(*dialog), "160 [1]");
    Type(body, "c");
    EXPECT_EQ(Counter(*dialog), "161 [2]");
    body->setPlainText(Repeat("a", 321));
    EXPECT_EQ(Counter(*dialog), "321 [3]");
    // A line break is one character.
    body->setPlainText(Repeat("a", 79) + "\n" + Repeat("a", 80));
    EXPECT_EQ(Counter(*dialog), "160 [1]");
    // Extension characters take two.
    body->setPlainText(Repeat(QString::fromUtf8("\xE2\x82\xAC"), 80));
    EXPECT_EQ(Counter(*dialog), "160 [1]");
    Type(body, "{");
    EXPECT_EQ(Counter(*dialog), "162 [2]");
    // UCS-2: 70 to one SMS.
    body->setPlainText(Repeat(QString::fromUtf8("\xCF\x89"), 70));
    EXPECT_EQ(Counter(*dialog), "70 [1]");
    Type(body, QString::fromUtf8("\xCF\x89"));
    EXPECT_EQ(Counter(*dialog), "71 [2]");
    // An emoji turns the text into UCS-2 and takes two units.
    body->setPlainText(Repeat("a", 68));
    Type(body, QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(Counter(*dialog), "70 [1]");

    // Joined messages: 153 per part.
    SetRoot("SplitUpType", 1);
    dialog->UpdateSMSOptions();
    body->setPlainText(Repeat("a", 306));
    EXPECT_EQ(Counter(*dialog), "306 [2]");
    Type(body, "a");
    EXPECT_EQ(Counter(*dialog), "307 [3]");
    body->setPlainText(Repeat(QString::fromUtf8("\xCF\x89"), 135));
    EXPECT_EQ(Counter(*dialog), "135 [3]");

    // Recipients times parts.
    Type(dialog->Recipients(), "Team;+4917044444;");
    guitest::Spin(5);
    EXPECT_EQ(dialog->RecipientCount(), 4);
    body->setPlainText(Repeat("a", 200));
    EXPECT_EQ(dialog->TotalCounter()->text(), "8 SMS");
}

TEST_F(ComposeTest, LengthLimitCutsPastedText) {
    auto dialog = Open(); // truncation mode 0: one SMS
    QPlainTextEdit* body = dialog->Body();
    Paste(body, Repeat("x", 200));
    EXPECT_EQ(body->toPlainText(), Repeat("x", 160));
    EXPECT_EQ(Counter(*dialog), "160 [1]");
    // The cut is one step the user can take back, and typing at the limit adds nothing.
    Type(body, "y");
    EXPECT_EQ(body->toPlainText(), Repeat("x", 160));

    // A UCS-2 text holds 70; an emoji that does not fit a full GSM text is what is cut.
    body->clear();
    Paste(body, Repeat(QString::fromUtf8("\xCF\x89"), 100));
    EXPECT_EQ(body->toPlainText(), Repeat(QString::fromUtf8("\xCF\x89"), 70));
    body->setPlainText(Repeat("a", 100));
    body->moveCursor(QTextCursor::End);
    Type(body, QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(body->toPlainText(), Repeat("a", 100));
    // Extension characters fill the limit in pairs.
    body->setPlainText(Repeat("a", 159) + "[");
    EXPECT_EQ(body->toPlainText(), Repeat("a", 159));

    // Long messages: a stored limit of 0 means 32767.
    SetRoot("TruncationMode", 1);
    SetRoot("SplitUpCharLimit", 0);
    dialog->UpdateSMSOptions();
    EXPECT_EQ(dialog->TruncationMode(), 1);
    body->setPlainText(Repeat("z", 5000));
    EXPECT_EQ(body->toPlainText().size(), 5000);
    SetRoot("SplitUpCharLimit", 300);
    dialog->UpdateSMSOptions();
    EXPECT_EQ(body->toPlainText().size(), 300) << "a lower limit cuts at once";
}

TEST_F(ComposeTest, FlashNeedsAShortText) {
    SetRoot("FlashSMS", 1);
    SetRoot("TruncationMode", 1);
    auto dialog = Open();
    ASSERT_TRUE(dialog->FlashButton()->isVisibleTo(dialog.get()));
    dialog->Body()->setPlainText(Repeat("a", 160));
    dialog->FlashButton()->click();
    EXPECT_TRUE(dialog->FlashButton()->isChecked());
    EXPECT_TRUE(boxes->Calls().empty());
    dialog->FlashButton()->click();
    dialog->Body()->setPlainText(Repeat("a", 161));
    dialog->FlashButton()->click();
    EXPECT_FALSE(dialog->FlashButton()->isChecked());
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(boxes->Calls()[0].text, "A flash SMS can hold at most 160 characters.");
    EXPECT_EQ(boxes->Calls()[0].type, win::MB_OK | win::MB_ICONWARNING);

    SetRoot("FlashSMS", 0);
    auto hidden = Open();
    EXPECT_FALSE(hidden->FlashButton()->isVisibleTo(hidden.get()));
}

TEST_F(ComposeTest, TitlesAndFillingByMode) {
    CSMSRecord source = Stored("77", "+4917011111,+4917055555", "Meeting at 10");
    source.FlashMode = "16";
    references[3] = source;
    SetRoot("FlashSMS", 1);

    auto forward = Open(CDlgNewSMS::MODE_FORWARD, 3);
    EXPECT_EQ(forward->windowTitle(), "Forward SMS");
    EXPECT_EQ(forward->Body()->toPlainText(), "Meeting at 10");
    EXPECT_TRUE(forward->Recipients()->toPlainText().isEmpty());
    EXPECT_TRUE(forward->FlashButton()->isChecked());
    EXPECT_EQ(forward->TruncationMode(), 1);

    auto reply = Open(CDlgNewSMS::MODE_REPLY, 3);
    EXPECT_EQ(reply->windowTitle(), "Reply SMS");
    // Prefilled numbers are completed as if typed: valid, counted, separated.
    EXPECT_EQ(reply->Recipients()->ValidEntries(),
              std::vector<std::string>({"+4917011111", "+4917055555"}));
    EXPECT_EQ(reply->RecipientCount(), 2);
    EXPECT_EQ(reply->Originator()->currentText(), "Inbox (replies to your inbox)");

    auto modify = Open(CDlgNewSMS::MODE_MODIFY, 3);
    EXPECT_EQ(modify->windowTitle(), "Edit SMS");
    EXPECT_TRUE(modify->IsScheduled());
    EXPECT_EQ(modify->ScheduleTime(), QDateTime(QDate(2031, 5, 6), QTime(7, 8)));
    EXPECT_EQ(modify->Originator()->currentText(), "Tidewell (no reply)");

    // A record handed over from outside carries no flash mode: not a flash SMS.
    CSMSRecord outside;
    outside.MessageText = "From the mail client";
    references[4] = outside;
    auto other = Open(CDlgNewSMS::MODE_FORWARD, 4);
    EXPECT_FALSE(other->FlashButton()->isChecked());
    EXPECT_FALSE(modify->IsModified());
}

TEST_F(ComposeTest, OriginatorBoxEntries) {
    reg.SetAccDefOriginator(1);
    auto dialog = Open();
    QComboBox* box = dialog->Originator();
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), "+4917099999 (replies to your mobile)");
    EXPECT_EQ(box->itemText(1), "Inbox (replies to your inbox)");
    EXPECT_EQ(box->itemText(2), "Tidewell (no reply)");
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_TRUE(box->lineEdit()->isReadOnly()) << "neither free text nor own numbers allowed";

    reg.SetReplyOriginator("");
    reg.SetAllowOriginator(1);
    auto second = Open();
    EXPECT_EQ(second->Originator()->count(), 2);
    EXPECT_FALSE(second->Originator()->lineEdit()->isReadOnly());
}

TEST_F(ComposeTest, SignatureAndTemplates) {
    CTemplateRecord late{"Late", "Running late", "", "NO", "0"};
    CTemplateRecord sig{"Sig", "Ann from Tidewell", "", "YES", "1"};
    CTemplateRecord call{"Call", "Call me", "", "NO", "2"};
    templates->AddTemplate("Late", late);
    templates->AddTemplate("Sig", sig);
    templates->AddTemplate("Call", call);
    templates->SaveTemplates();
    templates->CloseTemplates();
    reg.SetEnableSignature(1);

    auto dialog = Open();
    EXPECT_EQ(dialog->Body()->toPlainText(), "\nAnn from Tidewell");
    EXPECT_FALSE(dialog->IsModified()) << "the signature at start is no change of the user";
    QStringList items;
    for (QAction* action : dialog->TemplateMenu()->actions()) {
        if (!action->isSeparator()) {
            items << action->text();
        }
    }
    EXPECT_EQ(items, QStringList({"0 Late\tCtrl+0", "2 Call\tCtrl+2", "Manage Templates..."}));
    EXPECT_TRUE(dialog->SignatureAction()->isEnabled());

    // Ctrl+2 asks before replacing a text, and Cancel keeps it.
    boxes->PushAnswer(win::IDCANCEL);
    QTest::keyClick(dialog->Body(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(dialog->Body()->toPlainText(), "\nAnn from Tidewell");
    QTest::keyClick(dialog->Body(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(dialog->Body()->toPlainText(), "Call me");
    EXPECT_TRUE(dialog->IsModified());
    EXPECT_EQ(BoxTexts()[0],
              "The message text will be replaced by the template. Do you want to continue?");

    // The signature slot and an empty slot are refused with their alerts.
    boxes->Clear();
    reg.SetAlertListboxFlags({1, 1, 1, 1, 0, 1, 1, 1, 1});
    dialog->UpdateSMSOptions();
    dialog->InsertTemplate(1);
    dialog->InsertTemplate(7);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>(
                              {"This template is your signature. Use Insert Signature to add it to "
                               "the message.",
                               "The template could not be found or is empty."}));
    EXPECT_EQ(dialog->Body()->toPlainText(), "Call me");
    dialog->SignatureAction()->trigger();
    EXPECT_EQ(dialog->Body()->toPlainText(), "Call me\nAnn from Tidewell");

    // Without templates the separator above the manage item goes.
    templates->RemoveTemplate("Late");
    templates->RemoveTemplate("Call");
    templates->RemoveTemplate("Sig");
    templates->SaveTemplates();
    dialog->UpdateSMSOptions();
    int visible = 0;
    for (QAction* action : dialog->TemplateMenu()->actions()) {
        visible += action->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(visible, 1);
    EXPECT_FALSE(dialog->SignatureAction()->isEnabled());
}

TEST_F(ComposeTest, RecipientsFieldCompletesAndSplitsPastedLists) {
    auto dialog = Open();
    CAutoCompleteEdit* field = dialog->Recipients();
    Paste(field, "+4917011111, +4917022222\n+49 170 33333 33;  ;+4917044444 +4917055555");
    guitest::Spin(5);
    EXPECT_EQ(field->ValidEntries(),
              std::vector<std::string>({"+4917011111", "+4917022222", "+49 170 33333 33",
                                        "+4917044444", "+4917055555"}));
    EXPECT_EQ(dialog->RecipientCount(), 5);
    EXPECT_EQ(dialog->TotalCounter()->text(), "5 SMS");

    // Typing an entry and ";" completes it; a wrong one stays invalid and is not counted.
    field->ClearRecipients();
    Type(field, "Team;hello;");
    guitest::Spin(5);
    EXPECT_EQ(field->ValidEntries(), std::vector<std::string>({"Team"}));
    EXPECT_EQ(field->InvalidEntries(), std::vector<std::string>({"hello"}));
    EXPECT_EQ(dialog->RecipientCount(), 3);
    // Select all, cut and undo work in the field.
    field->selectAll();
    field->cut();
    EXPECT_TRUE(field->toPlainText().isEmpty());
    field->undo();
    EXPECT_FALSE(field->toPlainText().isEmpty());

    // Tab moves on to the next field, Shift+Tab back.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), field);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), field);
}

TEST_F(ComposeTest, ClosingAChangedMessageAsks) {
    auto dialog = Open();
    Type(dialog->Body(), "Draft");
    boxes->PushAnswer(win::IDCANCEL);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(boxes->Calls()[0].type, win::MB_OKCANCEL | win::MB_ICONINFORMATION);
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());

    // Switched off, or nothing typed: no question.
    boxes->Clear();
    auto untouched = Open();
    untouched->close();
    EXPECT_EQ(boxes->CallCount(), 0u);
}

TEST_F(ComposeTest, WindowRectangleIsRestoredAndSaved) {
    reg.SetNewMessageSize("100-120-700-520");
    {
        auto dialog = Open();
        const QRect frame = dialog->frameGeometry();
        EXPECT_EQ(frame.topLeft(), QPoint(100, 120));
        EXPECT_EQ(frame.size(), QSize(600, 400));
        dialog->move(40, 50);
        guitest::Spin(5);
    }
    EXPECT_EQ(reg.GetNewMessageSize(), "40-50-640-450");
    {
        auto dialog = Open();
        dialog->move(-300, 50); // pushed off the screen
        guitest::Spin(5);
    }
    EXPECT_EQ(reg.GetNewMessageSize(), "40-50-640-450");
    // Smaller than the minimum is not possible.
    reg.SetNewMessageSize("0-0-100-100");
    auto small = Open();
    EXPECT_GE(small->width(), 450);
    EXPECT_GE(small->height(), 200);
}

TEST_F(ComposeTest, LowBalanceAtStartOffersTheRefillPage) {
    reg.SetPrepaidBalance(3);
    auto dialog = Open();
    EXPECT_EQ(accountUpdates, 1);
    ASSERT_EQ(boxes->CallCount(), 1u);
    EXPECT_EQ(boxes->Calls()[0].text, "Your prepaid balance is low: 3 messages left.\nWould you "
                                      "like to refill your account now?");
    ASSERT_EQ(shell->Opened().size(), 1u);
    EXPECT_NE(shell->Opened()[0].find("/account/refill"), std::string::npos);

    reg.SetAccountType("invoice");
    boxes->Clear();
    auto invoice = Open();
    EXPECT_EQ(boxes->CallCount(), 0u);
    EXPECT_EQ(accountUpdates, 1);
}

TEST_F(ComposeTest, Screenshots) {
    CTemplateRecord late{"Late", "Running late", "", "NO", "0"};
    templates->AddTemplate("Late", late);
    templates->SaveTemplates();
    SetRoot("FlashSMS", 1);
    SetRoot("TruncationMode", 1);
    auto dialog = Open();
    dialog->resize(620, 420);
    Type(dialog->Recipients(), "Ann Smith (+4917011111);+4917055555;nobody;");
    Type(dialog->Body(), "Hi <name>, the boat leaves at 7 from pier 3. See you there!");
    Screenshot(*dialog, "compose_new.png");

    references[1] = Stored("88", "+4917022222", "Are you coming tonight?");
    auto reply = Open(CDlgNewSMS::MODE_REPLY, 1);
    reply->resize(620, 420);
    Screenshot(*reply, "compose_reply.png");
    auto modify = Open(CDlgNewSMS::MODE_MODIFY, 1);
    modify->resize(620, 420);
    Screenshot(*modify, "compose_modify.png");
    dialog->MenuBar()->actions()[3]->menu()->popup(dialog->mapToGlobal(QPoint(150, 20)));
    guitest::Spin(20);
    Screenshot(*dialog->TemplateMenu(), "compose_template_menu.png");
    dialog->TemplateMenu()->hide();
}
