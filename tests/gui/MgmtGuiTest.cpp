// The dialog manager: requests from other threads, sessions and their tables, one-instance
// mode, end notifications, the tray menu, mail-client actions, the usage reminder, shutdown.
#include "GuiTestEnv.h"

#include "gui/CDlgAbout.h"
#include "gui/CDlgUsageReminder.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "gui/CTrayIcon.h"
#include "gui/CUsageReminder.h"
#include "gui/GuiDefs.h"
#include "platform/Shell.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <thread>

using namespace guitest;
using namespace gui;

namespace {

const char* const kTrayWarning = "Warning: Problem showing or removing system tray icon";

class MgmtGuiTest : public ::testing::Test {
protected:
    void SetUp() override { m_factory = MakeTestFactory(); }
    void TearDown() override {
        m_gui.reset();
        platform::SetShellBackend(nullptr);
        EXPECT_EQ(TestDialog::alive, 0);
    }

    CMgmtGUI& Make(const std::string& verb = "NoShowDummy") {
        m_gui = std::make_unique<CMgmtGUI>(verb, m_app, m_factory);
        Spin(30); // the start-up posts
        return *m_gui;
    }

    // Posts from another thread to the window found by its title, as other parts and
    // processes do.
    static void PostFromThread(win::UINT msg, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        std::thread([=] {
            win::HWND hwnd = win::FindWindow("", "TWD_HIDDEN_WND");
            ASSERT_NE(hwnd, 0u);
            ASSERT_TRUE(win::PostMessage(hwnd, msg, wParam, lParam));
        }).join();
    }
    static win::LRESULT SendFromThread(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
        win::LRESULT result = -1;
        std::thread sender([&] {
            result = win::SendMessage(win::FindWindow("", "TWD_HIDDEN_WND"), msg, wParam, lParam);
        });
        // The GUI thread has to run while the other thread waits for it.
        SpinUntil([&] { return result != -1; });
        sender.join();
        return result;
    }

    size_t Sessions() const { return m_gui->ComposeTable().size() + m_gui->SentTable().size(); }
    static TestDialog* DialogOf(CDialogSession* session) {
        return session != nullptr ? static_cast<TestDialog*>(session->Dialog()) : nullptr;
    }
    TestDialog* ComposeDialog(size_t index) const {
        auto it = m_gui->ComposeTable().begin();
        std::advance(it, static_cast<long>(index));
        return DialogOf(it->second.get());
    }

    const GuiMessageIds& ids = CGuiMessages::Get();
    FakeApp m_app;
    CDialogFactory m_factory;
    std::unique_ptr<CMgmtGUI> m_gui;
};

// Runs `act` on the first modal dialog of type T that shows up (from inside its own loop).
template <class T> void WhenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (T* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

} // namespace

TEST_F(MgmtGuiTest, StartsHiddenWindowAndLongLivedSessions) {
    size_t warnings = LogCount(kTrayWarning);
    CMgmtGUI& gui = Make();
    ASSERT_TRUE(gui.IsInitialized());
    EXPECT_EQ(win::FindWindow("", "TWD_HIDDEN_WND"), gui.HiddenWindow());
    ASSERT_NE(gui.FoldersSession(), nullptr);
    ASSERT_NE(gui.OptionsSession(), nullptr);
    EXPECT_EQ(gui.FoldersSession()->Dialog(), nullptr);
    EXPECT_EQ(gui.OptionsSession()->Dialog(), nullptr);
    EXPECT_FALSE(gui.FoldersSession()->MayEndItself());
    EXPECT_EQ(Sessions(), 0u);
    // The offscreen platform has no tray: the icon is not shown, and the program goes on.
    EXPECT_FALSE(gui.IsTrayIconShown());
    EXPECT_EQ(LogCount(kTrayWarning), warnings + 1);
    EXPECT_NE(gui.AboutWindow(), nullptr);
    EXPECT_FALSE(gui.AboutWindow()->isVisible());
    EXPECT_EQ(TestDialog::alive, 0);
}

TEST_F(MgmtGuiTest, VerbsShowTheirDialogAtStart) {
    Make("messagefolder");
    EXPECT_TRUE(m_gui->StartFlagFolders());
    ASSERT_TRUE(SpinUntil([&] { return DialogOf(m_gui->FoldersSession()) != nullptr; }));
    EXPECT_TRUE(DialogOf(m_gui->FoldersSession())->isVisible());
    EXPECT_EQ(DialogOf(m_gui->OptionsSession()), nullptr);
    m_gui.reset();

    Make("SMSOptions");
    ASSERT_TRUE(SpinUntil([&] { return DialogOf(m_gui->OptionsSession()) != nullptr; }));
    EXPECT_EQ(DialogOf(m_gui->OptionsSession())->request.type, DLG_OPTIONS);
    m_gui.reset();

    Make("NewMessage");
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().size() == 1; }));
    ASSERT_TRUE(SpinUntil([&] { return ComposeDialog(0) != nullptr; }));
    EXPECT_EQ(ComposeDialog(0)->request.type, DLG_NEWSMS);
    m_gui.reset();

    // "default" left unresolved shows nothing.
    Make("default");
    Spin(50);
    EXPECT_EQ(Sessions(), 0u);
    EXPECT_FALSE(m_gui->StartFlagNewSMS() || m_gui->StartFlagFolders() ||
                 m_gui->StartFlagOptions() || m_gui->StartFlagNewMMS() ||
                 m_gui->StartFlagAddressBook());
}

