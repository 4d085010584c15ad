// The message options of one message, alone and from the compose dialog.
#include "ComposeFixture.h"

#include "GuiTestEnv.h"
#include "compose/CAutoCompleteEdit.h"
#include "options/CDlgMsgOptionsSMS.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>

using namespace composetest;

namespace {

// Acts on the message options as soon as they are up (they run modally).
void WhenOptions(std::function<void(CDlgMsgOptionsSMS*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<CDlgMsgOptionsSMS*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

} // namespace

TEST_F(ComposeTest, MessageOptionsTextsAndPickers) {
    CDlgMsgOptionsSMS options(reg);
    options.truncationMode = 1;
    options.scheduled = true;
    options.scheduleTime = QDateTime(QDate(2030, 2, 3), QTime(4, 5, 6));
    QString truncate;
    QString split;
    bool pickersOn = false;
    bool pickersOffAfterNow = true;
    WhenOptions([&](CDlgMsgOptionsSMS* dialog) {
        truncate = dialog->TruncateOption()->text();
        split = dialog->SplitUpOption()->text();
        EXPECT_TRUE(dialog->SplitUpOption()->isChecked());
        EXPECT_TRUE(dialog->SendAtOption()->isChecked());
        EXPECT_EQ(dialog->DatePicker()->date(), QDate(2030, 2, 3));
        EXPECT_EQ(dialog->TimePicker()->displayFormat(), "HH:mm");
        EXPECT_NE(dialog->DatePicker()->calendarWidget()->styleSheet().indexOf("0, 170, 0"), -1);
        pickersOn = dialog->DatePicker()->isEnabled() && dialog->TimePicker()->isEnabled();
        dialog->grab().save(
            QString::fromStdString(guitest::ScreenshotFolder() + "/message_options.png"));
        dialog->SendNowOption()->setChecked(true);
        pickersOffAfterNow = dialog->DatePicker()->isEnabled();
        dialog->TruncateOption()->setChecked(true);
        dialog->CancelButton()->click();
    });
    EXPECT_EQ(options.RunModal(), win::IDCANCEL);
    EXPECT_EQ(truncate, "Send one SMS only, cut to 160 characters");
    EXPECT_EQ(split, "Send long messages as several SMS, at most 640 characters");
    EXPECT_TRUE(pickersOn);
    EXPECT_FALSE(pickersOffAfterNow);
    // Cancel changes nothing.
    EXPECT_EQ(options.truncationMode, 1);
    EXPECT_TRUE(options.scheduled);
    EXPECT_EQ(CDlgMsgOptionsSMS::SplitUpText(0), "Send long messages as several SMS");
}

TEST_F(ComposeTest, MessageOptionsOkSetsTheComposeDialog) {
    reg.SetTruncationMode(3); // remember the last choice
    SetRoot("DispKeepMsgWnd", 1);
    auto compose = Open();
    EXPECT_EQ(compose->TruncationMode(), 0);
    const QDateTime later = QDateTime::currentDateTime().addDays(2);
    WhenOptions([&](CDlgMsgOptionsSMS* dialog) {
        EXPECT_TRUE(dialog->SendNowOption()->isChecked());
        EXPECT_FALSE(dialog->DatePicker()->isEnabled());
        dialog->SplitUpOption()->setChecked(true);
        dialog->SendAtOption()->setChecked(true);
        dialog->DatePicker()->setDate(later.date());
        dialog->TimePicker()->setTime(QTime(9, 30));
        dialog->OkButton()->click();
    });
    ASSERT_TRUE(compose->OnMessageOptions());
    EXPECT_EQ(compose->TruncationMode(), 1);
    EXPECT_EQ(reg.GetRememberTruncMode(), 1u);
    EXPECT_TRUE(compose->IsScheduled());
    EXPECT_EQ(compose->ScheduleTime(), QDateTime(later.date(), QTime(9, 30)));

    // A message for later is placed with the notice; one already due gets none.
    compose->Recipients()->SetRecipients("+4917011111");
    compose->Body()->setPlainText("Later");
    ASSERT_TRUE(compose->OnSendMessage());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>({"The message has been placed in your outbox "
                                                    "and will be sent at the scheduled time."}));
    boxes->Clear();
    compose->SetSchedule(true, QDateTime::currentDateTime().addDays(-1));
    compose->Recipients()->SetRecipients("+4917011111");
    compose->Body()->setPlainText("Past");
    ASSERT_TRUE(compose->OnSendMessage());
    EXPECT_EQ(boxes->CallCount(), 0u);

    // The next dialog starts with the remembered mode; a fixed setting does not remember.
    EXPECT_EQ(Open()->TruncationMode(), 1);
    reg.SetTruncationMode(0);
    auto fixed = Open();
    WhenOptions([](CDlgMsgOptionsSMS* dialog) {
        dialog->SplitUpOption()->setChecked(true);
        dialog->OkButton()->click();
    });
    fixed->OnMessageOptions();
    reg.SetTruncationMode(3);
    EXPECT_EQ(reg.GetRememberTruncMode(), 1u);
    EXPECT_EQ(fixed->TruncationMode(), 1);
}
