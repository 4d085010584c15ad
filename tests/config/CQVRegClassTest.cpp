// The configuration store: defaults, the two scopes, limits, the current account and the
// settings with rules of their own.
#include "config/CQVRegClass.h"
#include "common/TestEnv.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using platform::RegRoot;

namespace {

const char* const kRoot = "Software\\Quorvane\\Tidewell Windows\\2.0";

class CQVRegClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (RegRoot r : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
            std::filesystem::remove_all(
                std::filesystem::path(platform::RegHivePath(r)).parent_path());
        }
    }

    static void WriteMachine(const std::string& sections) {
        std::string path = platform::RegHivePath(RegRoot::LocalMachine);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        twtest::WriteFile(path, "REGEDIT4\n\n" + sections);
    }
    static std::string UserHive() {
        return twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser));
    }

    CQVRegClass m_reg;
};

} // namespace

TEST_F(CQVRegClassTest, EmptyStoreGivesEveryDefault) {
    EXPECT_EQ(m_reg.GetAccDefOriginator(), 0u);
    EXPECT_EQ(m_reg.GetAlertBalance(), 1u);
    EXPECT_EQ(m_reg.GetAlertPrepaidBalance(), 5u);
    EXPECT_EQ(m_reg.GetAlertListbox(), "1,1,1,1,1,1,1,1,1");
    EXPECT_EQ(m_reg.GetConcatMessageLength(), 153u);
    EXPECT_EQ(m_reg.GetConfirmEmail(), "1");
    EXPECT_EQ(m_reg.GetDefaultAccount(), "");
    EXPECT_EQ(m_reg.GetDispSystemTray(), 1u);
    EXPECT_EQ(m_reg.GetEnableSignature(), 1u);
    EXPECT_EQ(m_reg.GetNewMessageSize(), "86-95-670-487");
    EXPECT_EQ(m_reg.GetSortListColumn(), 2u);
    EXPECT_EQ(m_reg.GetSortListOrder(), 0u);
    EXPECT_EQ(m_reg.GetSplitUpCharLimit(), 640u);
    EXPECT_EQ(m_reg.GetTimeSpan(), 5u);
    EXPECT_EQ(m_reg.GetUsageReminderDisable(), "0");
    EXPECT_EQ(m_reg.GetLogLevel(), 5u);
    EXPECT_EQ(m_reg.GetMessageLength(), 160u);
    EXPECT_EQ(m_reg.GetPrepaidBalance(), 0u);
    EXPECT_EQ(m_reg.GetMMSImageQuality(), 50u);
    EXPECT_EQ(m_reg.GetMMSPageDuration(), 10u);
    EXPECT_EQ(m_reg.GetMMSMaxMessageSizeKb(), 10000u);
    EXPECT_EQ(m_reg.GetMMSDefaultMessageSize(), 10000u);
    EXPECT_EQ(m_reg.GetMMSImageCX(), 300u);
    EXPECT_EQ(m_reg.GetMMSDlgCY(), 670u);
    EXPECT_EQ(m_reg.GetMMSDlgSimpleCY(), 535u);
    EXPECT_EQ(m_reg.GetMMSSupportedAudioExt(), "mid;amr;wav");
    EXPECT_EQ(m_reg.GetMMSSupportedVideoExt(), "3gp");
    EXPECT_FALSE(m_reg.GetMMSEnableVideo());
    EXPECT_FALSE(m_reg.GetMMSEnableAdvanced());
    EXPECT_EQ(m_reg.GetRemoteHost(), "");
    EXPECT_EQ(m_reg.GetMMSMode(), 0u);
    EXPECT_EQ(m_reg.GetAlertListboxFlags(), (std::array<int, 9>{1, 1, 1, 1, 1, 1, 1, 1, 1}));
    // Reading creates nothing.
    EXPECT_FALSE(std::filesystem::exists(platform::RegHivePath(RegRoot::CurrentUser)));
}

TEST_F(CQVRegClassTest, MachineValueServesUntilTheUserHasOne) {
    WriteMachine("[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Tidewell Windows\\2.0]\n"
                 "\"SortListColumn\"=dword:00000004\n\"InstallRoot\"=\"/opt/tidewell\"\n\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Tidewell Windows\\2.0\\Core]\n"
                 "\"RemoteHost\"=\"vtp.example\"\n\n");
    std::string machine = twtest::ReadFile(platform::RegHivePath(RegRoot::LocalMachine));
    EXPECT_EQ(m_reg.GetSortListColumn(), 4u);
    EXPECT_EQ(m_reg.GetInstallRoot(), "/opt/tidewell");
    EXPECT_EQ(m_reg.GetRemoteHost(), "vtp.example");
    EXPECT_EQ(m_reg.SetSortListColumn(1), 1);
    EXPECT_EQ(m_reg.GetSortListColumn(), 1u);
    // Writes never touch the machine hive.
    EXPECT_EQ(twtest::ReadFile(platform::RegHivePath(RegRoot::LocalMachine)), machine);
    EXPECT_NE(UserHive().find("\"SortListColumn\"=dword:00000001"), std::string::npos);
}