TEST_F(MgmtGuiTest, RequestsFromOtherThreadsOpenTheRightSessions) {
    Make();
    PostFromThread(ids.showNewSMS, 0);
    PostFromThread(ids.showNewSMSForward, 12);
    PostFromThread(ids.showNewSMSForward, 12);
    PostFromThread(ids.showNewSMSModify, 13);
    PostFromThread(ids.showNewReply, 14);
    PostFromThread(ids.showViewSMS, 15);
    PostFromThread(ids.showSentSMS, 16);
    ASSERT_TRUE(SpinUntil([&] { return Sessions() == 7; }));
    ASSERT_TRUE(SpinUntil([&] { return TestDialog::alive == 7; }));
    EXPECT_EQ(m_gui->SentTable().size(), 1u);
    EXPECT_EQ(DialogOf(m_gui->SentTable().begin()->second.get())->request.reference, 16u);

    std::vector<std::pair<int, win::WPARAM>> seen;
    for (auto& [id, session] : m_gui->ComposeTable()) {
        TestDialog* dialog = DialogOf(session.get());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->request.mode, dialog->request.type);
        seen.emplace_back(dialog->request.type, dialog->request.reference);
    }
    std::vector<std::pair<int, win::WPARAM>> expected = {{0, 0},  {4, 12}, {4, 12},
                                                         {5, 13}, {7, 14}, {8, 15}};
    EXPECT_EQ(seen, expected);
    // Two forwards of one message are two independent dialogs.
    EXPECT_NE(ComposeDialog(1), ComposeDialog(2));
    EXPECT_EQ(m_app.lastUsedStamps, 7);

    PostFromThread(ids.showFolders);
    ASSERT_TRUE(SpinUntil([&] { return DialogOf(m_gui->FoldersSession()) != nullptr; }));
}

TEST_F(MgmtGuiTest, RequestsForKindsWithoutADialogAreLoggedAndSkipped) {
    Make();
    size_t before = LogCount("Warning: undefined dialogtype requested, skipping.");
    for (win::UINT msg :
         {ids.showNewMMS, ids.showSentMMS, ids.showNewMMSForward, ids.showNewMMSModify}) {
        PostFromThread(msg);
    }
    Spin(100);
    m_gui->ShowDialog(42, 0);
    m_gui->OnTrayCommand(TRAY_CMD_NEWMMS);
    EXPECT_EQ(LogCount("Warning: undefined dialogtype requested, skipping."), before + 6);
    EXPECT_EQ(Sessions(), 0u);
    EXPECT_EQ(TestDialog::alive, 0);
}

TEST_F(MgmtGuiTest, WithoutAnAccountEveryRequestIsDropped) {
    Make();
    m_app.registrationAnswer = 0; // cancelled
    m_gui->ShowDialog(DLG_NEWSMS, 0);
    m_gui->ShowDialog(DLG_FOLDERS, 0);
    m_app.registrationAnswer = 2; // only just registered: dropped as well
    m_gui->ShowDialog(DLG_OPTIONS, 0);
    m_app.registrationAnswer = 1;
    m_app.accountId.clear(); // account data not arrived yet
    m_gui->ShowDialog(DLG_SENTSMS, 3);
    Spin(50);
    EXPECT_EQ(Sessions(), 0u);
    EXPECT_EQ(TestDialog::alive, 0);
    EXPECT_EQ(m_app.registrations, 4);
    EXPECT_EQ(m_app.lastUsedStamps, 4);
}

