// The message viewers and the status dialog, and the road of a record from the folder dialog
// and the viewers through the dialog manager to the compose dialogs.
#include "FolderTestEnv.h"
#include "GuiTestEnv.h"

#include "folders/CDlgMessageFolder.h"
#include "folders/CDlgMessageStatus.h"
#include "folders/CDlgSentSMS.h"
#include "folders/CDlgViewSMS.h"
#include "folders/CFolderDialogs.h"
#include "folders/CSortListCtrl.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "gui/GuiDefs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace foldertest;
using guitest::LogCount;
using guitest::SpinUntil;

namespace {

std::vector<std::pair<std::string, std::string>> StatusRows(const CDlgMessageStatus& dialog) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = dialog.List()->topLevelItem(i);
        rows.emplace_back(item->text(0).toStdString(), item->text(1).toStdString());
    }
    return rows;
}

TEST(Viewers, SentViewerShowsItsCopyForwardsAndReleasesItsKey) {
    TestHost host;
    CSMSRecord record = Sms("g1", "+111,+222", "Line one\nLine two", "2026-01-09 08:15", 5);
    record.Sender = "Tidewell";
    const std::uint32_t key = host.refs.Add(record);
    BroadcastRecorder recorder;
    {
        CDlgSentSMS viewer(host, key);
        EXPECT_EQ(viewer.windowTitle(), "Sent SMS");
        EXPECT_EQ(viewer.FromField()->text(), "Tidewell");
        EXPECT_EQ(viewer.ToField()->text(), "+111,+222");
        EXPECT_EQ(viewer.DateField()->text(), "2026-01-09 08:15");
        EXPECT_EQ(viewer.MessageField()->toPlainText(), "Line one\nLine two");
        EXPECT_TRUE(viewer.MessageField()->isReadOnly());

        viewer.OnForward();
        recorder.Drain();
        ASSERT_EQ(recorder.received.size(), 1u);
        EXPECT_EQ(recorder.received[0].first, CGuiMessages::Get().showNewSMSForward);
        const auto forwardKey = static_cast<std::uint32_t>(recorder.received[0].second);
        EXPECT_NE(forwardKey, key);
        CSMSRecord forwarded;
        ASSERT_TRUE(host.refs.Get(forwardKey, forwarded));
        EXPECT_EQ(forwarded.MessageText, record.MessageText);
        // The viewer keeps its own reference while it is open.
        EXPECT_EQ(host.refs.Size(), 2u);
    }
    CSMSRecord gone;
    EXPECT_FALSE(host.refs.Get(key, gone));
    EXPECT_EQ(host.refs.Size(), 1u);
}

TEST(Viewers, UnknownKeyShowsEmptyFieldsAndCommandsStillWork) {
    TestHost host;
    const size_t before = LogCount("No message data avalible due to previous error");
    CDlgSentSMS viewer(host, 77);
    EXPECT_EQ(LogCount("No message data avalible due to previous error"), before + 1);
    EXPECT_TRUE(viewer.ToField()->text().isEmpty());
    EXPECT_TRUE(viewer.MessageField()->toPlainText().isEmpty());
    host.failReferences = true;
    viewer.OnForward();
    EXPECT_GE(LogCount("Discarding request due to previous error"), 1u);
}

TEST(Viewers, ReplyAddressesEveryNumberOfTheSender) {
    TestHost host;
    CSMSRecord incoming;
    incoming.Sender = "+111; +222,+333";
    incoming.MessageText = "Are you coming?";
    const std::uint32_t key = host.refs.Add(incoming);
    BroadcastRecorder recorder;
    CDlgViewSMS viewer(host, key);
    EXPECT_EQ(viewer.windowTitle(), "Incoming SMS");
    viewer.OnReply();
    recorder.Drain();
    ASSERT_EQ(recorder.Count(CGuiMessages::Get().showNewReply), 1u);
    CSMSRecord reply;
    ASSERT_TRUE(host.refs.Get(static_cast<std::uint32_t>(recorder.received[0].second), reply));
    EXPECT_EQ(reply.GetRecipients(','), "+111,+222,+333");
    EXPECT_TRUE(reply.MessageText.empty());
}

