// Starting with the desktop: the autostart entry, the switch that marks such a start, and
// the entry the first-start signup and the options hook write and remove.
#include "app/CAutostart.h"
#include "app/CCommandLine.h"
#include "app/CTidewellWindowsApp.h"

#include "WelcomeAnswer.h"
#include "common/TestEnv.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

CAutostart Entry(const std::string& program) {
    return CAutostart("org.example.Test", program, "Test", "A test entry", "org.example.Test");
}

std::string ExecLine(const std::string& text) {
    const std::size_t at = text.find("\nExec=");
    if (at == std::string::npos) {
        return std::string();
    }
    const std::size_t end = text.find('\n', at + 1);
    return text.substr(at + 6, end - at - 6);
}

// desktop-file-validate's verdict on the file: empty when it is valid.
std::string Validate(const std::string& path) {
    const std::string out = twtest::MakeTempDir("validate") + "/verdict";
    const std::string command = "desktop-file-validate '" + path + "' > '" + out + "' 2>&1";
    const int rc = std::system(command.c_str());
    return rc == 0 ? std::string() : "rc " + std::to_string(rc) + ": " + twtest::ReadFile(out);
}

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override { twtest::UsePrivateFolders(twtest::MakeTempDir("autostart")); }
    std::string Folder() const {
        return std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart";
    }
};

} // namespace