TEST_F(MgmtGuiTest, OneInstanceModeRaisesTheOpenNewMessageDialog) {
    m_app.oneInstance = true;
    Make();
    // Only a forward dialog open: a new-message request opens nothing.
    m_gui->ShowDialog(DLG_FORWARDSMS, 9);
    ASSERT_TRUE(SpinUntil([&] { return TestDialog::alive == 1; }));
    m_gui->ShowDialog(DLG_NEWSMS, 0);
    Spin(50);
    EXPECT_EQ(m_gui->ComposeTable().size(), 1u);
    ComposeDialog(0)->close();
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().empty(); }));

    // With the table empty a new session starts; the next request raises it again.
    m_gui->ShowDialog(DLG_NEWSMS, 0);
    ASSERT_TRUE(SpinUntil([&] { return ComposeDialog(0) != nullptr; }));
    TestDialog* dialog = ComposeDialog(0);
    dialog->hide();
    m_gui->ShowDialog(DLG_NEWSMS, 77);
    ASSERT_TRUE(SpinUntil([&] { return dialog->isVisible(); }));
    EXPECT_EQ(m_gui->ComposeTable().size(), 1u);
    EXPECT_EQ(m_gui->ComposeTable().begin()->second->CreateCount(), 1);
    EXPECT_EQ(dialog->request.reference, 0u); // the second request's reference is not handed on

    // Without the mode every request opens its own dialog.
    m_app.oneInstance = false;
    m_gui->ShowDialog(DLG_NEWSMS, 0);
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().size() == 2; }));
}

TEST_F(MgmtGuiTest, ClosingADialogEndsAndReapsItsSession) {
    Make();
    m_gui->ShowDialog(DLG_NEWSMS, 0);
    m_gui->ShowDialog(DLG_SENTSMS, 4);
    ASSERT_TRUE(SpinUntil([&] { return TestDialog::alive == 2; }));
    size_t ended = LogCount("NewSMS dialog posted QVTHREAD_ENDREQUEST");
    ComposeDialog(0)->close();
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().empty(); }));
    EXPECT_EQ(LogCount("NewSMS dialog posted QVTHREAD_ENDREQUEST"), ended + 1);
    EXPECT_EQ(m_gui->SentTable().size(), 1u);
    ASSERT_TRUE(SpinUntil([&] { return TestDialog::alive == 1; }));

    DialogOf(m_gui->SentTable().begin()->second.get())->reject();
    ASSERT_TRUE(SpinUntil([&] { return m_gui->SentTable().empty() && TestDialog::alive == 0; }));

    // A notification for an id in neither table changes nothing.
    PostFromThread(ids.threadEndNotify, 0, 99999);
    Spin(30);
    EXPECT_EQ(Sessions(), 0u);
}

TEST_F(MgmtGuiTest, ClosedOptionsDialogIsRecreatedInTheSameSession) {
    Make();
    CDialogSession* options = m_gui->OptionsSession();
    PostFromThread(ids.showOptions);
    ASSERT_TRUE(SpinUntil([&] { return options->Dialog() != nullptr; }));
    options->Dialog()->close();
    ASSERT_TRUE(SpinUntil([&] { return options->Dialog() == nullptr; }));
    EXPECT_FALSE(options->IsEnded());
    PostFromThread(ids.showOptions);
    ASSERT_TRUE(SpinUntil([&] { return options->Dialog() != nullptr; }));
    EXPECT_EQ(m_gui->OptionsSession(), options);
    EXPECT_EQ(options->CreateCount(), 2);

    // A long-lived session refuses to end on its dialog's request.
    size_t refused = LogCount("Options dialog is not allowed to make such a request");
    options->RequestEnd();
    Spin(30);
    EXPECT_EQ(LogCount("Options dialog is not allowed to make such a request"), refused + 1);
    EXPECT_FALSE(options->IsEnded());
}

