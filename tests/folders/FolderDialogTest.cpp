// The message folder dialog over a real store: enabling of commands, refresh after store
// changes, double-click rules, batch deletion, sorting, forwarding and rescheduling.
#include "FolderTestEnv.h"
#include "GuiTestEnv.h"

#include "folders/CDlgMessageFolder.h"
#include "folders/CSortListCtrl.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "gui/GuiDefs.h"
#include "platform/MsgBox.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace foldertest;
using guitest::LogCount;
using guitest::SpinUntil;

namespace {

class FolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousBoxes = win::GetMessageBoxBackend();
        m_boxes = std::make_shared<win::ScriptedMessageBox>();
        win::SetMessageBoxBackend(m_boxes);
    }
    void TearDown() override {
        m_dialog.reset();
        win::SetMessageBoxBackend(m_previousBoxes);
    }

    CDlgMessageFolder& Open() {
        m_dialog = std::make_unique<CDlgMessageFolder>(m_host);
        // The tests run the refresh timer themselves.
        win::KillTimer(m_dialog->PlatformWindow(), CDlgMessageFolder::TIMER_REFRESH);
        return *m_dialog;
    }
    CSortListCtrl& List() { return *m_dialog->List(); }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> cells;
        for (int row = 0; row < List().RowCount(); ++row) {
            cells.push_back(List().Cell(row, column));
        }
        return cells;
    }
    void Select(const std::vector<std::string>& guids) {
        List().SelectKeys(guids);
        m_dialog->UpdateGUIStatus();
    }
    // Lets the store's change messages arrive, then runs the refresh timer once.
    void RefreshAfterChange() {
        ASSERT_TRUE(SpinUntil([this] { return m_dialog->IsRefreshPending(); }));
        TickTimer();
    }
    void TickTimer() {
        win::SendMessage(m_dialog->PlatformWindow(), win::WM_TIMER,
                         CDlgMessageFolder::TIMER_REFRESH, 0);
    }
    size_t Saves(const std::string& path) {
        return LogCount("Storing data to file \"" + path + "\"");
    }

    TestHost m_host;
    std::unique_ptr<CDlgMessageFolder> m_dialog;
    std::shared_ptr<win::ScriptedMessageBox> m_boxes;
    std::shared_ptr<win::MessageBoxBackend> m_previousBoxes;
};

TEST_F(FolderDialogTest, EmptyFoldersDisableEveryMessageCommand) {
    CDlgMessageFolder& dialog = Open();
    for (int folder : {CDlgMessageFolder::FOLDER_SENT, CDlgMessageFolder::FOLDER_OUTBOX}) {
        dialog.SelectFolder(folder);
        EXPECT_EQ(List().RowCount(), 0);
        EXPECT_FALSE(dialog.DeleteAction()->isEnabled());
        EXPECT_FALSE(dialog.ForwardAction()->isEnabled());
        EXPECT_FALSE(dialog.ForwardButton()->isEnabled());
        EXPECT_FALSE(dialog.StatusAction()->isEnabled());
        EXPECT_FALSE(dialog.StatusButton()->isEnabled());
        EXPECT_FALSE(dialog.MessageOptionsButton()->isEnabled());
        // The commands do nothing without a selection.
        dialog.OnEditDelete();
        dialog.OnForward();
        dialog.OnMessageOptions();
    }
    EXPECT_EQ(m_boxes->CallCount(), 0u);
    EXPECT_EQ(m_host.optionRuns, 0);
    EXPECT_GE(dialog.minimumWidth(), 500);
    EXPECT_GE(dialog.minimumHeight(), 200);
}

