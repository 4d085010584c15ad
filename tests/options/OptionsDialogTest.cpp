// The options window: pages, Apply, every page's rules, the broadcasts, the dialog manager's
// Options session, and an open compose dialog that follows the changes.
#include "OptionsFixture.h"

#include "gui/CDialogFactory.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "options/COptionsRules.h"
#include "options/CPageAccount.h"
#include "options/CPageAlert.h"
#include "options/CPageDisplay.h"
#include "options/CPageGeneral.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace optionstest;

namespace {

// A top-level platform window that records what the broadcasts bring.
class BroadcastRecorder {
public:
    BroadcastRecorder() {
        win::WindowDesc desc;
        desc.className = "TEST_RECORDER";
        m_hwnd = win::CreateWindow(
            desc,
            [this](win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) -> win::LRESULT {
                received.emplace_back(msg, wParam);
                return 0;
            });
    }
    ~BroadcastRecorder() { win::DestroyWindow(m_hwnd); }
    std::vector<win::WPARAM> Of(win::UINT msg) const {
        std::vector<win::WPARAM> params;
        for (const auto& [m, w] : received) {
            if (m == msg) {
                params.push_back(w);
            }
        }
        return params;
    }
    std::vector<std::pair<win::UINT, win::WPARAM>> received;

private:
    win::HWND m_hwnd = 0;
};

void Save(QWidget& widget, const std::string& name) {
    guitest::Spin(20); // the layout settles
    const std::string path = guitest::ScreenshotFolder() + "/" + name;
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(path)));
}

std::vector<std::string> Items(QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i) {
        items.push_back(box->itemText(i).toStdString());
    }
    return items;
}

TEST_F(OptionsTest, FourPagesInOrderAndTheApplyButton) {
    BroadcastRecorder recorder;
    CDlgOptions& dialog = OpenOptions();
    EXPECT_EQ(dialog.windowTitle(), "Options");
    ASSERT_EQ(dialog.Sheet()->count(), 4);
    EXPECT_EQ(dialog.Sheet()->tabText(0), "General");
    EXPECT_EQ(dialog.Sheet()->tabText(1), "Account");
    EXPECT_EQ(dialog.Sheet()->tabText(2), "Display");
    EXPECT_EQ(dialog.Sheet()->tabText(3), "Alerts");
    EXPECT_EQ(dialog.OkButton()->text(), "OK");
    EXPECT_EQ(dialog.CancelButton()->text(), "Cancel");
    EXPECT_EQ(dialog.ApplyButton()->text(), "Apply");
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
    EXPECT_FALSE(dialog.isModal());
    // F1 opens the help page of the options.
    dialog.activateWindow();
    ASSERT_TRUE(guitest::SpinUntil([&] { return dialog.isActiveWindow(); }));
    QTest::keyClick(&dialog, Qt::Key_F1);
    ASSERT_EQ(shell->Opened().size(), 1u);
    EXPECT_NE(shell->Opened()[0].find("/help/windows/options"), std::string::npos);

    dialog.DisplayPage()->OneInstanceBox()->click();
    EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
    EXPECT_TRUE(dialog.DisplayPage()->IsModified());
    EXPECT_FALSE(dialog.GeneralPage()->IsModified());
    dialog.ApplyButton()->click();
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
    EXPECT_FALSE(dialog.DisplayPage()->IsModified());
    EXPECT_EQ(reg.GetDispAllowOneInstance(), 1u);
    ASSERT_TRUE(guitest::SpinUntil(
        [&] { return recorder.Of(CGuiMessages::Get().notifyChangeSettings).size() == 1; }));

    // Cancel closes without writing.
    dialog.DisplayPage()->OneInstanceBox()->click();
    dialog.CancelButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(reg.GetDispAllowOneInstance(), 1u);
    // OK applies and closes.
    CDlgOptions& again = OpenOptions();
    EXPECT_TRUE(again.DisplayPage()->OneInstanceBox()->isChecked());
    again.DisplayPage()->OneInstanceBox()->click();
    again.OkButton()->click();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(reg.GetDispAllowOneInstance(), 0u);
}

