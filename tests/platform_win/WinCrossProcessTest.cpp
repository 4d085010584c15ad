// Window messages between processes: a helper program owns a window in a second process
// of the same session (same private folders), and the test finds it, posts, sends, copies
// data and broadcasts to it.
#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/Sync.h"
#include "platform/Win.h"
#include "platform/WinListView.h"
#include "platform/WinToolbar.h"

#include "common/TestEnv.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/securebits.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace win;

namespace {

// A running helper process with a pipe from its standard output.
class Helper {
public:
    explicit Helper(const std::string& title, const std::string& className = "TestHelper") {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        std::string exe = twtest::BinDir() + "/tw_win_helper";
        std::vector<std::string> args = {exe, title, className};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::setenv("TW_TEST_INHERIT_ROOT", twtest::PrivateRoot().c_str(), 1);
        int rc = posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
        if (rc != 0) {
            m_pid = -1;
            return;
        }
        std::string line = ReadLine(10000);
        std::istringstream in(line);
        std::string word;
        in >> word >> m_hwnd >> m_broadcast;
        if (word != "ready") {
            m_hwnd = 0;
        }
    }
    ~Helper() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
    }
    // The next line of the helper's output; empty after `timeoutMs` (a failure guard).
    std::string ReadLine(int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::size_t nl = m_buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0) {
                return std::string();
            }
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
                continue;
            }
            char buf[256];
            ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0) {
                return std::string();
            }
            m_buffer.append(buf, static_cast<std::size_t>(n));
        }
    }
    int Wait() {
        int status = 0;
        if (m_pid > 0) {
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        return status;
    }
    pid_t Pid() const { return m_pid; }
    HWND Window() const { return m_hwnd; }
    UINT BroadcastNumber() const { return m_broadcast; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
    HWND m_hwnd = 0;
    UINT m_broadcast = 0;
};

std::size_t SocketCount() {
    std::size_t n = 0;
    std::error_code ec;
    for (const auto& e :
         std::filesystem::directory_iterator(platform::RuntimeFolder() + "/Quorvane", ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind("win-", 0) == 0) {
            ++n;
        }
    }
    return n;
}

std::mutex g_reportsMutex;
std::vector<std::string> g_reports;
void CollectReport(const char*, const std::string& message, platform::DiagnosticLevel) {
    std::lock_guard<std::mutex> lock(g_reportsMutex);
    g_reports.push_back(message);
}

} // namespace

TEST(WinCrossProcess, FindPostSendAndCopyDataReachTheOtherProcess) {
    Helper helper("Helper Window A");
    ASSERT_NE(helper.Window(), 0u);
    HWND hwnd = helper.Window();

    EXPECT_EQ(FindWindow("", "Helper Window A"), hwnd);
    EXPECT_EQ(FindWindow("testhelper", "helper window a"), hwnd);
    EXPECT_EQ(FindWindow("OtherClass", "Helper Window A"), 0u);
    std::vector<HWND> all = EnumWindowsByClass("TestHelper");
    EXPECT_NE(std::find(all.begin(), all.end(), hwnd), all.end());
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetWindowText(hwnd), "Helper Window A");
    EXPECT_EQ(GetClassName(hwnd), "TestHelper");
    DWORD pid = 0;
    EXPECT_NE(GetWindowThreadProcessId(hwnd, &pid), 0u);
    EXPECT_EQ(pid, static_cast<DWORD>(helper.Pid()));

    // Handles of the two processes never meet.
    WindowDesc desc;
    desc.title = "Test Side";
    HWND mine = CreateWindow(desc, DefWindowProc);
    EXPECT_NE(mine >> 20, hwnd >> 20);

    EXPECT_TRUE(PostMessage(hwnd, WM_USER + 2, 5, -6));
    EXPECT_EQ(helper.ReadLine(5000), "posted 5 -6");
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 20, 2), 42);
    LRESULT r = 0;
    EXPECT_TRUE(SendMessageTimeout(hwnd, WM_USER + 1, 1, 1, 5000, &r));
    EXPECT_EQ(r, 3);

    std::string payload = "hello";
    COPYDATASTRUCT copy;
    copy.dwData = 9;
    copy.cbData = static_cast<DWORD>(payload.size());
    copy.lpData = payload.data();
    EXPECT_EQ(SendMessage(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 5);
    EXPECT_EQ(helper.ReadLine(5000), "copy 9 hello");
    EXPECT_FALSE(PostMessage(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)));

    EXPECT_TRUE(SetWindowText(hwnd, "Helper Renamed"));
    EXPECT_EQ(FindWindow("", "Helper Renamed"), hwnd);

    EXPECT_TRUE(PostMessage(hwnd, WM_CLOSE, 0, 0));
    EXPECT_EQ(helper.ReadLine(5000), "bye");
    EXPECT_EQ(WEXITSTATUS(helper.Wait()), 0);
    EXPECT_EQ(FindWindow("", "Helper Renamed"), 0u);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 1, 1), 0);
    DestroyWindow(mine);
}