TEST_F(FolderDialogTest, SelectionEnablesWhatFitsTheFolder) {
    m_host.Store().OutboxAddRecord(Sms("late", "+1", "later", "2026-01-10 15:00", 3));
    m_host.Store().OutboxAddRecord(Sms("due", "+2", "now", "2026-01-10 11:00", 3));
    m_host.Store().OutboxAddRecord(Sms("x", "+3", "x", "2026-01-10 11:00", 3));
    m_host.Store().OutboxMoveToSentbox("x");
    CDlgMessageFolder& dialog = Open();

    Select({"x"});
    EXPECT_TRUE(dialog.DeleteAction()->isEnabled());
    EXPECT_TRUE(dialog.ForwardButton()->isEnabled());
    EXPECT_TRUE(dialog.StatusButton()->isEnabled());
    EXPECT_FALSE(dialog.MessageOptionsButton()->isEnabled());

    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    Select({"late"});
    EXPECT_FALSE(dialog.ForwardButton()->isEnabled());
    EXPECT_TRUE(dialog.MessageOptionsButton()->isEnabled());
    Select({"due"});
    EXPECT_FALSE(dialog.MessageOptionsButton()->isEnabled());
    Select({"late", "due"});
    EXPECT_TRUE(dialog.DeleteAction()->isEnabled());
    EXPECT_FALSE(dialog.StatusButton()->isEnabled());
    EXPECT_FALSE(dialog.MessageOptionsButton()->isEnabled());

    dialog.OnEditSelectall();
    EXPECT_EQ(List().SelectedCount(), 2);
}

TEST_F(FolderDialogTest, ScheduledMessageShowsSendingAfterItsTimeAndTheNextRefresh) {
    m_host.Store().OutboxAddRecord(Sms("s", "+1", "Hello", "2026-01-10 12:30", 3));
    CDlgMessageFolder& dialog = Open();
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    ASSERT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().Cell(0, COL_COMMENT), "Scheduled");
    EXPECT_EQ(List().Model()->Row(0).icon, ICON_SCHEDULED);
    EXPECT_FALSE(List().isColumnHidden(COL_COMMENT));
    EXPECT_TRUE(List().isColumnHidden(COL_GUID));

    AdvanceMinutes(31);
    TickTimer(); // nothing changed in the store: no refresh
    EXPECT_EQ(List().Cell(0, COL_COMMENT), "Scheduled");
    m_host.Store().NotifyDataChange();
    RefreshAfterChange();
    EXPECT_EQ(List().Cell(0, COL_COMMENT), "Sending...");
    EXPECT_EQ(List().Model()->Row(0).icon, ICON_MESSAGE);

    dialog.SelectFolder(CDlgMessageFolder::FOLDER_SENT);
    EXPECT_TRUE(List().isColumnHidden(COL_COMMENT));
    EXPECT_EQ(List().columnWidth(COL_SENT), 330);
}

TEST_F(FolderDialogTest, BurstOfStoreChangesCostsOneRefresh) {
    BroadcastRecorder queue;
    CDlgMessageFolder& dialog = Open();
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    const int before = dialog.RefreshCount();
    std::thread writer([this] {
        m_host.Store().SetPersistence(false); // changes without the file writes
        for (int i = 0; i < 200; ++i) {
            m_host.Store().OutboxAddRecord(
                Sms("b" + std::to_string(i), "+1", "burst", "2026-01-10 11:00", 3));
        }
    });
    writer.join();
    queue.Drain(); // every change message posted before the marker has arrived
    EXPECT_TRUE(dialog.IsRefreshPending());
    EXPECT_EQ(dialog.RefreshCount(), before);
    TickTimer();
    EXPECT_EQ(dialog.RefreshCount(), before + 1);
    EXPECT_EQ(List().RowCount(), 200);
    TickTimer();
    EXPECT_EQ(dialog.RefreshCount(), before + 1);
    EXPECT_FALSE(dialog.IsRefreshPending());
}

TEST_F(FolderDialogTest, RefreshKeepsTheSelectionByGuid) {
    for (int i = 0; i < 5; ++i) {
        m_host.Store().OutboxAddRecord(Sms("k" + std::to_string(i), "+1", "m",
                                           "2026-01-0" + std::to_string(i + 1) + " 10:00", 3));
    }
    CDlgMessageFolder& dialog = Open();
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    Select({"k1", "k3"});
    // A newer message arrives at the top of the newest-first list.
    m_host.Store().OutboxAddRecord(Sms("new", "+1", "m", "2026-01-09 10:00", 3));
    RefreshAfterChange();
    ASSERT_EQ(List().RowCount(), 6);
    EXPECT_EQ(List().Cell(0, COL_GUID), "new");
    std::vector<std::string> selected;
    for (int row : List().SelectedRows()) {
        selected.push_back(List().Cell(row, COL_GUID));
    }
    EXPECT_EQ(selected, (std::vector<std::string>{"k3", "k1"}));
}

