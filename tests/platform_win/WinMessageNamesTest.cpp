// Registered window messages and the runtime folder they are kept in.
#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/Win.h"

#include "common/TestEnv.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace win;

namespace {

std::mutex g_reportsMutex;
std::vector<std::string> g_reports;

void CollectReport(const char*, const std::string& message, platform::DiagnosticLevel) {
    std::lock_guard<std::mutex> lock(g_reportsMutex);
    g_reports.push_back(message);
}

bool Reported(const std::string& part) {
    std::lock_guard<std::mutex> lock(g_reportsMutex);
    for (const std::string& r : g_reports) {
        if (r.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Points XDG_RUNTIME_DIR elsewhere for the duration of a test.
class RuntimeOverride {
public:
    explicit RuntimeOverride(const std::string& folder) : m_old(std::getenv("XDG_RUNTIME_DIR")) {
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~RuntimeOverride() { ::setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1); }

private:
    std::string m_old;
};

} // namespace

TEST(WinMessageNames, SameNameSameNumberWithoutRegardToCase) {
    UINT a = RegisterWindowMessage("QVShowNewSMS");
    UINT b = RegisterWindowMessage("qvshownewsms");
    UINT c = RegisterWindowMessage("QVShowFolders");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
    EXPECT_EQ(RegisterWindowMessage("two\nlines"), 0u);
    std::string table = twtest::ReadFile(platform::RuntimeFolder() + "/Quorvane/messages");
    EXPECT_NE(table.find(" QVShowNewSMS\n"), std::string::npos);
    EXPECT_EQ(table.find("qvshownewsms"), std::string::npos) << "stored once, as first written";
}

TEST(WinMessageNames, ConcurrentRegistrationsAgree) {
    std::vector<UINT> numbers(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&numbers, i] {
            numbers[i] = RegisterWindowMessage(i % 2 ? "ConcurrentName" : "CONCURRENTNAME");
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (UINT n : numbers) {
        EXPECT_EQ(n, numbers[0]);
        EXPECT_NE(n, 0u);
    }
}

TEST(WinMessageNames, DamagedLinesInTheTableAreSkipped) {
    // Names unknown to this process so far (numbers are cached per process).
    static int run = 0;
    const std::string suffix = std::to_string(++run);
    const std::string known = "Fifth" + suffix;
    const std::string added = "DamagedTableNewName" + suffix;
    std::string folder = twtest::MakeTempDir("rt-damaged");
    ::mkdir((folder + "/Quorvane").c_str(), 0700);
    twtest::WriteFile(folder + "/Quorvane/messages",
                      "C000 FirstName\n"
                      "garbage line\n"
                      "ZZZZ Bad\n"
                      "0001 TooLow\n"
                      "C005 " +
                          known +
                          "\n"
                          "C006"); // torn last line, no name
    ::chmod((folder + "/Quorvane/messages").c_str(), 0600);
    RuntimeOverride over(folder);
    EXPECT_EQ(RegisterWindowMessage(known), 0xC005u);
    EXPECT_EQ(RegisterWindowMessage(added), 0xC006u);
    std::string table = twtest::ReadFile(folder + "/Quorvane/messages");
    EXPECT_NE(table.find("C006\nC006 " + added + "\n"), std::string::npos) << table;
}

TEST(WinMessageNames, AnUnsafeRuntimeFolderIsRefusedAndNamesStayPrivate) {
    platform::SetDiagnosticSink(CollectReport);
    std::string folder = twtest::MakeTempDir("rt-open");
    ::mkdir((folder + "/Quorvane").c_str(), 0700);
    ::chmod((folder + "/Quorvane").c_str(), 0755);
    {
        RuntimeOverride over(folder);
        static int run = 0;
        std::string name = "NameInAnOpenFolder" + std::to_string(++run);
        UINT n = RegisterWindowMessage(name);
        EXPECT_GE(n, 0xC000u) << "still usable inside the process";
        EXPECT_EQ(RegisterWindowMessage(name), n);
        EXPECT_FALSE(twtest::ReadFile(folder + "/Quorvane/messages").size() > 0);
        EXPECT_TRUE(Reported("mode 0755"));
        // A window can still be created; it is just not visible to other processes.
        WindowDesc desc;
        desc.title = "private";
        HWND hwnd = CreateWindow(desc, DefWindowProc);
        EXPECT_NE(hwnd, 0u);
        DestroyWindow(hwnd);
    }
    if (::geteuid() == 0) {
        std::string foreign = twtest::MakeTempDir("rt-foreign");
        ::mkdir((foreign + "/Quorvane").c_str(), 0700);
        ASSERT_EQ(::chown((foreign + "/Quorvane").c_str(), 65534, 65534), 0);
        RuntimeOverride over(foreign);
        RegisterWindowMessage("NameInAForeignFolder");
        EXPECT_TRUE(Reported("owned by user 65534"));
        EXPECT_TRUE(FindWindow("", "anything") == 0);
    }
    std::string linked = twtest::MakeTempDir("rt-link");
    ::symlink(platform::RuntimeFolder().c_str(), (linked + "/Quorvane").c_str());
    {
        RuntimeOverride over(linked);
        RegisterWindowMessage("NameBehindALink");
        EXPECT_TRUE(Reported("not a folder"));
    }
    platform::SetDiagnosticSink(nullptr);
}