TEST_F(OptionsTest, ApplyWritesTheModifiedPagesInOrder) {
    CDlgOptions& dialog = OpenOptions();
    dialog.AlertPage()->AlertList()->item(0)->setCheckState(Qt::Unchecked);
    dialog.AccountPage()->SetNewEmail("new@example.com");
    dialog.GeneralPage()->CountryBox()->setCurrentIndex(1);
    emit dialog.GeneralPage()->CountryBox()->activated(1);
    dialog.DisplayPage()->StartWithDesktopBox()->click();
    dialog.OnApply();
    EXPECT_EQ(calls, (std::vector<std::string>{"display: off", "general: Germany",
                                               "account: new@example.com"}));
    EXPECT_EQ(reg.GetAlertListbox(), "0,1,1,1,1,1,1,1,1");
    // Nothing modified: nothing written again.
    calls.clear();
    dialog.OnApply();
    EXPECT_TRUE(calls.empty());
}

TEST_F(OptionsTest, GeneralPageCountriesTruncationSignatureAndTemplates) {
    reg.SetTruncationMode(1);
    reg.SetEnableSignature(1);
    countries.home = "DE";
    CDlgOptions& dialog = OpenOptions();
    dialog.Sheet()->setCurrentIndex(0);
    CPageGeneral* page = dialog.GeneralPage();
    EXPECT_EQ(Items(page->CountryBox()),
              (std::vector<std::string>{"United Kingdom", "Germany", "United States"}));
    EXPECT_EQ(page->CountryBox()->currentText(), "Germany");
    EXPECT_EQ(page->OneSmsOption()->text(), "Send one SMS only, cut to 160 characters");
    EXPECT_EQ(page->LongMessagesOption()->text(),
              "Send long messages as several SMS, at most 640 characters");
    EXPECT_EQ(page->RememberOption()->text(), "Remember last used");
    EXPECT_TRUE(page->LongMessagesOption()->isChecked());
    EXPECT_TRUE(page->SignatureBox()->isChecked());
    Save(dialog, "options_general.png");

    page->TemplatesButton()->click();
    EXPECT_EQ(calls, std::vector<std::string>{"templates"});
    calls.clear();

    // Remember last used: the mode before it is kept; chosen again, nothing changes.
    page->RememberOption()->click();
    dialog.OnApply();
    EXPECT_EQ(reg.GetTruncationMode(), 3u);
    EXPECT_EQ(reg.GetRememberTruncMode(), 1u);
    EXPECT_TRUE(calls.empty()); // the home country did not change
    reg.SetRememberTruncMode(0);
    CDlgOptions& again = OpenOptions();
    EXPECT_TRUE(again.GeneralPage()->RememberOption()->isChecked());
    again.GeneralPage()->SignatureBox()->click();
    again.GeneralPage()->RememberOption()->click();
    again.OnApply();
    EXPECT_EQ(reg.GetRememberTruncMode(), 0u);
    EXPECT_EQ(reg.GetEnableSignature(), 0u);
}

TEST_F(OptionsTest, CountryBoxWithoutTheLibraryOrAnUnknownHome) {
    countries.home = "FR"; // not in the list: the first entry shows, and stays unapplied
    CDlgOptions& dialog = OpenOptions();
    EXPECT_EQ(dialog.GeneralPage()->CountryBox()->currentIndex(), 0);
    dialog.GeneralPage()->SignatureBox()->click();
    dialog.OnApply();
    EXPECT_EQ(countries.home, "FR");

    OptionsServices services = OptServices();
    services.countryCodes = nullptr;
    CDlgOptions bare(services);
    EXPECT_EQ(bare.GeneralPage()->CountryBox()->count(), 0);
    bare.GeneralPage()->OneSmsOption()->click();
    bare.OnApply();
    EXPECT_EQ(reg.GetTruncationMode(), 0u);
}

