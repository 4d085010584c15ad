// libtwox.so loaded as the program loads it: its exports, its logs, the shared block seen
// from a second process, and the search for the mail client's main window with the hook
// window's events, against a helper process that plays the mail client.
#include "HookTestSupport.h"

#include "hook/HookMessages.h"
#include "hook/QVRegistry.h"
#include "hook/SharedHookData.h"
#include "oebridge/COutlookExpressWrapper.h"
#include "oebridge/SmsMessage.h"

#include "common/TestEnv.h"
#include "platform/DynLib.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SafeFile.h"
#include "platform/SharedBlock.h"
#include "platform/Win.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

using namespace win;

namespace {

using hooktest::ProgramCall;
using hooktest::ProgramWindow;

class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_installRoot = twtest::MakeTempDir("install");
        SetInstallRoot(m_installRoot);
        m_logFolder = platform::PrivateTempFolder();
        ASSERT_FALSE(m_logFolder.empty());
        // Each test starts from a fresh shared block and no handler log.
        std::filesystem::remove(HandlerLog());
        std::filesystem::remove(platform::RegHivePath(platform::RegRoot::LocalMachine));
        platform::SharedBlock block;
        ASSERT_TRUE(block.Open(SharedHookData::kName, SharedHookData::kSize));
        std::memset(block.Data(), 0, block.Size());
    }
    void TearDown() override { m_library.Close(); }

    static void SetInstallRoot(const std::string& value) {
        platform::RegKey key;
        ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, QVRegistry::kRoot));
        ASSERT_TRUE(key.SetString("InstallRoot", value));
    }

    void Load() {
        ASSERT_TRUE(m_library.Open(TW_TWOX_PATH)) << m_library.Error();
        m_register = m_library.Function<void (*)(HWND)>("RegisterCallbackWindow");
        m_setMms = m_library.Function<void (*)(std::int32_t)>("SetMmsMode");
        m_shutdown = m_library.Function<void (*)()>("DllShutdown");
        m_getOeWindow = m_library.Function<HWND (*)()>("GetOeWindow");
        ASSERT_TRUE(m_register && m_setMms && m_shutdown && m_getOeWindow);
        ASSERT_NE(m_library.Symbol("GetDllVersion"), nullptr);
    }

    std::string HandlerLog() const { return m_logFolder + "/HookHandler.log"; }
    std::string HookLogOf(pid_t pid) const {
        return m_logFolder + "/Hook" + std::to_string(pid) + ".log";
    }
    static std::string Helper() { return twtest::BinDir() + "/tw_oe_standin"; }

    static HWND Number(const std::string& answer, const std::string& word) {
        std::istringstream in(answer);
        std::string first;
        unsigned long value = 0;
        in >> first >> value;
        return first == word ? static_cast<HWND>(value) : 0;
    }

    std::string m_installRoot;
    std::string m_logFolder;
    platform::DynLib m_library;
    void (*m_register)(HWND) = nullptr;
    void (*m_setMms)(std::int32_t) = nullptr;
    void (*m_shutdown)() = nullptr;
    HWND (*m_getOeWindow)() = nullptr;
};

TEST_F(HookLibraryTest, GetOeWindowBeforeRegistrationCreatesTheHandlerAndAnswersZero) {
    Load();
    EXPECT_EQ(m_getOeWindow(), 0u);
    const std::string log = twtest::ReadFile(HandlerLog());
    const UINT shutdown = RegisterWindowMessage("MSG_WINDOWHOOK_SHUTDOWN");
    EXPECT_NE(log.find("\tHookHandler::HookHandler\tLog opened\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tHookHandler::HookHandler\tShared data -- Callback hwnd:0, Hook "
                       "handle:0, Shutdown Msg:" +
                       std::to_string(shutdown) + ", MMS Mode:0\n"),
              std::string::npos)
        << log;
    // Every line: time, thread, function, text.
    std::istringstream lines(log);
    const std::regex format("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{3}\t0x[0-9a-f]{8}\t"
                            "[A-Za-z]+::~?[A-Za-z]+\t.*");
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(std::regex_match(line, format)) << line;
        ++count;
    }
    EXPECT_GE(count, 2);
    m_shutdown();
    EXPECT_EQ(m_getOeWindow(), 0u);
}