TEST_F(FolderDialogTest, DoubleClickOpensOnlyWhatMayBeOpened) {
    CMgmtMessages& store = m_host.Store();
    store.OutboxAddRecord(Sms("sending", "+1", "a", "2026-01-10 11:00", 3));
    store.OutboxAddRecord(Sms("failed", "+1", "b", "2026-01-10 11:00", 2));
    store.OutboxAddRecord(Sms("later", "+1", "c", "2026-01-10 13:00", 3));
    store.OutboxAddRecord(Sms("sent", "+1", "d", "2026-01-10 10:00", 3));
    store.OutboxMoveToSentbox("sent");
    const GuiMessageIds& ids = CGuiMessages::Get();
    BroadcastRecorder recorder;
    CDlgMessageFolder& dialog = Open();

    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    Select({"sending"});
    dialog.OnDblclkViewSentSMS();
    recorder.Drain();
    EXPECT_EQ(recorder.received.size(), 0u);
    EXPECT_EQ(m_host.refs.Size(), 0u);

    for (const char* guid : {"failed", "later"}) {
        Select({guid});
        dialog.OnDblclkViewSentSMS();
    }
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_SENT);
    Select({"sent"});
    dialog.OnDblclkViewSentSMS();
    recorder.Drain();
    ASSERT_EQ(recorder.received.size(), 3u);
    const char* expected[] = {"failed", "later", "sent"};
    const win::UINT messages[] = {ids.showNewSMSModify, ids.showNewSMSModify, ids.showSentSMS};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(recorder.received[i].first, messages[i]);
        CSMSRecord copy;
        ASSERT_TRUE(m_host.refs.Get(static_cast<std::uint32_t>(recorder.received[i].second), copy));
        EXPECT_EQ(copy.GUID, expected[i]);
    }
}

TEST_F(FolderDialogTest, DeletingThreeRowsAsksOnceAndSavesEachFolderOnce) {
    CMgmtMessages& store = m_host.Store();
    for (const char* guid : {"a", "b", "c", "d"}) {
        store.OutboxAddRecord(Sms(guid, "+1", guid, "2026-01-10 13:00", 3));
    }
    store.OutboxMoveToSentbox("d");
    CDlgMessageFolder& dialog = Open();
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);

    // Cancel keeps everything.
    Select({"a", "b"});
    m_boxes->PushAnswer(win::IDCANCEL);
    dialog.OnEditDelete();
    EXPECT_EQ(List().RowCount(), 3);
    ASSERT_EQ(m_boxes->CallCount(), 1u);
    EXPECT_EQ(m_boxes->Calls()[0].text,
              "Message will be permanantly deleted. Do you want to continue?");

    // Rows of both folders can be gone; a row whose record vanished is only removed.
    store.OutboxDelRecord("c");
    store.SentboxDelRecord("d");
    store.OutboxAddRecord(Sms("d", "+1", "d", "2026-01-10 13:00", 3));
    store.OutboxMoveToSentbox("d");
    m_boxes->Clear();
    const size_t outboxSaves = Saves(store.OutboxPath());
    const size_t sentboxSaves = Saves(store.SentboxPath());
    Select({"a", "b", "c"});
    m_boxes->PushAnswer(win::IDOK);
    dialog.OnEditDelete();
    EXPECT_EQ(m_boxes->CallCount(), 1u);
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(Saves(store.OutboxPath()), outboxSaves + 1);
    EXPECT_EQ(Saves(store.SentboxPath()), sentboxSaves + 1);
    MessageRecordList left;
    EXPECT_EQ(store.OutboxGetRecords(left, 0), 0);
    EXPECT_EQ(store.SentboxGetRecords(left, 0), 1);
    // The store told the list: a refresh is pending.
    EXPECT_TRUE(SpinUntil([&] { return dialog.IsRefreshPending(); }));
}