TEST(AutostartExec, ArgumentsAreQuotedAndEscapedAsTheDesktopEntryRulesAsk) {
    EXPECT_EQ(CAutostart::QuoteExecArgument("/usr/lib/tidewell/tidewell"),
              "/usr/lib/tidewell/tidewell");
    EXPECT_EQ(CAutostart::QuoteExecArgument("/opt/My Apps/tidewell"), "\"/opt/My Apps/tidewell\"");
    // Inside quotes $ " ` \ take a backslash; then every backslash of the value is doubled.
    EXPECT_EQ(CAutostart::QuoteExecArgument("/a$b"), "\"/a\\\\$b\"");
    EXPECT_EQ(CAutostart::QuoteExecArgument("/a\"b"), "\"/a\\\\\"b\"");
    EXPECT_EQ(CAutostart::QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    // A percent sign is not a field code.
    EXPECT_EQ(CAutostart::QuoteExecArgument("/100%/tidewell"), "/100%%/tidewell");
    EXPECT_EQ(CAutostart::QuoteExecArgument(""), "\"\"");
    EXPECT_EQ(CAutostart::QuoteExecArgument("/a\nb"), "") << "no line break in an Exec line";
    EXPECT_EQ(CAutostart::QuoteExecArgument("/a\tb"), "");
}

TEST(AutostartCommandLine, TheSwitchMarksAStartWithTheDesktopAndIsNoVerb) {
    const char* plain[] = {"tidewell", "--autostart"};
    CCommandLine line(2, plain);
    EXPECT_TRUE(line.StartedWithDesktop());
    EXPECT_EQ(line.Verb(), "");
    EXPECT_EQ(CCommandLine::ResolveVerb(line.Verb(), nullptr), "NoShowDummy");

    const char* mixed[] = {"tidewell", "--AutoStart", "NewSMS"};
    CCommandLine second(3, mixed);
    EXPECT_TRUE(second.StartedWithDesktop());
    EXPECT_EQ(second.Verb(), "NewSMS");

    const char* none[] = {"tidewell", "NewSMS"};
    EXPECT_FALSE(CCommandLine(2, none).StartedWithDesktop());
}

TEST_F(AutostartTest, EnableWritesAValidEntryAndDisableRemovesIt) {
    const CAutostart entry = Entry("/opt/Tide well/tidewell");
    EXPECT_EQ(entry.EntryPath(), Folder() + "/org.example.Test.desktop");
    EXPECT_FALSE(entry.IsEnabled());

    ASSERT_TRUE(entry.Enable());
    const std::string text = twtest::ReadFile(entry.EntryPath());
    EXPECT_EQ(ExecLine(text), "\"/opt/Tide well/tidewell\" --autostart");
    EXPECT_NE(text.find("Icon=org.example.Test\n"), std::string::npos);
    EXPECT_TRUE(entry.IsEnabled());
    EXPECT_EQ(Validate(entry.EntryPath()), "");
    struct stat info {};
    ASSERT_EQ(::stat(entry.EntryPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(std::filesystem::is_directory(Folder()));

    // Writing again replaces the entry (a program that moved gets its new path).
    ASSERT_TRUE(Entry("/usr/lib/tidewell/tidewell").Enable());
    EXPECT_EQ(ExecLine(twtest::ReadFile(entry.EntryPath())),
              "/usr/lib/tidewell/tidewell --autostart");
    auto names = std::filesystem::directory_iterator(Folder());
    EXPECT_EQ(std::distance(names, std::filesystem::directory_iterator()), 1)
        << "no temporary file is left beside the entry";

    ASSERT_TRUE(entry.Disable());
    EXPECT_FALSE(std::filesystem::exists(entry.EntryPath()));
    EXPECT_FALSE(entry.IsEnabled());
    EXPECT_TRUE(entry.Disable()) << "an absent entry is already removed";
    EXPECT_TRUE(entry.Apply(true));
    EXPECT_TRUE(entry.IsEnabled());
    EXPECT_TRUE(entry.Apply(false));
    EXPECT_FALSE(entry.IsEnabled());
}

TEST_F(AutostartTest, EntriesSwitchedOffBySessionToolsCountAsOff) {
    const CAutostart entry = Entry("/usr/bin/tidewell");
    ASSERT_TRUE(entry.Enable());
    twtest::WriteFile(entry.EntryPath(), twtest::ReadFile(entry.EntryPath()) + "Hidden = true\n");
    EXPECT_FALSE(entry.IsEnabled());
    twtest::WriteFile(entry.EntryPath(),
                      "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n[Desktop Action A]\n");
    EXPECT_FALSE(entry.IsEnabled());
    twtest::WriteFile(entry.EntryPath(),
                      "[Other]\nHidden=true\n[Desktop Entry]\nType=Application\n");
    EXPECT_TRUE(entry.IsEnabled()) << "only the main group counts";
}

TEST_F(AutostartTest, FailuresAreReportedAndLeaveTheOldEntry) {
    // A file where the autostart folder belongs.
    std::filesystem::create_directories(std::getenv("XDG_CONFIG_HOME"));
    twtest::WriteFile(Folder(), "not a folder");
    EXPECT_FALSE(Entry("/usr/bin/tidewell").Enable());
    std::filesystem::remove(Folder());

    const CAutostart entry = Entry("/usr/bin/tidewell");
    ASSERT_TRUE(entry.Enable());
    const std::string before = twtest::ReadFile(entry.EntryPath());
    EXPECT_FALSE(Entry("/usr/bin/tide\nwell").Enable()) << "a path an Exec line cannot hold";
    EXPECT_EQ(twtest::ReadFile(entry.EntryPath()), before);
    EXPECT_NE(twtest::ReadFile(CLogManager::Instance().FilePath())
                  .find("cannot be written into an autostart entry"),
              std::string::npos);

    // An entry that cannot be removed (its folder is read-only) is a failure, and stays.
    if (::geteuid() != 0) {
        ::chmod(Folder().c_str(), 0500);
        EXPECT_FALSE(entry.Disable());
        ::chmod(Folder().c_str(), 0700);
        EXPECT_TRUE(entry.IsEnabled());
    }
}

namespace {

class StartWithDesktopTest : public AutostartTest {
protected:
    void SetUp() override {
        AutostartTest::SetUp();
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        win::SetMessageBoxBackend(std::make_shared<win::ScriptedMessageBox>());
    }
    void TearDown() override { win::SetMessageBoxBackend(nullptr); }
    static std::string EntryPath() { return CTidewellWindowsApp::Autostart().EntryPath(); }
};

} // namespace

TEST_F(StartWithDesktopTest, TheSignupWritesTheEntryAndTheOptionsHookRemovesAndWritesIt) {
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(app.InitInstance());
        ASSERT_TRUE(next.Answered());
    }
    ASSERT_FALSE(app.Reg().GetDefaultAccount().empty());
    EXPECT_EQ(EntryPath(), Folder() + "/com.quorvane.Tidewell.desktop");
    const std::string text = twtest::ReadFile(EntryPath());
    ASSERT_FALSE(text.empty()) << "on by default after the signup";
    EXPECT_EQ(ExecLine(text),
              std::filesystem::read_symlink("/proc/self/exe").string() + " --autostart");
    EXPECT_EQ(Validate(EntryPath()), "");

    const std::function<bool(bool)> hook = app.StartWithDesktopHook();
    EXPECT_TRUE(hook(false));
    EXPECT_FALSE(std::filesystem::exists(EntryPath()));
    EXPECT_TRUE(hook(true));
    EXPECT_TRUE(CTidewellWindowsApp::Autostart().IsEnabled());
    app.ExitInstance();
}

TEST_F(StartWithDesktopTest, TheSignupRespectsTheSettingAndAStartWithTheDesktopShowsNoWindow) {
    {
        const char* argv[] = {"tidewell", "--autostart"};
        CTidewellWindowsApp app(2, argv);
        WelcomeAnswer unexpected(win::IDCANCEL);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_TRUE(app.StartedWithDesktop());
        EXPECT_TRUE(app.Reg().GetDefaultAccount().empty());
        app.ExitInstance();
        EXPECT_FALSE(unexpected.Answered()) << "no first-start window at a desktop start";
    }
    EXPECT_NE(twtest::ReadFile(CLogManager::Instance().FilePath())
                  .find("Started with the desktop: only the tray icon is shown"),
              std::string::npos);

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    app.Reg().WriteDWORD(0, app.Reg().GetRootPaths().rootWithSeparator, CAutostart::kSettingName);
    {
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(app.InitInstance());
        ASSERT_TRUE(next.Answered());
    }
    ASSERT_FALSE(app.Reg().GetDefaultAccount().empty());
    EXPECT_FALSE(std::filesystem::exists(EntryPath())) << "the user said no";
    app.ExitInstance();
}