TEST_F(CQVRegClassTest, UserKeyWithoutTheValueFallsBackToTheMachine) {
    WriteMachine("[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Tidewell Windows\\2.0]\n"
                 "\"TimeSpan\"=dword:0000000e\n\n");
    ASSERT_EQ(m_reg.SetDispStartupAction(3), 1);
    EXPECT_EQ(m_reg.GetTimeSpan(), 14u);
    // A user value of the wrong type is no value either.
    ASSERT_EQ(m_reg.WriteString("7", kRoot, "TimeSpan"), 1);
    EXPECT_EQ(m_reg.GetTimeSpan(), 14u);
}

TEST_F(CQVRegClassTest, OverlongTextsReadAsAbsent) {
    WriteMachine("[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Tidewell Windows\\2.0]\n"
                 "\"LastUsed\"=\"machine\"\n\n");
    ASSERT_EQ(m_reg.SetLastUsed(std::string(254, 'a')), 1);
    EXPECT_EQ(m_reg.GetLastUsed(), std::string(254, 'a'));
    ASSERT_EQ(m_reg.SetLastUsed(std::string(255, 'a')), 1);
    EXPECT_EQ(m_reg.GetLastUsed(), "machine");
    ASSERT_EQ(m_reg.SetNewMessageSize(std::string(1000, 'b')), 1);
    EXPECT_EQ(m_reg.GetNewMessageSize(), "86-95-670-487");
    // The limit counts characters: 254 two-byte characters still read, 255 do not.
    std::string accented;
    for (int i = 0; i < 254; ++i) {
        accented += "\xC3\xA9";
    }
    ASSERT_EQ(m_reg.SetLastUsed(accented), 1);
    EXPECT_EQ(m_reg.GetLastUsed(), accented);
    ASSERT_EQ(m_reg.SetLastUsed(accented + "\xC3\xA9"), 1);
    EXPECT_EQ(m_reg.GetLastUsed(), "machine");
}

TEST_F(CQVRegClassTest, DefaultAccountMovesFromItsOldPlace) {
    ASSERT_EQ(m_reg.WriteString("4711", std::string(kRoot) + "\\", "DefaultAccount"), 1);
    EXPECT_EQ(m_reg.GetDefaultAccount(), "4711");
    platform::RegKey accounts;
    ASSERT_TRUE(accounts.Open(RegRoot::CurrentUser, std::string(kRoot) + "\\Accounts"));
    EXPECT_EQ(accounts.QueryString("DefaultAccount"), "4711");
    platform::RegKey root;
    ASSERT_TRUE(root.Open(RegRoot::CurrentUser, kRoot));
    EXPECT_EQ(root.QueryString("DefaultAccount"), "4711");
    // The new place wins from then on.
    ASSERT_EQ(m_reg.SetDefaultAccount("815"), 1);
    EXPECT_EQ(m_reg.GetDefaultAccount(), "815");
    EXPECT_EQ(m_reg.GetAccountKey(), std::string(kRoot) + "\\Accounts\\815\\");
}