TEST_F(FolderDialogTest, DeleteWithoutConfirmationAndBalanceRefresh) {
    m_host.reg.SetAlertListboxFlags({1, 1, 1, 1, 1, 1, 0, 1, 1});
    m_host.reg.SetAccountType("prepaid");
    m_host.reg.SetPrepaidBalance(10);
    m_host.reg.SetAlertPrepaidBalance(50);
    m_host.Store().OutboxAddRecord(Sms("a", "+1", "a", "2026-01-10 13:00", 3));
    m_host.Store().OutboxAddRecord(Sms("s", "+1", "s", "2026-01-10 10:00", 3));
    m_host.Store().OutboxMoveToSentbox("s");
    CDlgMessageFolder& dialog = Open();

    // A sentbox deletion never asks for the balance.
    Select({"s"});
    dialog.OnEditDelete();
    EXPECT_EQ(m_boxes->CallCount(), 0u);
    EXPECT_EQ(m_host.accountUpdates, 0);

    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    Select({"a"});
    dialog.OnEditDelete();
    EXPECT_EQ(m_boxes->CallCount(), 0u);
    EXPECT_EQ(m_host.accountUpdates, 1);

    // Invoice accounts have no balance to refresh; settings changes are read again.
    m_host.reg.SetAccountType("invoice");
    m_host.reg.SetAlertListboxFlags({1, 1, 1, 1, 1, 1, 1, 1, 1});
    win::SendMessage(dialog.PlatformWindow(), CGuiMessages::Get().notifyChangeSettings, 0, 0);
    EXPECT_EQ(dialog.AlertFlags()[CDlgMessageFolder::ALERT_DELETE], 1);
    m_host.Store().OutboxAddRecord(Sms("b", "+1", "b", "2026-01-10 13:00", 3));
    dialog.UpdateList();
    Select({"b"});
    m_boxes->PushAnswer(win::IDOK);
    dialog.OnEditDelete();
    EXPECT_EQ(m_boxes->CallCount(), 1u);
    EXPECT_EQ(m_host.accountUpdates, 1);
}