TEST(WinCrossProcess, MessagesFromAnotherProcessAreMarked) {
    Helper helper("Helper Window Origin");
    ASSERT_NE(helper.Window(), 0u);
    EXPECT_EQ(SendMessage(helper.Window(), WM_USER + 6, 0, 0), 1);
    EXPECT_TRUE(PostMessage(helper.Window(), WM_USER + 7, 0, 0));
    EXPECT_EQ(helper.ReadLine(5000), "origin 1");

    // Within one process nothing is marked, also while a marked message is being handled.
    std::vector<bool> seen;
    WindowDesc desc;
    desc.title = "Origin Local";
    HWND mine = CreateWindow(desc, [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER + 7) {
            seen.push_back(InMessageFromOtherProcess());
        }
        return 0;
    });
    SendMessage(mine, WM_USER + 7, 0, 0);
    PostMessage(mine, WM_USER + 7, 0, 0);
    MSG msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
        DispatchMessage(msg);
    }
    EXPECT_EQ(seen, (std::vector<bool>{false, false}));
    EXPECT_FALSE(InMessageFromOtherProcess());
    DestroyWindow(mine);
    EXPECT_TRUE(PostMessage(helper.Window(), WM_CLOSE, 0, 0));
    EXPECT_EQ(helper.ReadLine(5000), "bye");
    helper.Wait();
}

TEST(WinCrossProcess, RegisteredNumbersAgreeAndBroadcastsReachEveryProcess) {
    Helper one("Broadcast One");
    Helper two("Broadcast Two");
    ASSERT_NE(one.Window(), 0u);
    ASSERT_NE(two.Window(), 0u);
    UINT msg = RegisterWindowMessage("testbroadcast");
    EXPECT_EQ(msg, one.BroadcastNumber());
    EXPECT_EQ(msg, two.BroadcastNumber());

    int localHits = 0;
    WindowDesc desc;
    desc.title = "Broadcast Local";
    HWND local = CreateWindow(desc, [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == msg && (w == 77 || w == 78)) {
            ++localHits;
        }
        return 0;
    });
    EXPECT_TRUE(PostMessage(HWND_BROADCAST, msg, 77, 0));
    EXPECT_EQ(one.ReadLine(5000), "broadcast 77");
    EXPECT_EQ(two.ReadLine(5000), "broadcast 77");
    MSG m;
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
        DispatchMessage(m);
    }
    EXPECT_EQ(localHits, 1);

    SendMessage(HWND_BROADCAST, msg, 78, 0);
    EXPECT_EQ(one.ReadLine(5000), "broadcast 78");
    EXPECT_EQ(two.ReadLine(5000), "broadcast 78");
    EXPECT_EQ(localHits, 2);
    DestroyWindow(local);
}

TEST(WinCrossProcess, ASendThatComesBackIsAnsweredWhileWaiting) {
    Helper helper("Nested Helper");
    ASSERT_NE(helper.Window(), 0u);
    WindowDesc desc;
    desc.title = "Nested Test";
    HWND mine = CreateWindow(
        desc, [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_USER + 5 ? 10 : 0; });
    // The helper's procedure sends to our window while we wait for its answer.
    EXPECT_EQ(SendMessage(helper.Window(), WM_USER + 4, mine, 0), 11);
    DestroyWindow(mine);
}