TEST(Viewers, KeysTheViewersHandleThemselves) {
    TestHost host;
    const GuiMessageIds& ids = CGuiMessages::Get();
    BroadcastRecorder recorder;
    CDlgSentSMS sent(host, host.refs.Add(Sms("g", "+1", "x", "2026-01-10 10:00", 1)));
    CDlgViewSMS incoming(host, host.refs.Add(Sms("h", "+2", "y", "2026-01-10 10:00", 1)));
    EXPECT_EQ(sent.minimumSize(), QSize(300, 200));
    QTest::keyClick(&sent, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(&sent, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(&sent, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    // The address-book key belongs to the sent viewer only.
    QTest::keyClick(&incoming, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&incoming, Qt::Key_F, Qt::ControlModifier);
    recorder.Drain();
    EXPECT_EQ(recorder.Count(ids.showNewSMSForward), 2u);
    EXPECT_EQ(recorder.Count(ids.showNewSMS), 1u);
    EXPECT_EQ(recorder.Count(ids.showAddressBook), 1u);
}

TEST(MessageStatus, FollowsTheRecordFromOutboxToSentbox) {
    TestHost host;
    CMgmtMessages& store = host.Store();
    store.OutboxAddRecord(Sms("m", "+111,+222", "hi", "2026-01-10 12:30", 3));
    auto record = store.OutboxGetRecord("m");
    CDlgMessageStatus dialog(host, *record, nullptr);
    EXPECT_EQ(StatusRows(dialog), (std::vector<std::pair<std::string, std::string>>{
                                      {"+111", "Scheduled"}, {"+222", "Scheduled"}}));

    // Due, not yet handed to the core, and offline.
    AdvanceMinutes(31);
    dialog.UpdateList();
    EXPECT_EQ(StatusRows(dialog)[0].second, "Awaiting internet connection...");

    // The core sends it and the first report arrives for one recipient.
    store.OutboxMoveToSentbox("m");
    auto sent = store.SentboxGetRecord("m");
    sent->Status = 5;
    sent->UpdateRecipientStatus("+222", "Delivered", "F");
    store.SentboxModifyRecord(*sent);
    win::SendMessage(dialog.PlatformWindow(), win::WM_TIMER, CDlgMessageStatus::TIMER_STATUS, 0);
    EXPECT_EQ(StatusRows(dialog), (std::vector<std::pair<std::string, std::string>>{
                                      {"+111", "Not avalible"}, {"+222", "Delivered"}}));
    EXPECT_EQ(dialog.Record().Status, 5);

    // Deleted meanwhile: the last list stays.
    store.SentboxDelRecord("m");
    dialog.UpdateList();
    EXPECT_EQ(StatusRows(dialog)[1].second, "Delivered");
}

// The dialog manager with the folder dialogs registered and test dialogs for the compose
// kinds: what reaches a compose dialog is the key of a copy of the right record.
class ComposeRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int type : {0, 3, 4, 5, 7}) {
            m_factory.Register(type,
                               [](const DialogRequest& r) { return new guitest::TestDialog(r); });
        }
        CFolderDialogs::Register(m_factory, m_host);
        m_gui = std::make_unique<CMgmtGUI>("NoShowDummy", m_app, m_factory);
        guitest::Spin(30);
    }
    void TearDown() override { m_gui.reset(); }

    // The one compose dialog of `type`, once its session showed it.
    guitest::TestDialog* ComposeDialog(int type) {
        guitest::TestDialog* found = nullptr;
        SpinUntil([&] {
            for (const auto& [id, session] : m_gui->ComposeTable()) {
                if (session->Type() == type && session->Dialog() != nullptr) {
                    found = static_cast<guitest::TestDialog*>(session->Dialog());
                }
            }
            return found != nullptr;
        });
        return found;
    }
    CSMSRecord Referenced(const guitest::TestDialog* dialog) {
        CSMSRecord record;
        EXPECT_TRUE(host().refs.Get(static_cast<std::uint32_t>(dialog->request.reference), record));
        return record;
    }
    TestHost& host() { return m_host; }

    TestHost m_host;
    guitest::FakeApp m_app;
    CDialogFactory m_factory;
    std::unique_ptr<CMgmtGUI> m_gui;
};