TEST_F(FolderDialogTest, HeaderClicksSortAndAreRemembered) {
    CMgmtMessages& store = m_host.Store();
    store.OutboxAddRecord(Sms("mid", "+30", "b", "2005-06-01 14:05", 3));
    store.OutboxAddRecord(Sms("old", "+100", "c", "2004-12-31 23:59", 3));
    store.OutboxAddRecord(Sms("new", "+9", "a", "2025-01-01 00:00", 3));
    CDlgMessageFolder& dialog = Open();
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    // Newest first by default.
    EXPECT_EQ(Column(COL_GUID), (std::vector<std::string>{"new", "mid", "old"}));
    EXPECT_EQ(List().SortHeader()->SortColumn(), COL_SENT);
    EXPECT_FALSE(List().SortHeader()->SortAscending());

    QHeaderView* header = List().header();
    const auto click = [&](int column) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                   header->height() / 2));
    };
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    click(COL_SENT);
    EXPECT_EQ(Column(COL_GUID), (std::vector<std::string>{"old", "mid", "new"}));
    EXPECT_EQ(m_host.reg.GetSortListOrder(), 1u);
    click(COL_SENT);
    EXPECT_EQ(Column(COL_GUID), (std::vector<std::string>{"new", "mid", "old"}));
    EXPECT_EQ(m_host.reg.GetSortListOrder(), 0u);

    // Another column flips the direction too.
    click(COL_MESSAGE);
    EXPECT_EQ(m_host.reg.GetSortListColumn(), static_cast<unsigned>(COL_MESSAGE));
    EXPECT_EQ(Column(COL_MESSAGE), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(List().SortHeader()->SortColumn(), COL_MESSAGE);

    // A new dialog opens sorted the way the user left it.
    m_dialog.reset();
    Open();
    m_dialog->SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    EXPECT_EQ(Column(COL_MESSAGE), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(FolderDialogTest, ForwardFindsTheRecordOrLogs) {
    m_host.Store().OutboxAddRecord(Sms("s", "+1", "hello", "2026-01-10 10:00", 3));
    m_host.Store().OutboxMoveToSentbox("s");
    BroadcastRecorder recorder;
    CDlgMessageFolder& dialog = Open();
    Select({"s"});
    dialog.OnForward();
    recorder.Drain();
    ASSERT_EQ(recorder.Count(CGuiMessages::Get().showNewSMSForward), 1u);

    // The record went away after it was listed.
    m_host.Store().SentboxDelRecord("s");
    dialog.OnForward();
    EXPECT_GE(LogCount("Warning: Could not find the requested SMS record."), 1u);

    // The reference map refuses: the request is dropped.
    m_host.Store().OutboxAddRecord(Sms("t", "+1", "hello", "2026-01-10 10:00", 3));
    m_host.Store().OutboxMoveToSentbox("t");
    dialog.UpdateList();
    Select({"t"});
    m_host.failReferences = true;
    dialog.OnForward();
    recorder.Drain();
    EXPECT_EQ(recorder.Count(CGuiMessages::Get().showNewSMSForward), 1u);
    EXPECT_GE(LogCount("Could not add referece to SMS record GUID."), 1u);
}

TEST_F(FolderDialogTest, RescheduleChangesOnlyAWaitingMessage) {
    CMgmtMessages& store = m_host.Store();
    CSMSRecord late = Sms("late", "+1", "later", "2026-01-10 15:00", 3);
    late.TruncateMode = 1;
    store.OutboxAddRecord(late);
    CDlgMessageFolder& dialog = Open();
    dialog.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    Select({"late"});

    m_host.optionsResult.truncateMode = 0;
    m_host.optionsResult.scheduled = true;
    CSMSRecord when;
    when.DateTime = "2026-02-01 08:30";
    m_host.optionsResult.scheduleTime = when.GetDateTime();
    dialog.OnMessageOptions();
    EXPECT_EQ(m_host.optionRuns, 1);
    EXPECT_EQ(m_host.optionsSeen.truncateMode, 1);
    EXPECT_TRUE(m_host.optionsSeen.scheduled);
    auto changed = store.OutboxGetRecord("late");
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->DateTime, "2026-02-01 08:30");
    EXPECT_EQ(static_cast<CSMSRecord&>(*changed).TruncateMode, 0);

    // "Send immediately" makes it due now.
    m_host.optionsResult.scheduled = false;
    dialog.OnMessageOptions();
    EXPECT_EQ(store.OutboxGetRecord("late")->DateTime, "2026-01-10 12:00");

    // Cancel changes nothing.
    m_host.optionsAnswer = false;
    m_host.optionsResult.scheduled = true;
    dialog.OnMessageOptions();
    EXPECT_EQ(store.OutboxGetRecord("late")->DateTime, "2026-01-10 12:00");

    // The monitor takes the message while the dialog is open: it is not put back as unsent.
    m_host.optionsAnswer = true;
    m_host.whileOptionsOpen = [&] {
        auto taken = store.OutboxGetRecord("late");
        taken->Status = 4;
        store.OutboxModifyRecord(*taken);
    };
    dialog.OnMessageOptions();
    auto after = store.OutboxGetRecord("late");
    EXPECT_EQ(after->Status, 4);
    EXPECT_EQ(after->DateTime, "2026-01-10 12:00");
}

TEST_F(FolderDialogTest, OutboxAndSentCommandsOfTheManagerSwitchFolders) {
    CDlgMessageFolder& dialog = Open();
    win::SendMessage(dialog.PlatformWindow(), win::WM_COMMAND, gui::CMD_FOLDERS_SHOW_OUTBOX, 0);
    EXPECT_EQ(dialog.FolderSelector()->currentIndex(), CDlgMessageFolder::FOLDER_OUTBOX);
    win::SendMessage(dialog.PlatformWindow(), win::WM_COMMAND, gui::CMD_FOLDERS_SHOW_SENT, 0);
    EXPECT_EQ(dialog.FolderSelector()->currentIndex(), CDlgMessageFolder::FOLDER_SENT);
}

TEST_F(FolderDialogTest, EnterDoesNotCloseTheDialog) {
    CDlgMessageFolder& dialog = Open();
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(FolderDialogTest, ClosingUnsubscribesFromTheStore) {
    BroadcastRecorder queue;
    CDlgMessageFolder& dialog = Open();
    dialog.show();
    dialog.OnClose();
    m_host.Store().OutboxAddRecord(Sms("x", "+1", "x", "2026-01-10 11:00", 3));
    queue.Drain();
    EXPECT_FALSE(dialog.IsRefreshPending());
}

} // namespace