TEST_F(CQVRegClassTest, AccountSettingsFollowTheCurrentAccount) {
    // Without an account nothing is read from or written to the accounts key itself.
    EXPECT_EQ(m_reg.SetPrepaidBalance(30), 0);
    EXPECT_EQ(m_reg.SetUserEmail("a@example.org"), 0);
    EXPECT_EQ(m_reg.GetPrepaidBalance(), 0u);
    EXPECT_EQ(m_reg.GetAccountKey(), "");
    EXPECT_EQ(UserHive().find("PrepaidBalance"), std::string::npos);

    ASSERT_TRUE(m_reg.CreateUserKey(std::string(kRoot) + "\\Accounts\\A1"));
    ASSERT_EQ(m_reg.SetDefaultAccount("A1"), 1);
    ASSERT_EQ(m_reg.SetPrepaidBalance(30), 1);
    ASSERT_EQ(m_reg.SetMMSEnableAdvanced(true), 1);
    ASSERT_EQ(m_reg.SetUserEmail("a@example.org"), 1);
    ASSERT_EQ(m_reg.SetDefaultAccount("B2"), 1);
    EXPECT_EQ(m_reg.GetPrepaidBalance(), 0u);
    EXPECT_EQ(m_reg.GetUserEmail(), "");
    EXPECT_FALSE(m_reg.GetMMSEnableAdvanced());
    ASSERT_EQ(m_reg.SetPrepaidBalance(7), 1);
    ASSERT_EQ(m_reg.SetDefaultAccount("a1"), 1);
    EXPECT_EQ(m_reg.GetPrepaidBalance(), 30u);
    EXPECT_EQ(m_reg.GetUserEmail(), "a@example.org");
    EXPECT_TRUE(m_reg.GetMMSEnableAdvanced());
    platform::RegKey b2;
    ASSERT_TRUE(b2.Open(RegRoot::CurrentUser, std::string(kRoot) + "\\Accounts\\B2"));
    EXPECT_EQ(b2.QueryDWORD("PrepaidBalance"), 7u);
}

TEST_F(CQVRegClassTest, DefaultMessageSizeNeverExceedsTheMaximum) {
    ASSERT_EQ(m_reg.SetMMSMaxMessageSizeKb(300), 1);
    EXPECT_EQ(m_reg.GetMMSDefaultMessageSize(), 300u);
    ASSERT_EQ(m_reg.SetMMSDefaultMessageSize(500), 1);
    platform::RegKey root;
    ASSERT_TRUE(root.Open(RegRoot::CurrentUser, kRoot));
    EXPECT_EQ(root.QueryDWORD("MMSDefaultMessageSize"), 300u);
    ASSERT_EQ(m_reg.SetMMSDefaultMessageSize(100), 1);
    EXPECT_EQ(m_reg.GetMMSDefaultMessageSize(), 100u);
    // Lowering the maximum later lowers what the default reads as.
    ASSERT_EQ(m_reg.SetMMSMaxMessageSizeKb(50), 1);
    EXPECT_EQ(m_reg.GetMMSDefaultMessageSize(), 50u);
}

TEST_F(CQVRegClassTest, ImageDimensionOfEverySelection) {
    using Size = CQVRegClass::ImageSize;
    EXPECT_EQ(m_reg.GetMMSImageDimension(0), (Size{128, 160}));
    EXPECT_EQ(m_reg.GetMMSImageDimension(1), (Size{300, 200}));
    EXPECT_EQ(m_reg.GetMMSImageDimension(2), (Size{640, 480}));
    EXPECT_EQ(m_reg.GetMMSImageDimension(3), (Size{300, 200}));
    EXPECT_EQ(m_reg.GetMMSImageDimension(4), (Size{300, 200}));
    EXPECT_EQ(m_reg.GetMMSImageDimension(0xFFFFFFFFu), (Size{300, 200}));
    ASSERT_EQ(m_reg.SetMMSImageDimentionSelection(2), 1);
    EXPECT_EQ(m_reg.GetMMSImageDimension(3), (Size{640, 480}));
    ASSERT_EQ(m_reg.WriteDWORD(800, std::string(kRoot) + "\\", "MMSImageLargeCX"), 1);
    EXPECT_EQ(m_reg.GetMMSImageDimension(3), (Size{800, 480}));
    // A stored choice of 3 or more never leads back to itself.
    ASSERT_EQ(m_reg.SetMMSImageDimentionSelection(3), 1);
    EXPECT_EQ(m_reg.GetMMSImageDimension(3), (Size{300, 200}));
    ASSERT_EQ(m_reg.SetMMSImageDimentionSelection(9), 1);
    EXPECT_EQ(m_reg.GetMMSImageDimension(3), (Size{300, 200}));
}

