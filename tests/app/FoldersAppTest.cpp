// The folder dialog inside the running program: it opens from its request, reschedules an
// outbox message through the message options dialog, and forwards a sent message into a
// compose dialog prefilled from the record.
#include "AppDialogs.h"
#include "ComposeFlow.h"
#include "WelcomeAnswer.h"
#include "app/CTidewellWindowsApp.h"
#include "common/TestEnv.h"
#include "compose/CDlgNewSMS.h"
#include "folders/CDlgMessageFolder.h"
#include "folders/CSortListCtrl.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "language/CMgmtBranding.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "options/CDlgMsgOptionsSMS.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using composeflow::SpinUntil;

namespace {

using appdlg::Visible;

// Waits for the modal message options dialog, chooses a send time and presses OK.
void AnswerMessageOptions(QDate date, QTime time) {
    QTimer::singleShot(10, [date, time] {
        auto* options = qobject_cast<CDlgMsgOptionsSMS*>(QApplication::activeModalWidget());
        if (options == nullptr) {
            AnswerMessageOptions(date, time);
            return;
        }
        options->SendAtOption()->setChecked(true);
        options->DatePicker()->setDate(date);
        options->TimePicker()->setTime(time);
        options->OkButton()->click();
    });
}

} // namespace

TEST(FoldersApp, ReschedulesAndForwardsFromTheFolderDialog) {
    twtest::UsePrivateFolders(twtest::MakeTempDir("foldersapp"));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    // The first start registers an account on the embedded service.
    WelcomeAnswer next(win::IDOK);
    ASSERT_TRUE(app.InitInstance());
    auto boxes = std::make_shared<win::ScriptedMessageBox>();
    win::SetMessageBoxBackend(boxes);

    CSMSRecord later;
    later.GUID = "{later}";
    later.SetRecipients("+447700900123");
    later.MessageText = "Far in the future";
    later.DateTime = "2099-01-01 10:00";
    ASSERT_TRUE(app.Store()->OutboxAddRecord(later));

    win::PostMessage(app.Gui()->HiddenWindow(), CGuiMessages::Get().showFolders, 0, 0);
    ASSERT_TRUE(SpinUntil([] { return Visible<CDlgMessageFolder>() != nullptr; }));
    CDlgMessageFolder* folders = Visible<CDlgMessageFolder>();
    folders->SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    folders->List()->SelectKeys({"{later}"});
    folders->UpdateGUIStatus();
    ASSERT_TRUE(folders->MessageOptionsButton()->isEnabled());

    AnswerMessageOptions(QDate(2099, 2, 3), QTime(4, 5));
    folders->OnMessageOptions();
    auto moved = app.Store()->OutboxGetRecord("{later}");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->DateTime, "2099-02-03 04:05");
    EXPECT_EQ(moved->Status, MSGSTATUS_NOT_SENT);
    // The change reaches the list through the store's notification and the refresh timer.
    ASSERT_TRUE(SpinUntil([&] {
        const int row = folders->List()->FindRow("{later}");
        return row >= 0 && folders->List()->Cell(row, COL_SENT) == "2099-02-03 04:05";
    }));

    // Forwarding opens a compose dialog with the record's text.
    folders->OnForward();
    ASSERT_TRUE(SpinUntil([] { return Visible<CDlgNewSMS>() != nullptr; }));
    EXPECT_EQ(Visible<CDlgNewSMS>()->Body()->toPlainText().toStdString(), "Far in the future");

    ASSERT_TRUE(CMgmtBranding::Instance().HoldsImages()) << "the tray and dialogs use images";
    app.ExitInstance();
    EXPECT_FALSE(CMgmtBranding::Instance().HoldsImages()) << "images outlived the Qt application";
    win::SetMessageBoxBackend(nullptr);
}
