// A helper process (tw_win_helper) for the cross-process window tests: started with the
// test's private folders, its standard output read line by line.
#pragma once

#include "platform/Win.h"

#include "common/TestEnv.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace twtest {

using namespace win;

// A running helper process with a pipe from its standard output.
class Helper {
public:
    // `extra` goes after the title and the class (a hook to install: thread, module, procedure).
    explicit Helper(const std::string& title, const std::string& className = "TestHelper",
                    const std::vector<std::string>& extra = {}) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        std::string exe = twtest::BinDir() + "/tw_win_helper";
        std::vector<std::string> args = {exe, title, className};
        args.insert(args.end(), extra.begin(), extra.end());
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
        if (line.rfind("hooked ", 0) == 0) {
            m_hook = static_cast<HHOOK>(std::strtoul(line.c_str() + 7, nullptr, 10));
            line = ReadLine(10000);
        }
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
    // The hook the helper installed at start (0: none, or it failed).
    HHOOK Hook() const { return m_hook; }
    // The thread that owns the helper's window.
    DWORD Thread() const { return GetWindowThreadProcessId(m_hwnd, nullptr); }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffer;
    HWND m_hwnd = 0;
    UINT m_broadcast = 0;
    HHOOK m_hook = 0;
};

} // namespace twtest