TEST_F(OptionsTest, AccountPageSendersPrepaidAndReply) {
    reg.SetRememberOriginator(1);
    reg.SetAlertPrepaidBalance(7);
    reg.SetUserEmail("ann@example.com");
    CDlgOptions& dialog = OpenOptions();
    dialog.Sheet()->setCurrentIndex(1);
    CPageAccount* page = dialog.AccountPage();
    EXPECT_EQ(Items(page->OriginatorBox()),
              (std::vector<std::string>{"+4917099999 (replies to your mobile)",
                                        "Inbox (replies to your inbox)", "Tidewell (no reply)",
                                        "Remember last used"}));
    EXPECT_EQ(page->OriginatorBox()->currentIndex(), 3);
    EXPECT_TRUE(page->PrepaidSection()->isVisible());
    EXPECT_EQ(page->BalanceLabel()->text(), "Your prepaid balance is 100 messages");
    EXPECT_EQ(page->ThresholdBox()->value(), 7);
    EXPECT_TRUE(page->LowBalanceBox()->isEnabled());
    EXPECT_TRUE(page->ReplySection()->isVisible());
    EXPECT_EQ(page->EmailField()->text(), "ann@example.com");
    Save(dialog, "options_account.png");

    // The refill link opens the refill page.
    emit page->RefillLink()->linkActivated("refill");
    ASSERT_EQ(shell->Opened().size(), 1u);
    EXPECT_NE(shell->Opened()[0].find("/account/refill"), std::string::npos);

    // The account options button runs the registration with the button disabled.
    page->AccountButton()->click();
    EXPECT_EQ(calls, std::vector<std::string>{"registerEx, button disabled"});
    EXPECT_TRUE(page->AccountButton()->isEnabled());

    page->OriginatorBox()->setCurrentIndex(1);
    emit page->OriginatorBox()->activated(1);
    page->ThresholdBox()->setValue(12);
    page->LowBalanceBox()->click();
    dialog.OnApply();
    EXPECT_EQ(reg.GetAccDefOriginator(), 1u);
    EXPECT_EQ(reg.GetRememberOriginator(), 0u);
    EXPECT_EQ(reg.GetAlertPrepaidBalance(), 12u);
    EXPECT_EQ(reg.GetAlertBalance(), 0u);
}

TEST_F(OptionsTest, InvoiceAccountAndOneSender) {
    reg.SetAccountType("invoice");
    reg.SetReplyOriginator("");
    reg.SetTextOriginator("");
    CDlgOptions& dialog = OpenOptions();
    dialog.Sheet()->setCurrentIndex(1);
    CPageAccount* page = dialog.AccountPage();
    EXPECT_FALSE(page->PrepaidSection()->isVisible());
    EXPECT_FALSE(page->LowBalanceBox()->isEnabled());
    EXPECT_FALSE(page->ReplySection()->isVisible());
    EXPECT_EQ(Items(page->OriginatorBox()),
              std::vector<std::string>{"+4917099999 (replies to your mobile)"});
    Save(dialog, "options_account_invoice.png");
}

TEST_F(OptionsTest, DisplayPageEnablingActionsAndTheTrayBroadcast) {
    BroadcastRecorder recorder;
    reg.SetSysTrayDefaultAction(1);
    CDlgOptions& dialog = OpenOptions();
    dialog.Sheet()->setCurrentIndex(2);
    CPageDisplay* page = dialog.DisplayPage();
    EXPECT_TRUE(page->TrayBox()->isChecked());
    EXPECT_FALSE(page->KeepOpenBox()->isChecked());
    EXPECT_FALSE(page->ClearRecipientsBox()->isEnabled());
    EXPECT_FALSE(page->ClearMessageBox()->isEnabled());
    EXPECT_TRUE(page->TrayActionBox()->isEnabled());
    EXPECT_EQ(Items(page->TrayActionBox()),
              (std::vector<std::string>{"New SMS", "Message folders", "Options"}));
    EXPECT_EQ(page->TrayActionBox()->currentText(), "Message folders");
    EXPECT_EQ(page->StartWithDesktopBox()->text(),
              "Start Tidewell Windows when the desktop starts");
    EXPECT_TRUE(page->StartWithDesktopBox()->isChecked());
    page->KeepOpenBox()->click();
    EXPECT_TRUE(page->ClearRecipientsBox()->isEnabled());
    EXPECT_TRUE(page->ClearMessageBox()->isEnabled());
    page->ClearMessageBox()->click();
    Save(dialog, "options_display.png");

    page->TrayBox()->click();
    EXPECT_FALSE(page->TrayActionBox()->isEnabled());
    page->StartupActionBox()->setCurrentIndex(2);
    emit page->StartupActionBox()->activated(2);
    page->StartWithDesktopBox()->click();
    dialog.OnApply();
    EXPECT_EQ(reg.GetDispSystemTray(), 0u);
    EXPECT_EQ(reg.GetDispKeepMsgWnd(), 1u);
    EXPECT_EQ(reg.GetDispClearMsgBody(), 1u);
    EXPECT_EQ(reg.GetDispClearRecipients(), 0u);
    EXPECT_EQ(reg.GetDispStartupAction(), 3u);
    EXPECT_EQ(reg.GetSysTrayDefaultAction(), 1u);
    EXPECT_FALSE(COptionsRules::GetStartWithDesktop(reg));
    EXPECT_EQ(calls, std::vector<std::string>{"display: off"});
    // Every window hears at once that the tray icon goes.
    ASSERT_TRUE(guitest::SpinUntil(
        [&] { return !recorder.Of(CGuiMessages::Get().showSysTrayIcon).empty(); }));
    EXPECT_EQ(recorder.Of(CGuiMessages::Get().showSysTrayIcon), std::vector<win::WPARAM>{0});

    // Without the desktop hook the choice is still stored.
    OptionsServices services = OptServices();
    services.startWithDesktop = nullptr;
    CDlgOptions bare(services);
    bare.DisplayPage()->StartWithDesktopBox()->click();
    bare.OnApply();
    EXPECT_TRUE(COptionsRules::GetStartWithDesktop(reg));
}

