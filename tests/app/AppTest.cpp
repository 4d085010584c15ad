#include "app/CTidewellWindowsApp.h"

#include "WelcomeAnswer.h"
#include "app/CCoreRegSettings.h"
#include "app/CEditionValues.h"
#include "common/TestEnv.h"
#include "compose/CDllHandler.h"
#include "gui/CMgmtGUI.h"
#include "log/LogManager.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "oebridge/COutlookExpressWrapper.h"
#include "oebridge/SmsMessage.h"
#include "platform/DynLib.h"
#include "platform/MsgBox.h"
#include "platform/Registry.h"

#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

bool QuitPosted() {
    win::MSG msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        if (msg.message == win::WM_QUIT) {
            return true;
        }
    }
    return false;
}

std::string LogFile() {
    return CLogManager::Instance().FilePath();
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("app"));
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        m_boxes = std::make_shared<win::ScriptedMessageBox>();
        win::SetMessageBoxBackend(m_boxes);
    }
    void TearDown() override { win::SetMessageBoxBackend(nullptr); }

    std::shared_ptr<win::ScriptedMessageBox> m_boxes;
};

} // namespace

TEST(AppHelpers, LastUsedHasNoLeadingZeros) {
    std::tm t{};
    t.tm_mday = 3;
    t.tm_mon = 0;
    t.tm_year = 2005 - 1900;
    t.tm_hour = 7;
    t.tm_min = 5;
    EXPECT_EQ(CTidewellWindowsApp::FormatLastUsed(t), "3-1-2005 7:5");
    t.tm_mday = 31;
    t.tm_mon = 11;
    t.tm_hour = 23;
    t.tm_min = 59;
    EXPECT_EQ(CTidewellWindowsApp::FormatLastUsed(t), "31-12-2005 23:59");
    std::string os = CTidewellWindowsApp::OperatingSystemName();
    EXPECT_EQ(os.rfind("Linux ", 0), 0u) << os;
}

TEST(AppHelpers, CoreSettingsOutliveTheApplicationsStore) {
    // A monitor thread left running after its stop time-out still reads its settings after
    // the application's configuration store is gone.
    std::shared_ptr<ICoreSettings> settings;
    {
        CQVRegClass reg;
        reg.SetDefaultAccount("7777");
        settings = std::make_shared<CCoreRegSettings>(reg);
    }
    EXPECT_EQ(settings->GetDefaultAccount(), "7777");
    EXPECT_TRUE(settings->SetDefaultAccount(""));
    EXPECT_EQ(settings->GetDefaultAccount(), "");
}

TEST(OutlookExpressWrapper, WithoutLibraryEverythingReportsFalse) {
    std::string dir = twtest::MakeTempDir("no-twox");
    COutlookExpressWrapper wrapper(dir);
    EXPECT_FALSE(wrapper.Load());
    EXPECT_FALSE(wrapper.IsLoaded());
    EXPECT_EQ(wrapper.LibraryPath(), dir + "/libtwox.so");
    EXPECT_FALSE(wrapper.RegisterCallbackWindow(5));
    EXPECT_FALSE(wrapper.SetMmsMode(0));
    std::string version = "unchanged";
    EXPECT_FALSE(wrapper.GetDllVersion(version));
    EXPECT_EQ(version, "unchanged");
    EXPECT_EQ(wrapper.GetOeWindow(), 0u);
    wrapper.Shutdown();
}

TEST(OutlookExpressWrapper, CallsTheExportsOfALoadedLibrary) {
    // A stand-in hook library built beside the tests exports everything but SetMmsMode.
    std::string dir = twtest::MakeTempDir("twox");
    std::filesystem::copy_file(twtest::BinDir() + "/libtwox_standin.so", dir + "/libtwox.so");
    COutlookExpressWrapper wrapper(dir);
    ASSERT_TRUE(wrapper.Load());
    EXPECT_TRUE(wrapper.IsLoaded());
    EXPECT_FALSE(wrapper.SetMmsMode(0)) << "a missing export reports false";
    EXPECT_TRUE(wrapper.RegisterCallbackWindow(0x1234));
    EXPECT_EQ(wrapper.GetOeWindow(), 0x1234u + 1) << "the stand-in answers what it was given";
    std::string version;
    ASSERT_TRUE(wrapper.GetDllVersion(version));
    EXPECT_EQ(version, "2.0.7 stand-in hook library");
    wrapper.Shutdown();
    EXPECT_FALSE(wrapper.IsLoaded());
}