TEST_F(HookLibraryTest, WithoutInstallRootNoHandlerIsMadeUntilOneIsSet) {
    platform::RegKey key;
    ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, QVRegistry::kRoot));
    ASSERT_TRUE(key.SetString("InstallRoot", ""));
    Load();
    m_register(1234);
    EXPECT_EQ(m_getOeWindow(), 0u);
    m_shutdown();
    EXPECT_FALSE(std::filesystem::exists(HandlerLog()));
    // The machine's value serves when the user's is empty; a later call tries again.
    const std::string machineHive = platform::RegHivePath(platform::RegRoot::LocalMachine);
    std::filesystem::create_directories(std::filesystem::path(machineHive).parent_path());
    twtest::WriteFile(machineHive, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\"
                                   "Tidewell Outlook Express\\2.0]\r\n\"InstallRoot\"=\"" +
                                       m_installRoot + "\"\r\n\r\n");
    EXPECT_EQ(m_getOeWindow(), 0u);
    EXPECT_TRUE(std::filesystem::exists(HandlerLog()));
}

TEST_F(HookLibraryTest, TheMmsModeAndShutdownMessageReachASecondProcess) {
    Load();
    hooktest::ChildProcess mailClient(Helper());
    ASSERT_TRUE(mailClient.IsReady());
    EXPECT_EQ(mailClient.Ask("block"), "block 0 0");
    m_setMms(1);
    EXPECT_EQ(mailClient.Ask("block"), "block 1 0");
    m_getOeWindow(); // creates the handler, which records the shutdown message
    EXPECT_EQ(mailClient.Ask("block"),
              "block 1 " + std::to_string(RegisterWindowMessage("MSG_WINDOWHOOK_SHUTDOWN")));
    m_setMms(0);
    EXPECT_EQ(mailClient.Ask("block"),
              "block 0 " + std::to_string(RegisterWindowMessage("MSG_WINDOWHOOK_SHUTDOWN")));
    mailClient.Quit();
}

TEST_F(HookLibraryTest, TheProgramReadsTheCompiledInVersion) {
    const std::string folder = twtest::MakeTempDir("program");
    std::filesystem::copy_file(TW_TWOX_PATH, folder + "/libtwox.so");
    COutlookExpressWrapper wrapper(folder);
    ASSERT_TRUE(wrapper.Load());
    std::string version;
    ASSERT_TRUE(wrapper.GetDllVersion(version));
    EXPECT_EQ(version, std::to_string(TW_VERSION_MAJOR) + "." + std::to_string(TW_VERSION_MINOR) +
                           "." + std::to_string(TW_VERSION_BUILD) +
                           " Tidewell Outlook Express integration");
    EXPECT_EQ(wrapper.GetOeWindow(), 0u);
    EXPECT_TRUE(wrapper.SetMmsMode(1));
    wrapper.Shutdown();
    EXPECT_FALSE(wrapper.IsLoaded());
}

TEST_F(HookLibraryTest, TheMailClientWindowIsFoundServedAndGivenUp) {
    Load();
    ProgramWindow program;
    m_register(program.Handle());
    hooktest::ChildProcess mailClient(Helper());
    ASSERT_TRUE(mailClient.IsReady());

    const HWND first = Number(mailClient.Ask("open"), "window");
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), " serves HWND:" + std::to_string(first)));
    EXPECT_NE(
        twtest::ReadFile(HandlerLog())
            .find("\tHookHandler::WindowAdd\tAdd window, HWND:" + std::to_string(first) + "\n"),
        std::string::npos);
    EXPECT_EQ(m_getOeWindow(), first);
    const HWND hookWindow = FindWindow("TwoxHook", "");
    ASSERT_NE(hookWindow, 0u);
    EXPECT_EQ(GetClassName(hookWindow), "TwoxHook");

    // A second main window is reported and ignored.
    const HWND second = Number(mailClient.Ask("open"), "window");
    ASSERT_NE(second, 0u);
    ASSERT_TRUE(hooktest::WaitForFileText(
        HandlerLog(), "\tPROBLEM: Found a second window, we only support one!\n"));
    EXPECT_EQ(m_getOeWindow(), first);

    // Clicks become program actions; the mail client waits for each.
    for (const hookmsg::EventRow& row : hookmsg::kEvents) {
        EXPECT_EQ(mailClient.Ask("send " + std::to_string(hookWindow) + " " +
                                 std::to_string(row.message)),
                  "sent 0");
    }
    const std::string h = std::to_string(hookWindow);
    EXPECT_EQ(mailClient.Ask("copy " + h + " 0 alice|bob, carol|Hello|2026-12-09 10:00"),
              "copied 0");
    EXPECT_EQ(mailClient.Ask("copy " + h + " 1 s1|r1|t1|d1"), "copied 0");
    EXPECT_EQ(mailClient.Ask("copy " + h + " 2 |||"), "copied 0");
    EXPECT_EQ(mailClient.Ask("copy " + h + " 7 x|y|z|w"), "copied 0");
    const std::vector<ProgramCall> calls = program.Calls();
    const std::vector<WPARAM> expected = {1, 5, 6, 8, 7, 9, 10, 2, 3, 4};
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].action, expected[i]) << i;
        EXPECT_EQ(calls[i].hasMessage, i >= 7) << i;
    }
    EXPECT_EQ(calls[7].sender, "alice");
    EXPECT_EQ(calls[7].recipients, "bob, carol");
    EXPECT_EQ(calls[7].text, "Hello");
    EXPECT_EQ(calls[7].date, "2026-12-09 10:00");
    EXPECT_EQ(calls[8].sender, "s1");
    EXPECT_EQ(calls[8].date, "d1");
    EXPECT_EQ(calls[9].sender, "");
    const std::string log = twtest::ReadFile(HandlerLog());
    for (const hookmsg::EventRow& row : hookmsg::kEvents) {
        EXPECT_NE(log.find(std::string("\t") + row.function + "\t" + row.logText + "\n"),
                  std::string::npos)
            << row.logText;
    }
    EXPECT_EQ(twtest::CountInFile(HandlerLog(), "\tHookWindow::OnSmsCopyData\tWM_COPYDATA\n"), 4u);

    // The served window goes: its hook window ends, and the other main window is taken up.
    EXPECT_EQ(mailClient.Ask("close " + std::to_string(first)), "closed " + std::to_string(first));
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), " serves HWND:" + std::to_string(second)));
    const std::string afterFirst = twtest::ReadFile(HandlerLog());
    EXPECT_NE(afterFirst.find("\tHookHandler::WindowRemove\tRemove window, HWND:" +
                              std::to_string(first) + "\n"),
              std::string::npos);
    EXPECT_NE(afterFirst.find("\tHookWindow::OnDestroy\tWM_DESTROY\n"), std::string::npos);
    EXPECT_NE(afterFirst.find(
                  "\tHookWindow::~HookWindow\tDestructor, Target HWND:" + std::to_string(first) +
                  ", Callback HWND:" + std::to_string(hookWindow) + "\n"),
              std::string::npos)
        << afterFirst;
    EXPECT_EQ(m_getOeWindow(), second);
    EXPECT_FALSE(IsWindow(hookWindow));

    EXPECT_EQ(mailClient.Ask("close " + std::to_string(second)),
              "closed " + std::to_string(second));
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(),
                                          "Destructor, Target HWND:" + std::to_string(second)));
    EXPECT_EQ(m_getOeWindow(), 0u);
    EXPECT_EQ(FindWindow("TwoxHook", ""), 0u);
    mailClient.Quit();
}