TEST(WinCrossProcess, ASendToAProcessThatDiesReturnsZero) {
    Helper helper("Dying Helper");
    ASSERT_NE(helper.Window(), 0u);
    LRESULT r = 5;
    EXPECT_FALSE(SendMessageTimeout(helper.Window(), WM_USER + 3, 0, 0, 20000, &r));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(WEXITSTATUS(helper.Wait()), 3);
    EXPECT_EQ(FindWindow("", "Dying Helper"), 0u);
}

TEST(WinCrossProcess, AKilledProcessLeavesNothingThatBreaksTheSearch) {
    std::size_t before = SocketCount();
    HWND stale = 0;
    {
        Helper helper("Killed Helper");
        ASSERT_NE(helper.Window(), 0u);
        stale = helper.Window();
        EXPECT_EQ(SocketCount(), before + 1);
        ::kill(helper.Pid(), SIGKILL);
        helper.Wait();
    }
    EXPECT_EQ(FindWindow("", "Killed Helper"), 0u);
    EXPECT_EQ(SocketCount(), before) << "the dead process's socket is cleaned up";
    EXPECT_FALSE(IsWindow(stale));
    // A new process may take the dead one's slot, but never its handles.
    Helper next("Next Helper");
    ASSERT_NE(next.Window(), 0u);
    EXPECT_NE(next.Window(), stale);
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(FindWindow("", "Next Helper"), next.Window());
}