// A start that never handed the library a window (one that forwards its verb to the running
// instance) must not start the library's search on its way out: DllShutdown would.
TEST(OutlookExpressWrapper, ShutdownStopsTheSearchOnlyWhenOneWasStarted) {
    std::string dir = twtest::MakeTempDir("twox-shutdown");
    std::filesystem::copy_file(twtest::BinDir() + "/libtwox_standin.so", dir + "/libtwox.so");
    // A second handle keeps the library mapped after the wrapper unloads it.
    platform::DynLib keep;
    ASSERT_TRUE(keep.Open(dir + "/libtwox.so"));
    const int* shutdowns = static_cast<const int*>(keep.Symbol("tw_standin_shutdowns"));
    ASSERT_NE(shutdowns, nullptr);

    COutlookExpressWrapper forwarding(dir);
    ASSERT_TRUE(forwarding.Load());
    forwarding.Shutdown();
    EXPECT_FALSE(forwarding.IsLoaded());
    EXPECT_EQ(*shutdowns, 0);

    COutlookExpressWrapper running(dir);
    ASSERT_TRUE(running.Load());
    EXPECT_TRUE(running.RegisterCallbackWindow(0x42));
    running.Shutdown();
    EXPECT_EQ(*shutdowns, 1);
}

TEST_F(AppTest, FirstStartRegistersOnTheEmbeddedServiceAndQuitChecks) {
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_TRUE(next.Answered()) << "a new user sees the first-start window";
    }
    EXPECT_EQ(app.ResolvedVerb(), "NoShowDummy");
    EXPECT_EQ(CEditionValues::Get().productName, "Tidewell Windows");
    const std::string account = app.Reg().GetDefaultAccount();
    EXPECT_FALSE(account.empty()) << "Next gives the user an account";
    EXPECT_FALSE(app.Reg().GetLastUsed().empty());
    EXPECT_EQ(app.ShowRegistration(), 1);
    ASSERT_NE(app.Gui(), nullptr);
    EXPECT_EQ(win::FindWindow("", "TWD_HIDDEN_WND"), app.Gui()->HiddenWindow());
    ASSERT_NE(app.Store(), nullptr);

    // The quit checks answer through the scripted boxes from here on.
    win::SetMessageBoxBackend(m_boxes);
    app.OnShutDown();
    EXPECT_EQ(m_boxes->CallCount(), 0u) << "an empty outbox never asks";
    EXPECT_TRUE(QuitPosted());

    CSMSRecord pending;
    pending.GUID = "pending-1";
    ASSERT_TRUE(app.Store()->OutboxAddRecord(pending));

    m_boxes->PushAnswer(win::IDCANCEL);
    app.OnShutDown();
    ASSERT_EQ(m_boxes->CallCount(), 1u);
    auto call = m_boxes->Calls()[0];
    EXPECT_EQ(call.text, "There are messages in your outbox, do you want to quit anyway?");
    EXPECT_EQ(call.caption, "Tidewell Windows");
    EXPECT_EQ(call.type, win::MB_ICONINFORMATION | win::MB_OKCANCEL);
    EXPECT_FALSE(QuitPosted()) << "cancel keeps the program running";

    m_boxes->PushAnswer(win::IDOK);
    app.OnShutDown();
    EXPECT_TRUE(QuitPosted());

    // With the outbox warning switched off the quit goes through silently.
    app.Reg().SetAlertListbox("1,1,1,1,1,0,1,1,1");
    app.OnShutDown();
    EXPECT_EQ(m_boxes->CallCount(), 2u);
    EXPECT_TRUE(QuitPosted());

    app.OnForcedShutDown();
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(app.ExitInstance(0), 0);
}