TEST_F(HookLibraryTest, EventsBeforeRegistrationAndAfterShutdownSearch) {
    Load();
    hooktest::ChildProcess mailClient(Helper());
    ASSERT_TRUE(mailClient.IsReady());
    const HWND window = Number(mailClient.Ask("open"), "window");
    m_getOeWindow(); // the handler starts searching before any callback window is set
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), " serves HWND:" + std::to_string(window)))
        << twtest::ReadFile(HandlerLog());
    const HWND hookWindow = FindWindow("TwoxHook", "");
    // Dropped: no program window yet.
    EXPECT_EQ(mailClient.Ask("send " + std::to_string(hookWindow) + " " +
                             std::to_string(hookmsg::kNewSms)),
              "sent 0");
    // After DllShutdown the hook window stays, and still serves.
    m_shutdown();
    EXPECT_EQ(m_getOeWindow(), window);
    ProgramWindow program;
    m_register(program.Handle());
    EXPECT_EQ(mailClient.Ask("send " + std::to_string(hookWindow) + " " +
                             std::to_string(hookmsg::kSmsOptions)),
              "sent 0");
    ASSERT_EQ(program.Calls().size(), 1u);
    EXPECT_EQ(program.Calls()[0].action, 9u);
    // Unloading ends the hook window, which tells the mail client to unhook.
    m_library.Close();
    EXPECT_EQ(FindWindow("TwoxHook", ""), 0u);
    mailClient.Quit();
}