TEST(WinCrossProcess, APeerOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    platform::SetDiagnosticSink(CollectReport);
    WindowDesc desc;
    desc.title = "Guarded";
    HWND mine = CreateWindow(desc, DefWindowProc);
    ASSERT_NE(mine, 0u);
    std::string path =
        platform::RuntimeFolder() + "/Quorvane/win-" + std::to_string(mine >> 20) + ".sock";
    pid_t child = ::fork();
    if (child == 0) {
        // Another user that can still reach the folder: keep capabilities across the change
        // of the effective user id.
        if (::prctl(PR_SET_SECUREBITS, SECBIT_NO_SETUID_FIXUP) != 0 || ::seteuid(65534) != 0) {
            ::_exit(2);
        }
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::_exit(3);
        }
        // A well-formed search request; a refused peer gets no answer.
        const unsigned char req[] = {14, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        ssize_t w = ::write(fd, req, sizeof req);
        (void)w;
        char buf[16];
        ssize_t n = ::read(fd, buf, sizeof buf);
        ::_exit(n > 0 ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WEXITSTATUS(status) == 2) {
        platform::SetDiagnosticSink(nullptr);
        DestroyWindow(mine);
        GTEST_SKIP() << "cannot change the effective user here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user's request was answered";
    bool reported = false;
    for (int i = 0; i < 200 && !reported; ++i) {
        {
            std::lock_guard<std::mutex> lock(g_reportsMutex);
            for (const auto& r : g_reports) {
                reported = reported || r.find("of user 65534") != std::string::npos;
            }
        }
        if (!reported) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    EXPECT_TRUE(reported);
    platform::SetDiagnosticSink(nullptr);
    DestroyWindow(mine);
}

namespace {

// Sends raw bytes to this process's own listener and returns what comes back.
std::string RawExchange(HWND anyOwnWindow, const std::string& bytes) {
    std::string path =
        platform::RuntimeFolder() + "/Quorvane/win-" + std::to_string(anyOwnWindow >> 20) + ".sock";
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return "connect failed";
    }
    ssize_t w = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    (void)w;
    ::shutdown(fd, SHUT_WR);
    std::string reply;
    char buf[256];
    ssize_t n = 0;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) {
        reply.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reply;
}

std::string Frame(const std::string& payload) {
    std::string out;
    std::uint32_t n = static_cast<std::uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    }
    return out + payload;
}

} // namespace

TEST(WinCrossProcess, MalformedRequestsAreAnsweredWithNothingAndHarmNothing) {
    int hits = 0;
    WindowDesc desc;
    desc.title = "Robust";
    HWND mine = CreateWindow(desc, [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        hits += m == WM_COPYDATA ? 1 : 0;
        return 0;
    });
    ASSERT_NE(mine, 0u);
    const std::string empty = Frame("");
    // A frame longer than allowed: the connection is just closed.
    EXPECT_EQ(RawExchange(mine, std::string("\xff\xff\xff\xff", 4) + "x"), "");
    // A frame cut short.
    EXPECT_EQ(RawExchange(mine, std::string("\x10\x00\x00\x00\x01", 5)), "");
    // Unknown request type, empty request, truncated search.
    EXPECT_EQ(RawExchange(mine, Frame("\x63")), empty);
    EXPECT_EQ(RawExchange(mine, Frame("")), empty);
    EXPECT_EQ(RawExchange(mine, Frame(std::string("\x01\x05\x00\x00\x00"
                                                  "ab",
                                                  7))),
              empty);
    // A send whose copy-data length runs past the end of the frame.
    std::string send("\x03", 1);
    for (int i = 0; i < 4; ++i) {
        send.push_back(static_cast<char>((mine >> (8 * i)) & 0xFF));
    }
    send += std::string("\x4a\x00\x00\x00", 4) + std::string(16, '\0') + "\x01" +
            std::string(8, '\0') + std::string("\xff\xff\x00\x00", 4) + "short";
    EXPECT_EQ(RawExchange(mine, Frame(send)), empty);
    EXPECT_EQ(hits, 0);
    // The listener still serves well-formed requests.
    EXPECT_EQ(RawExchange(mine, Frame(std::string("\x02", 1) + std::string(4, '\0') +
                                      std::string(4, '\0') + std::string(16, '\0'))),
              Frame(std::string("\x00", 1)));
    DestroyWindow(mine);
}

TEST(WinCrossProcess, ARuntimeFolderWithALongPathStillWorks) {
    // Socket addresses hold about 107 bytes; longer folders are reached another way.
    std::string folder = twtest::MakeTempDir("long-runtime-folder-" + std::string(60, 'x')) + "/" +
                         std::string(60, 'y');
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
    ASSERT_GT(folder.size(), 120u);
    std::string old = std::getenv("XDG_RUNTIME_DIR");
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    {
        Helper helper("Long Path Helper");
        ASSERT_NE(helper.Window(), 0u);
        EXPECT_EQ(FindWindow("", "Long Path Helper"), helper.Window());
        EXPECT_EQ(SendMessage(helper.Window(), WM_USER + 1, 4, 1), 9);
    }
    ::setenv("XDG_RUNTIME_DIR", old.c_str(), 1);
}

TEST(WinCrossProcess, ControlMessagesFromAnotherProcessAreRefused) {
    // The other process's controls would read these lParams as pointers into their own
    // memory: they answer as for a failure and stay well.
    const LPARAM bogus = 0x7FFF12345678;
    Helper list("Remote List", "SysListView32");
    ASSERT_NE(list.Window(), 0u);
    EXPECT_EQ(SendMessage(list.Window(), LVM_INSERTITEM, 0, bogus), -1);
    EXPECT_EQ(SendMessage(list.Window(), LVM_GETITEMTEXT, 0, bogus), 0);
    EXPECT_EQ(SendMessage(list.Window(), LVM_GETCOLUMN, 0, bogus), 0);
    EXPECT_EQ(SendMessage(list.Window(), LVM_GETITEMCOUNT, 0, 0), 0);
    Helper toolbar("Remote Toolbar", "ToolbarWindow32");
    ASSERT_NE(toolbar.Window(), 0u);
    EXPECT_EQ(SendMessage(toolbar.Window(), TB_ADDBUTTONS, 1, bogus), 0);
    EXPECT_EQ(SendMessage(toolbar.Window(), TB_GETBUTTON, 0, bogus), 0);
    EXPECT_EQ(SendMessage(toolbar.Window(), TB_BUTTONCOUNT, 0, 0), 0);
    // Both are still there and answering.
    EXPECT_EQ(SendMessage(list.Window(), WM_USER + 1, 4, 1), 9);
    EXPECT_EQ(SendMessage(toolbar.Window(), WM_USER + 1, 4, 1), 9);
}