TEST_F(CQVRegClassTest, EditionPathsComeFromOutside) {
    CQVRegClass::RootPaths oe = CQVRegClass::RootPaths::ForProduct("Tidewell Outlook Express");
    EXPECT_EQ(oe.rootWithSeparator, "Software\\Quorvane\\Tidewell Outlook Express\\2.0\\");
    EXPECT_EQ(oe.core, "Software\\Quorvane\\Tidewell Outlook Express\\2.0\\Core");
    EXPECT_EQ(oe.debug, "Software\\Quorvane\\Tidewell Outlook Express\\2.0\\Debug");
    EXPECT_EQ(oe.accounts, "Software\\Quorvane\\Tidewell Outlook Express\\2.0\\Accounts\\");
    EXPECT_EQ(oe.countryCode, oe.root);
    EXPECT_EQ(m_reg.GetRootPaths().root, kRoot);
    m_reg.SetRootPaths(oe);
    ASSERT_EQ(m_reg.SetTruncationMode(2), 1);
    ASSERT_EQ(m_reg.WriteDWORD(3, oe.debug, "LogLevel"), 1);
    EXPECT_EQ(m_reg.GetLogLevel(), 3u);
    CQVRegClass windows;
    EXPECT_EQ(windows.GetTruncationMode(), 0u);
    EXPECT_NE(
        UserHive().find("[HKEY_CURRENT_USER\\Software\\Quorvane\\Tidewell Outlook Express\\2.0]\n"
                        "\"TruncationMode\"=dword:00000002\n"),
        std::string::npos);
}

TEST_F(CQVRegClassTest, AlertFlagsRoundTrip) {
    ASSERT_EQ(m_reg.SetAlertListboxFlags({0, 1, 1, 0, 1, 1, 0, 1, 0}), 1);
    EXPECT_EQ(m_reg.GetAlertListbox(), "0,1,1,0,1,1,0,1,0");
    EXPECT_EQ(m_reg.GetAlertListboxFlags(), (std::array<int, 9>{0, 1, 1, 0, 1, 1, 0, 1, 0}));
    // A short or damaged text leaves the missing positions on.
    ASSERT_EQ(m_reg.SetAlertListbox("0,0,x"), 1);
    EXPECT_EQ(m_reg.GetAlertListboxFlags(), (std::array<int, 9>{0, 0, 1, 1, 1, 1, 1, 1, 1}));
}

TEST_F(CQVRegClassTest, AppDataFolderPrefersTheShellFoldersValue) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    EXPECT_EQ(m_reg.GetAppDataFolder(), platform::AppDataFolder());
    EXPECT_EQ(m_reg.GetDataFolder(), platform::AppDataFolder() + "/TWD");
    ASSERT_EQ(m_reg.WriteString("/srv/appdata", key, "AppData"), 1);
    EXPECT_EQ(m_reg.GetAppDataFolder(), "/srv/appdata");
    EXPECT_EQ(m_reg.GetDataFolder(), "/srv/appdata/TWD");
    ASSERT_EQ(m_reg.WriteString("/" + std::string(600, 'd'), key, "AppData"), 1);
    EXPECT_EQ(m_reg.GetAppDataFolder(), "/" + std::string(600, 'd'));
    ASSERT_EQ(m_reg.WriteString("/" + std::string(1023, 'd'), key, "AppData"), 1);
    EXPECT_EQ(m_reg.GetAppDataFolder(), platform::AppDataFolder());
}

TEST_F(CQVRegClassTest, WritesAreSeenAtOnceEverywhere) {
    CQVRegClass other;
    std::thread writer([&other] { other.SetDispKeepMsgWnd(1); });
    writer.join();
    EXPECT_EQ(m_reg.GetDispKeepMsgWnd(), 1u);
    ASSERT_EQ(m_reg.SetDispKeepMsgWnd(0), 1);
    EXPECT_EQ(other.GetDispKeepMsgWnd(), 0u);
}

TEST_F(CQVRegClassTest, AWriteThatCannotReachTheFileReportsFailure) {
    // The key exists, so only the write of the value itself can fail: a lock file that cannot
    // be opened stands in for a full disk.
    ASSERT_EQ(m_reg.SetSortListOrder(1), 1);
    const std::string lock = platform::RegHivePath(RegRoot::CurrentUser) + ".lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directories(lock);
    EXPECT_EQ(m_reg.SetSortListOrder(0), 0);
    EXPECT_EQ(m_reg.SetLastUsed("today"), 0);
    EXPECT_EQ(m_reg.GetSortListOrder(), 1u);
    std::filesystem::remove(lock);
}

TEST_F(CQVRegClassTest, UnwritableStoreReportsFailure) {
    std::string saved = std::getenv("XDG_CONFIG_HOME");
    std::string blocker = twtest::MakeTempDir("cfg") + "/file";
    twtest::WriteFile(blocker, "not a folder");
    ::setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    EXPECT_EQ(m_reg.SetSortListOrder(1), 0);
    EXPECT_EQ(m_reg.SetAlertListbox("0,0,0,0,0,0,0,0,0"), 0);
    EXPECT_FALSE(m_reg.CreateUserKey("Software\\X"));
    EXPECT_EQ(m_reg.GetSortListOrder(), 0u);
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}