TEST_F(OptionsTest, AlertsPageAllClearedLeavesOnlyTheThirdFlag) {
    reg.SetAlertListbox("1,0,1,1,1,1,1,0,1");
    CDlgOptions& dialog = OpenOptions();
    dialog.Sheet()->setCurrentIndex(3);
    QListWidget* list = dialog.AlertPage()->AlertList();
    ASSERT_EQ(list->count(), 8);
    EXPECT_EQ(list->item(0)->text(), "not all recipients have a valid phone number");
    EXPECT_EQ(list->item(6)->text(), "a template will be permanently deleted");
    std::vector<bool> ticked;
    for (int i = 0; i < list->count(); ++i) {
        ticked.push_back(list->item(i)->checkState() == Qt::Checked);
    }
    EXPECT_EQ(ticked, (std::vector<bool>{true, false, true, true, true, true, false, true}));
    Save(dialog, "options_alerts.png");
    for (int i = 0; i < list->count(); ++i) {
        list->item(i)->setCheckState(Qt::Unchecked);
    }
    EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
    dialog.OnApply();
    EXPECT_EQ(reg.GetAlertListbox(), "0,0,1,0,0,0,0,0,0");
}

TEST_F(OptionsTest, AnOpenComposeDialogFollowsApply) {
    auto compose = Open();
    EXPECT_EQ(compose->TruncationMode(), 0);
    EXPECT_EQ(compose->Originator()->currentIndex(), 0);
    CDlgOptions& dialog = OpenOptions();
    dialog.GeneralPage()->LongMessagesOption()->click();
    dialog.AccountPage()->OriginatorBox()->setCurrentIndex(2);
    emit dialog.AccountPage()->OriginatorBox()->activated(2);
    dialog.ApplyButton()->click();
    ASSERT_TRUE(guitest::SpinUntil([&] { return compose->TruncationMode() == 1; }));
    EXPECT_EQ(compose->Originator()->currentIndex(), 2);
}

TEST_F(OptionsTest, TheOptionsSessionShowsAndRecreatesTheWindow) {
    guitest::FakeApp app;
    CDialogFactory factory;
    CDlgOptions::Register(factory, [this] { return OptServices(); });
    CMgmtGUI gui("NoShowDummy", app, factory);
    ASSERT_TRUE(gui.IsInitialized());
    CDialogSession* session = gui.OptionsSession();
    ASSERT_NE(session, nullptr);
    win::PostMessage(gui.HiddenWindow(), CGuiMessages::Get().showOptions, 0, 0);
    ASSERT_TRUE(guitest::SpinUntil([&] { return session->Dialog() != nullptr; }));
    auto* first = qobject_cast<CDlgOptions*>(session->Dialog());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    Save(*first, "options_as_shown.png");
    first->CancelButton()->click();
    ASSERT_TRUE(guitest::SpinUntil([&] { return session->Dialog() == nullptr; }));
    win::PostMessage(gui.HiddenWindow(), CGuiMessages::Get().showOptions, 0, 0);
    ASSERT_TRUE(guitest::SpinUntil([&] { return session->Dialog() != nullptr; }));
    EXPECT_EQ(session->CreateCount(), 2);
    EXPECT_FALSE(session->IsEnded());

    // Applying a ticked tray box asks the manager to show the icon (the offscreen platform
    // has no tray, so the manager logs that it could not).
    const std::size_t warnings =
        guitest::LogCount("Warning: Problem showing or removing system tray icon");
    auto* second = qobject_cast<CDlgOptions*>(session->Dialog());
    second->DisplayPage()->OneInstanceBox()->click();
    second->OnApply();
    EXPECT_TRUE(guitest::SpinUntil([&] {
        return guitest::LogCount("Warning: Problem showing or removing system tray icon") >
               warnings;
    }));
}

} // namespace