TEST_F(MgmtGuiTest, MailClientActions) {
    auto shell = std::make_shared<platform::RecordingShell>();
    platform::SetShellBackend(shell);
    Make();
    SendFromThread(ids.showOeWindow, OE_OUTBOX, 0);
    ASSERT_TRUE(SpinUntil([&] {
        TestDialog* d = DialogOf(m_gui->FoldersSession());
        return d != nullptr && !d->commands.empty();
    }));
    SendFromThread(ids.showOeWindow, OE_SENT, 0);
    TestDialog* folders = DialogOf(m_gui->FoldersSession());
    ASSERT_TRUE(SpinUntil([&] { return folders->commands.size() == 2; }));
    EXPECT_EQ(folders->commands[0], CMD_FOLDERS_SHOW_OUTBOX);
    EXPECT_EQ(folders->commands[1], CMD_FOLDERS_SHOW_SENT);

    GuiSmsFields mail{"+4917011", "+4917022,+4917033", "Hello there", "1-2-2026 10:00"};
    auto lp = reinterpret_cast<win::LPARAM>(&mail);
    SendFromThread(ids.showOeWindow, OE_REPLY, lp);
    SendFromThread(ids.showOeWindow, OE_FORWARD, lp);
    SendFromThread(ids.showOeWindow, OE_VIEWSMS, lp);
    ASSERT_EQ(m_app.references.size(), 3u);
    // Reply: to the sender; forward: the text; view: sender, recipients and text.
    EXPECT_EQ(m_app.references[0].recipients, "+4917011");
    EXPECT_TRUE(m_app.references[0].messageText.empty());
    EXPECT_EQ(m_app.references[1].messageText, "Hello there");
    EXPECT_TRUE(m_app.references[1].recipients.empty());
    EXPECT_EQ(m_app.references[2].sender, "+4917011");
    EXPECT_EQ(m_app.references[2].recipients, "+4917022,+4917033");
    for (const GuiSmsFields& f : m_app.references) {
        EXPECT_EQ(f.dateTime, "1-2-2026 10:00");
    }
    ASSERT_TRUE(SpinUntil([&] { return TestDialog::alive == 4; }));
    EXPECT_EQ(ComposeDialog(0)->request.type, DLG_REPLYSMS);
    EXPECT_EQ(ComposeDialog(0)->request.reference, 41u);
    EXPECT_EQ(ComposeDialog(1)->request.type, DLG_FORWARDSMS);
    EXPECT_EQ(ComposeDialog(2)->request.type, DLG_VIEWSMS);

    SendFromThread(ids.showOeWindow, OE_ABOUT, 0);
    EXPECT_TRUE(m_gui->AboutWindow()->isVisible());
    SendFromThread(ids.showOeWindow, OE_HELP, 0);
    ASSERT_EQ(shell->Opened().size(), 1u);
    EXPECT_NE(shell->Opened()[0].find("message-folders"), std::string::npos);
    SendFromThread(ids.showOeWindow, OE_OPTIONS, 0);
    ASSERT_TRUE(SpinUntil([&] { return DialogOf(m_gui->OptionsSession()) != nullptr; }));
    SendFromThread(ids.showOeWindow, 99, 0); // unknown: nothing
    EXPECT_EQ(TestDialog::alive, 5);
}

TEST_F(MgmtGuiTest, TrayMenuAndNotifications) {
    Make();
    QMenu* menu = m_gui->Tray()->Menu();
    std::vector<std::pair<int, QString>> items;
    for (QAction* action : menu->actions()) {
        items.emplace_back(action->isSeparator() ? 0 : action->data().toInt(), action->text());
    }
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[0], std::make_pair(1, QString("New SMS")));
    EXPECT_EQ(items[1].first, 0);
    EXPECT_EQ(items[2], std::make_pair(3, QString("Message Folders")));
    EXPECT_EQ(items[3], std::make_pair(4, QString("Options...")));
    EXPECT_EQ(items[4], std::make_pair(5, QString("Address Book")));
    EXPECT_EQ(items[5].first, 0);
    EXPECT_EQ(items[6], std::make_pair(6, QString("Quit")));
    EXPECT_EQ(m_gui->Tray()->ToolTip(), "Tidewell Windows");

    menu->actions()[0]->trigger();
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().size() == 1; }));
    menu->actions()[2]->trigger();
    ASSERT_TRUE(SpinUntil([&] { return DialogOf(m_gui->FoldersSession()) != nullptr; }));
    menu->actions()[3]->trigger();
    ASSERT_TRUE(SpinUntil([&] { return DialogOf(m_gui->OptionsSession()) != nullptr; }));

    int opened = 0;
    m_gui->SetAddressBookOpener([&] {
        ++opened;
        return true;
    });
    menu->actions()[4]->trigger();
    ASSERT_TRUE(SpinUntil([&] { return opened == 1; }));
    menu->actions()[6]->trigger();
    ASSERT_TRUE(SpinUntil([&] { return m_app.shutdowns == 1; }));

    // Double click opens the dialog the setting names; a balloon click a new message.
    m_app.trayDefaultAction = DLG_SENTSMS;
    PostFromThread(ids.trayNotify, 0, TRAY_LBUTTONDBLCLK);
    ASSERT_TRUE(SpinUntil([&] { return m_gui->SentTable().size() == 1; }));
    PostFromThread(ids.trayNotify, 0, TRAY_BALLOONUSERCLICK);
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().size() == 2; }));
}