TEST_F(HookLibraryTest, TheHookMapsTheLibraryIntoTheMailClientAndUnhooksAtUnload) {
    Load();
    ProgramWindow program;
    m_register(program.Handle());
    hooktest::ChildProcess mailClient(Helper());
    ASSERT_TRUE(mailClient.IsReady());
    const HWND window = Number(mailClient.Ask("open"), "window");
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), " serves HWND:" + std::to_string(window)));
    EXPECT_EQ(twtest::ReadFile(HandlerLog()).find("Failed to hook"), std::string::npos);
    const HWND hookWindow = FindWindow("TwoxHook", "");

    // The mail client's thread retrieves a message: the hook runs there, maps the library,
    // opens Hook<pid>.log and subclasses the main window.
    EXPECT_EQ(mailClient.Ask("post " + std::to_string(window)), "posted");
    const std::string hookLog = HookLogOf(mailClient.Pid());
    ASSERT_TRUE(hooktest::WaitForFileText(
        hookLog, "\tSubClassHandler::SubClassHandler\tConstructor, Target HWND:" +
                     std::to_string(window) + ", Callback HWND:" + std::to_string(hookWindow)));
    const std::string opened = twtest::ReadFile(hookLog);
    EXPECT_NE(opened.find("\tHook::Hook\tLog opened\n"), std::string::npos) << opened;
    EXPECT_NE(
        opened.find("\tHook::Hook\tShared data -- Callback hwnd:" + std::to_string(hookWindow)),
        std::string::npos)
        << opened;

    // Unloading ends the hook window; its shutdown message reaches the subclassed window,
    // which unhooks instead of passing it on.
    m_library.Close();
    ASSERT_TRUE(hooktest::WaitForFileText(hookLog, "\tHook::UnHook\tLeave\n"));
    const std::string unhooked = twtest::ReadFile(hookLog);
    EXPECT_NE(unhooked.find("\tHook::UnHook\tIt exists\n"), std::string::npos) << unhooked;
    EXPECT_EQ(unhooked.find("Failed to unhook"), std::string::npos) << unhooked;
    EXPECT_EQ(mailClient.Ask("block"),
              "block 0 " + std::to_string(RegisterWindowMessage("MSG_WINDOWHOOK_SHUTDOWN")));
    mailClient.Quit();
}

TEST_F(HookLibraryTest, WithoutInstallRootTheMailClientSideStaysInactive) {
    Load();
    hooktest::ChildProcess mailClient(Helper());
    ASSERT_TRUE(mailClient.IsReady());
    const HWND window = Number(mailClient.Ask("open"), "window");
    m_getOeWindow();
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), " serves HWND:" + std::to_string(window)))
        << twtest::ReadFile(HandlerLog());
    SetInstallRoot("");
    // The hook runs when the mail client's thread retrieves each of these commands, before it
    // answers them: with no install root it makes no Hook there and only passes the call on.
    EXPECT_EQ(mailClient.Ask("post " + std::to_string(window)), "posted");
    EXPECT_EQ(mailClient.Ask("send " + std::to_string(window) + " 1"), "sent 0");
    EXPECT_FALSE(std::filesystem::exists(HookLogOf(mailClient.Pid())));
    mailClient.Quit();
}

// A click is on its way to the program's window while the mail client's window goes away and
// the program, on its window's thread, stops the search: the search is ending the hook window,
// whose thread still waits for the program to take the click. Stopping takes the click on the
// way, so everything ends.
TEST_F(HookLibraryTest, StoppingTheSearchTakesAClickStillOnItsWay) {
    Load();
    const UINT show = RegisterWindowMessage("QVShowOeWindow");
    std::vector<WPARAM> actions;
    WindowDesc desc;
    desc.className = "TestProgramHere";
    const HWND program = CreateWindow(desc, [&](HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == show) {
            actions.push_back(w);
            return LRESULT{0};
        }
        return DefWindowProc(h, m, w, l);
    });
    ASSERT_NE(program, 0u);
    m_register(program);
    hooktest::ChildProcess mailClient(Helper());
    hooktest::ChildProcess clicker(Helper());
    ASSERT_TRUE(mailClient.IsReady() && clicker.IsReady());
    const HWND window = Number(mailClient.Ask("open"), "window");
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), " serves HWND:" + std::to_string(window)));
    const HWND hookWindow = FindWindow("TwoxHook", "");

    // The click reaches the hook window, which now waits for this thread.
    ASSERT_TRUE(clicker.Send("send " + std::to_string(hookWindow) + " " +
                             std::to_string(hookmsg::kNewSms)));
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), "\tHookWindow::OnNewSms\tNewSmsMsg\n"));
    // The mail client's window goes; the search begins to end the hook window.
    EXPECT_EQ(mailClient.Ask("close " + std::to_string(window)),
              "closed " + std::to_string(window));
    ASSERT_TRUE(hooktest::WaitForFileText(HandlerLog(), "\tHookHandler::WindowRemove\tRemove "
                                                        "window, HWND:" +
                                                            std::to_string(window)));

    // A hang here is the fault; the watchdog only turns it into a failure with a reason.
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> guard(lock);
        if (!done.wait_for(guard, std::chrono::seconds(60), [&] { return finished; })) {
            std::fprintf(stderr, "DllShutdown did not return: the search and the click wait "
                                 "for each other\n");
            std::abort();
        }
    });
    m_shutdown();
    {
        std::lock_guard<std::mutex> guard(lock);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    EXPECT_EQ(actions, std::vector<WPARAM>{1});
    EXPECT_EQ(clicker.ReadLine(10000), "sent 0");
    EXPECT_EQ(FindWindow("TwoxHook", ""), 0u);
    DestroyWindow(program);
    clicker.Quit();
    mailClient.Quit();
}

} // namespace
