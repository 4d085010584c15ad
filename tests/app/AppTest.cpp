#include "app/CTidewellWindowsApp.h"

#include "app/CEditionValues.h"
#include "common/TestEnv.h"
#include "messages/CMgmtSMS.h"
#include "oebridge/COutlookExpressWrapper.h"
#include "platform/MsgBox.h"

#include <filesystem>
#include <gtest/gtest.h>

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

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("app"));
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

TEST_F(AppTest, StartUpWithoutAccountAndQuitChecks) {
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.ResolvedVerb(), "NoShowDummy");
    EXPECT_EQ(CEditionValues::Get().productName, "Tidewell Windows");
    EXPECT_EQ(app.ShowRegistration(), 0) << "no account and no way to register yet";
    ASSERT_NE(app.Store(), nullptr);

    // An empty outbox never asks.
    app.OnShutDown();
    EXPECT_EQ(m_boxes->CallCount(), 0u);
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

    app.SetLastUsedDate();
    EXPECT_FALSE(app.Reg().GetLastUsed().empty());
    EXPECT_EQ(app.ExitInstance(0), 0);
}

TEST_F(AppTest, ExistingAccountNeedsNoRegistration) {
    const char* argv[] = {"tidewell", "debug"};
    CTidewellWindowsApp app(2, argv);
    ASSERT_TRUE(app.InitInstance());
    app.Reg().SetDefaultAccount("4711");
    EXPECT_EQ(app.ShowRegistration(), 1);
    EXPECT_EQ(app.GetInstallRootPath("about.cfg"), "/about.cfg");
    app.ExitInstance();
}