TEST_F(MgmtGuiTest, TrayIconRequestsThatChangeNothingLogNothing) {
    m_app.systemTray = false;
    size_t warnings = LogCount(kTrayWarning);
    Make();
    PostFromThread(ids.showSysTrayIcon, 0);
    PostFromThread(ids.showSysTrayIcon, 0);
    Spin(50);
    EXPECT_EQ(LogCount(kTrayWarning), warnings);
    EXPECT_FALSE(m_gui->IsTrayIconShown());
    // Asking to show it where there is no tray: the warning, and the program goes on.
    PostFromThread(ids.showSysTrayIcon, 1);
    Spin(50);
    EXPECT_EQ(LogCount(kTrayWarning), warnings + 1);
}

TEST_F(MgmtGuiTest, QuitMessagesReachTheApplication) {
    Make();
    PostFromThread(WM_TW_SHUTDOWN);
    PostFromThread(WM_TW_FORCEDSHUTDOWN);
    ASSERT_TRUE(SpinUntil([&] { return m_app.shutdowns == 1 && m_app.forcedShutdowns == 1; }));
}

TEST_F(MgmtGuiTest, ShutdownEndsEveryOpenDialog) {
    Make("MessageFolders");
    for (win::UINT msg : {ids.showNewSMS, ids.showNewSMSForward, ids.showSentSMS, ids.showViewSMS,
                          ids.showOptions}) {
        PostFromThread(msg, 3);
    }
    ASSERT_TRUE(SpinUntil([&] { return TestDialog::alive == 6; }));
    size_t destroyed = LogCount("Destroying a ");
    m_gui.reset();
    EXPECT_EQ(TestDialog::alive, 0);
    EXPECT_EQ(LogCount("Destroying a "), destroyed + 6);
    EXPECT_EQ(win::FindWindow("", "TWD_HIDDEN_WND"), 0u);
}

TEST_F(MgmtGuiTest, UsageReminderDialogYesOpensANewMessage) {
    m_app.systemTray = false;
    m_app.lastUsed = CUsageReminder::FormatLastUsed(std::time(nullptr) - 10 * 86400);
    bool shown = false;
    WhenModal<CDlgUsageReminder>([&](CDlgUsageReminder* dialog) {
        shown = true;
        dialog->DontShowBox()->setChecked(true);
        dialog->YesButton()->click();
    });
    Make();
    ASSERT_TRUE(SpinUntil([&] { return shown; }));
    EXPECT_EQ(m_app.lastUsedStamps >= 1, true);
    EXPECT_EQ(m_app.reminderDisable, "1");
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().size() == 1; }));
}

TEST_F(MgmtGuiTest, UsageReminderNoAndTooSoon) {
    m_app.lastUsed = CUsageReminder::FormatLastUsed(std::time(nullptr) - 10 * 86400);
    bool shown = false;
    WhenModal<CDlgUsageReminder>([&](CDlgUsageReminder* dialog) {
        shown = true;
        dialog->NoButton()->click();
    });
    Make();
    ASSERT_TRUE(SpinUntil([&] { return shown; }));
    Spin(50);
    EXPECT_EQ(Sessions(), 0u);
    EXPECT_EQ(m_app.reminderDisable, "0");
    EXPECT_EQ(m_app.lastUsedStamps, 1);
    m_gui.reset();

    // Used two days ago: no reminder, nothing stamped.
    m_app.lastUsedStamps = 0;
    m_app.lastUsed = CUsageReminder::FormatLastUsed(std::time(nullptr) - 2 * 86400);
    Make();
    Spin(100);
    EXPECT_EQ(m_app.lastUsedStamps, 0);
}