TEST_F(ComposeRoadTest, ForwardModifyAndReplyHandTheRightReference) {
    CMgmtMessages& store = m_host.Store();
    store.OutboxAddRecord(Sms("sent", "+1", "forward me", "2026-01-10 10:00", 3));
    store.OutboxMoveToSentbox("sent");
    store.OutboxAddRecord(Sms("later", "+2", "change me", "2026-01-10 18:00", 3));

    // The folder dialog comes from the manager's Folders session.
    m_gui->ShowDialog(gui::DLG_FOLDERS, 0);
    ASSERT_TRUE(SpinUntil([&] { return m_gui->FoldersSession()->Dialog() != nullptr; }));
    auto* folders = dynamic_cast<CDlgMessageFolder*>(m_gui->FoldersSession()->Dialog());
    ASSERT_NE(folders, nullptr);

    folders->List()->SelectKeys({"sent"});
    folders->OnForward();
    guitest::TestDialog* forward = ComposeDialog(gui::DLG_FORWARDSMS);
    ASSERT_NE(forward, nullptr);
    EXPECT_EQ(Referenced(forward).GUID, "sent");

    folders->SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    folders->List()->SelectKeys({"later"});
    folders->OnDblclkViewSentSMS();
    guitest::TestDialog* modify = ComposeDialog(gui::DLG_MODIFYSMS);
    ASSERT_NE(modify, nullptr);
    EXPECT_EQ(Referenced(modify).MessageText, "change me");

    // An incoming message opens in its viewer, and the reply goes to the sender.
    CSMSRecord incoming;
    incoming.Sender = "+44 1,+44 2";
    const std::uint32_t key = m_host.refs.Add(incoming);
    m_gui->ShowDialog(gui::DLG_VIEWSMS, key);
    CDlgViewSMS* viewer = nullptr;
    ASSERT_TRUE(SpinUntil([&] {
        for (const auto& [id, session] : m_gui->ComposeTable()) {
            if (session->Type() == gui::DLG_VIEWSMS && session->Dialog() != nullptr) {
                viewer = dynamic_cast<CDlgViewSMS*>(session->Dialog());
            }
        }
        return viewer != nullptr;
    }));
    viewer->OnReply();
    guitest::TestDialog* reply = ComposeDialog(gui::DLG_REPLYSMS);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(Referenced(reply).GetRecipients(','), "+44 1,+44 2");

    // Closing the viewer ends its session and releases its reference.
    viewer->close();
    ASSERT_TRUE(SpinUntil([&] {
        for (const auto& [id, session] : m_gui->ComposeTable()) {
            if (session->Type() == gui::DLG_VIEWSMS) {
                return false;
            }
        }
        return true;
    }));
    CSMSRecord released;
    EXPECT_FALSE(m_host.refs.Get(key, released));
}

TEST_F(ComposeRoadTest, SentItemOpensTheSentViewer) {
    m_host.Store().OutboxAddRecord(Sms("s", "+1", "look", "2026-01-10 10:00", 3));
    m_host.Store().OutboxMoveToSentbox("s");
    m_gui->ShowDialog(gui::DLG_FOLDERS, 0);
    ASSERT_TRUE(SpinUntil([&] { return m_gui->FoldersSession()->Dialog() != nullptr; }));
    auto* folders = dynamic_cast<CDlgMessageFolder*>(m_gui->FoldersSession()->Dialog());
    folders->List()->SelectKeys({"s"});
    folders->OnDblclkViewSentSMS();
    CDlgSentSMS* viewer = nullptr;
    ASSERT_TRUE(SpinUntil([&] {
        for (const auto& [id, session] : m_gui->SentTable()) {
            if (session->Dialog() != nullptr) {
                viewer = dynamic_cast<CDlgSentSMS*>(session->Dialog());
            }
        }
        return viewer != nullptr;
    }));
    EXPECT_EQ(viewer->MessageField()->toPlainText(), "look");
}

} // namespace