TEST_F(AppTest, ClosingTheFirstStartWindowLeavesNoAccountAndRequestsAskAgain) {
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        WelcomeAnswer cancel(win::IDCANCEL);
        ASSERT_TRUE(app.InitInstance()) << "a cancelled signup does not stop start-up";
        EXPECT_TRUE(cancel.Answered());
    }
    EXPECT_TRUE(app.Reg().GetDefaultAccount().empty());
    EXPECT_NE(twtest::ReadFile(LogFile()).find("Registration cancelled"), std::string::npos);
    // Every later request offers the signup again; one that arrives while the window is
    // open gets no second window.
    int nested = -1;
    QTimer::singleShot(0, [&] {
        nested = app.ShowRegistration();
        win::PostMessage(win::FindWindow("", "Welcome"), win::WM_COMMAND, win::IDCANCEL, 0);
    });
    EXPECT_EQ(app.ShowRegistration(), 0);
    EXPECT_EQ(nested, 0);
    EXPECT_NE(twtest::ReadFile(LogFile()).find("The first-start window is already open"),
              std::string::npos);
    app.ExitInstance();
}

TEST_F(AppTest, ExistingAccountNeedsNoRegistration) {
    // An account the service knows (one it does not know is forgotten at start).
    std::string account;
    {
        const char* argv[] = {"tidewell"};
        CTidewellWindowsApp first(1, argv);
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(first.InitInstance());
        account = first.Reg().GetDefaultAccount();
        first.ExitInstance();
    }
    ASSERT_FALSE(account.empty());

    const char* argv[] = {"tidewell", "debug"};
    CTidewellWindowsApp app(2, argv);
    WelcomeAnswer unexpected(win::IDCANCEL);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.ShowRegistration(), 1);
    EXPECT_EQ(app.Reg().GetDefaultAccount(), account);
    EXPECT_EQ(app.GetInstallRootPath("about.cfg"), "/about.cfg");
    app.ExitInstance();
    EXPECT_FALSE(unexpected.Answered()) << "no first-start window with an account";
}

TEST_F(AppTest, NormalStartWithoutDisplayEndsWithAnError) {
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_NE(app.StartUpExitCode(), 0);
    EXPECT_EQ(app.Gui(), nullptr);
    EXPECT_EQ(app.Store(), nullptr) << "nothing past the display check was started";
    EXPECT_NE(twtest::ReadFile(LogFile()).find("No display available"), std::string::npos);
    app.ExitInstance();
}

TEST_F(AppTest, MailClientMessagesBecomeReferencedRecords) {
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    SmsMessage message;
    message.SetSender("+447700900111");
    message.SetRecipients("+447700900222,+447700900333");
    message.SetText("From the mail client");
    message.SetDate("08/12/2026 10:15:00");
    GuiSmsFields texts;
    EXPECT_FALSE(app.ReadMailClientMessage(0, texts));
    ASSERT_TRUE(app.ReadMailClientMessage(reinterpret_cast<win::LPARAM>(&message), texts));
    EXPECT_EQ(texts.sender, "+447700900111");
    EXPECT_EQ(texts.recipients, "+447700900222,+447700900333");
    EXPECT_EQ(texts.messageText, "From the mail client");
    EXPECT_EQ(texts.dateTime, "08/12/2026 10:15:00");

    unsigned key = app.AddMessageReference(texts);
    ASSERT_GE(key, 1u);
    CSMSRecord record;
    ASSERT_TRUE(app.SMSRefGetGuid(key, record));
    EXPECT_EQ(record.Sender, "+447700900111");
    ASSERT_EQ(record.Recipients.size(), 2u);
    EXPECT_EQ(record.MessageText, "From the mail client");
    EXPECT_EQ(record.DateTime, "08/12/2026 10:15:00");
    EXPECT_TRUE(app.MSGRefRemove(key));
}

TEST_F(AppTest, StartUpLoadsTheCountryCodesWithTheHomeCountryOfTheSettings) {
    CEditionValues::Select(false);
    platform::RegKey root;
    ASSERT_TRUE(root.Create(platform::RegRoot::CurrentUser, CEditionValues::Get().countryCodeKey));
    ASSERT_TRUE(root.SetString("HomeCountry", "DE"));

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    WelcomeAnswer close(win::IDCANCEL); // no account is needed here
    ASSERT_TRUE(app.InitInstance());
    ASSERT_NE(app.CountryCodes(), nullptr);
    EXPECT_EQ(app.HomeCountry(), "DE");
    EXPECT_EQ(app.CountryCodes()->ConvertToMsisdn("0151 23456789"), "+4915123456789");
    app.ExitInstance();
    EXPECT_EQ(app.CountryCodes(), nullptr);
}
