// The program itself, started as real processes in the test's private folders.
#include "app/CEditionValues.h"
#include "common/TestEnv.h"
#include "common/VirtualDisplay.h"
#include "common/Wait.h"
#include "platform/MsgBox.h"
#include "platform/Registry.h"
#include "platform/Win.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string Program() {
    return twtest::BinDir() + "/tidewell";
}
std::string LogFile() {
    return std::string(std::getenv("TMPDIR")) + "/Quorvane/TWD.log";
}

std::string ChildErrorsFile() {
    return std::string(std::getenv("TMPDIR")) + "/children.stderr";
}

// The programs' standard error (sanitizer reports included) is kept for failure messages.
pid_t Start(const std::vector<std::string>& args) {
    return twtest::Spawn(Program(), args, ChildErrorsFile());
}

int WaitFor(pid_t pid, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return twtest::WaitForExit(pid, limit);
}

int RunToEnd(const std::vector<std::string>& args) {
    pid_t pid = Start(args);
    return pid > 0 ? WaitFor(pid) : -2;
}

bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return twtest::WaitUntil(condition, limit, std::chrono::milliseconds(20));
}

// Gives each test fresh folders, so no earlier run's files or windows interfere.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("program"));
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // A child that ends with 1 may have met a sanitizer report: its standard error and the
    // program's log say why.
    void TearDown() override {
        if (HasFailure()) {
            std::printf("children's standard error:\n%s\nTWD.log:\n%s\n",
                        twtest::ReadFile(ChildErrorsFile()).c_str(),
                        twtest::ReadFile(LogFile()).c_str());
        }
    }
};

// Answers the first-start window of a running instance through its platform window:
// IDOK presses Next, IDCANCEL closes it.
bool AnswerWelcome(win::WPARAM command) {
    win::HWND welcome = 0;
    if (!WaitUntil([&] { return (welcome = win::FindWindow("", "Welcome")) != 0; })) {
        return false;
    }
    return win::PostMessage(welcome, win::WM_COMMAND, command, 0);
}

std::string DefaultAccount() {
    CEditionValues::Select(false);
    platform::RegKey key;
    if (!key.Open(platform::RegRoot::CurrentUser, CEditionValues::Get().accountsKey)) {
        return "";
    }
    return key.QueryString("DefaultAccount").value_or("");
}

bool LogHas(const std::string& text) {
    return WaitUntil([&] { return twtest::ReadFile(LogFile()).find(text) != std::string::npos; });
}

// Ends a first instance, by force when it does not end by itself; its exit code.
int EndFirst(pid_t first) {
    int code = WaitFor(first);
    if (code < 0) {
        ::kill(first, SIGKILL);
        WaitFor(first);
    }
    return code;
}

} // namespace

TEST_F(ProgramTest, NewUserSignsUpAndSecondStartsForwardTheirVerbs) {
    pid_t first = Start({});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(AnswerWelcome(win::IDOK)) << "a new user sees the first-start window";
    ASSERT_TRUE(WaitUntil([] { return win::FindWindow("", "TWD_HIDDEN_WND") != 0; }))
        << "the first instance never showed its hidden window";
    EXPECT_FALSE(DefaultAccount().empty()) << "Next registered an account on the service";

    // The request reaches the dialog manager of the first instance, which makes the compose
    // dialog.
    EXPECT_EQ(RunToEnd({"NewMessage"}), 0);
    EXPECT_FALSE(LogHas("No dialog is available for dialog type 0")) << twtest::ReadFile(LogFile());
    EXPECT_FALSE(LogHas("Failed to create a NewSMS dialog")) << twtest::ReadFile(LogFile());
    // A verb outside the table opens the message folders.
    EXPECT_EQ(RunToEnd({"SomethingElse"}), 0);
    EXPECT_FALSE(LogHas("Failed to create a Folders dialog")) << twtest::ReadFile(LogFile());
    // The forwarding starts never create a store of their own.
    EXPECT_FALSE(
        std::filesystem::exists(std::string(std::getenv("XDG_DATA_HOME")) + "/TWD/outbox.dat"));

    EXPECT_EQ(RunToEnd({"Shutdown"}), 0);
    EXPECT_EQ(EndFirst(first), 0) << "the first instance ends on the forwarded shutdown";
    std::string log = twtest::ReadFile(LogFile());
    EXPECT_NE(log.find("Quitting application"), std::string::npos);
    EXPECT_NE(log.find("LOG SESSION ENDED"), std::string::npos);
}

TEST_F(ProgramTest, ShutdownNowEndsTheFirstInstance) {
    pid_t first = Start({"default"});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(AnswerWelcome(win::IDCANCEL));
    ASSERT_TRUE(WaitUntil([] { return win::FindWindow("", "TWD_HIDDEN_WND") != 0; }));
    EXPECT_TRUE(DefaultAccount().empty());
    EXPECT_EQ(RunToEnd({"shutdownnow"}), 0);
    EXPECT_EQ(EndFirst(first), 0);
}

