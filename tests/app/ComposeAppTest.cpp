// The program's main job end to end: a new user signs up, asks for a new message, types a
// number and a text, presses Ctrl+Enter, and the message ends final in the sentbox of the
// embedded service.
#include "ComposeFlow.h"
#include "app/CEditionValues.h"
#include "app/CTidewellWindowsApp.h"
#include "clientcore/QVClientCoreTesting.h"
#include "common/TestEnv.h"
#include "compose/CAutoCompleteEdit.h"
#include "compose/CDlgNewSMS.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using composeflow::SpinUntil;

namespace {

// Presses Next in the first-start window as soon as it is up.
class PressNext {
public:
    PressNext()
        : m_thread([this] {
              auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
              while (!m_stop && std::chrono::steady_clock::now() < end) {
                  if (win::HWND w = win::FindWindow("", "Welcome"); w != 0) {
                      win::PostMessage(w, win::WM_COMMAND, win::IDOK, 0);
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~PressNext() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

TEST(ComposeApp, TypedMessageEndsFinalInTheSentbox) {
    twtest::UsePrivateFolders(twtest::MakeTempDir("composeapp"));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto boxes = std::make_shared<win::ScriptedMessageBox>();
    auto shell = std::make_shared<platform::RecordingShell>();
    platform::SetShellBackend(shell);
    QVTestSetDelays(20, 50, 100);

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        PressNext next;
        ASSERT_TRUE(app.InitInstance());
    }
    ASSERT_FALSE(app.Reg().GetDefaultAccount().empty()) << "signed up at first start";
    win::SetMessageBoxBackend(boxes);

    const auto started = std::chrono::steady_clock::now();
    // The dialog closes, the record waits in the outbox with its converted number and goes
    // out at once.
    composeflow::ComposeAndSend(app, *boxes, "+49 151 23456789", "Ahoy from the app test");
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(SpinUntil([&] {
        MessageRecordList sent;
        return app.Store()->SentboxGetRecords(sent, 0) == 1;
    })) <<
        [&] {
            MessageRecordList waiting;
            app.Store()->OutboxGetRecords(waiting, 0);
            return waiting.empty() ? std::string("outbox empty") : waiting[0]->Dump();
        }();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2))
        << "the monitor was woken, not left to its 20-second scan";
    ASSERT_TRUE(SpinUntil([&] {
        MessageRecordList sent;
        app.Store()->SentboxGetRecords(sent, 0);
        return sent.size() == 1 && sent[0]->Status == MSGSTATUS_FINAL;
    }));
    MessageRecordList sent;
    app.Store()->SentboxGetRecords(sent, 0);
    const auto& sms = static_cast<const CSMSRecord&>(*sent[0]);
    EXPECT_EQ(sms.GetRecipients(';'), "+4915123456789");
    EXPECT_EQ(sms.MessageText, "Ahoy from the app test");
    EXPECT_EQ(sms.AccountID, app.Reg().GetDefaultAccount());
    MessageRecordList outbox;
    EXPECT_EQ(app.Store()->OutboxGetRecords(outbox, 0), 0);

    EXPECT_TRUE(shell->Opened().empty()) << "no refill page for an account just signed up";

    app.ExitInstance();
    win::SetMessageBoxBackend(nullptr);
    platform::SetShellBackend(nullptr);
}