TEST_F(ProgramTest, NormalStartWithoutDisplayFailsAtOnce) {
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(RunToEnd({}), 1);
    EXPECT_NE(twtest::ReadFile(LogFile()).find("No display available"), std::string::npos);
    // The verbs that need no GUI still work.
    EXPECT_EQ(RunToEnd({"Shutdown"}), 0);
    EXPECT_EQ(RunToEnd({"langfile"}), 0);
}

TEST_F(ProgramTest, ShutdownWithoutRunningInstanceStartsNothing) {
    EXPECT_EQ(RunToEnd({"Shutdown"}), 0);
    std::string quorvane = std::string(std::getenv("TMPDIR")) + "/Quorvane";
    EXPECT_FALSE(std::filesystem::exists(quorvane + "/branding.log"));
    EXPECT_FALSE(std::filesystem::exists(quorvane + "/language.log"));
    EXPECT_EQ(RunToEnd({"ShutdownNow"}), 0);
}

TEST_F(ProgramTest, GeneratorVerbsWriteTheirFilesAndEnd) {
    std::string quorvane = std::string(std::getenv("TMPDIR")) + "/Quorvane";
    EXPECT_EQ(RunToEnd({"langfile"}), 0);
    EXPECT_TRUE(std::filesystem::exists(quorvane + "/default.lang"));
    EXPECT_EQ(RunToEnd({"ICONS"}), 0);
    EXPECT_TRUE(std::filesystem::exists(quorvane + "/icons.txt"));
    EXPECT_EQ(RunToEnd({"Bitmaps"}), 0);
    EXPECT_TRUE(std::filesystem::exists(quorvane + "/bitmaps.txt"));
    // Every start past the single-instance check writes the branding report.
    EXPECT_TRUE(std::filesystem::exists(quorvane + "/branding.log"));
    std::string log = twtest::ReadFile(quorvane + "/TWD.log");
    EXPECT_NE(log.find("No twox dll found at: " + twtest::BinDir() + "/libtwox.so"),
              std::string::npos)
        << log;
}

TEST_F(ProgramTest, GeneratorVerbShowsItsResultInABoxWhenADisplayIsThere) {
    twtest::VirtualDisplay display;
    if (display.Name().empty()) {
        GTEST_SKIP() << "Xvfb could not be started";
    }
    display.UseForQt();
    const std::string errors = twtest::MakeTempDir("stderr") + "/stderr.txt";
    std::string program = Program();
    std::string verb = "langfile";
    char* argv[] = {program.data(), verb.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    const bool shown = WaitUntil([&] {
        return display.WindowTitles().find("Generating language file") != std::string::npos;
    });
    ::kill(pid, SIGTERM);
    WaitFor(pid);
    EXPECT_TRUE(shown) << "no information box on the display; the program said: "
                       << twtest::ReadFile(errors);
    EXPECT_EQ(twtest::ReadFile(errors).find("Generating language file"), std::string::npos)
        << "the console box was used although a display is there";
}

TEST_F(ProgramTest, StartWithTheDesktopShowsOnlyTheTrayAndASecondOneDoesNothing) {
    // A user with an account, and the autostart entry the signup wrote.
    pid_t signup = Start({});
    ASSERT_GT(signup, 0);
    ASSERT_TRUE(AnswerWelcome(win::IDOK));
    ASSERT_TRUE(WaitUntil([] { return win::FindWindow("", "TWD_HIDDEN_WND") != 0; }));
    EXPECT_EQ(RunToEnd({"ShutdownNow"}), 0);
    EXPECT_EQ(EndFirst(signup), 0);
    const std::string entry =
        std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart/com.quorvane.Tidewell.desktop";
    EXPECT_NE(twtest::ReadFile(entry).find("Exec=" + Program() + " --autostart\n"),
              std::string::npos)
        << twtest::ReadFile(entry);

    // "debug": the dialog manager's trace lines tell which dialogs it showed.
    pid_t first = Start({"--autostart", "debug"});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitUntil([] { return win::FindWindow("", "TWD_HIDDEN_WND") != 0; }))
        << "the first instance never showed its hidden window";
    EXPECT_TRUE(LogHas("Started with the desktop: only the tray icon is shown"));

    // The session starts the program again (a second login): the running one gets nothing.
    // A request after it: once that is handled, anything the second start had sent was
    // handled before.
    EXPECT_EQ(RunToEnd({"--autostart"}), 0);
    EXPECT_EQ(RunToEnd({"NewSMS"}), 0) << twtest::ReadFile(ChildErrorsFile());
    ASSERT_TRUE(LogHas("Showing a NewSMS dialog"));
    const std::string log = twtest::ReadFile(LogFile());
    EXPECT_EQ(log.find("Showing a Folders dialog"), std::string::npos) << log;

    EXPECT_EQ(RunToEnd({"ShutdownNow"}), 0);
    EXPECT_EQ(EndFirst(first), 0);
}
