// Helpers of the hook library's tests: a helper process driven through its standard input and
// output, the program's callback window, and a wait for a text to appear in a file (woken by
// inotify, not by polling).
#pragma once

#include "common/ChildProcess.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hooktest {

class ChildProcess {
public:
    // Starts `exe` with pipes to its standard input and output; waits for its "ready" line.
    explicit ChildProcess(const std::string& exe);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool IsReady() const { return m_ready; }
    pid_t Pid() const { return m_child.Pid(); }
    // Sends one command line and returns the answer line (empty after `timeoutMs`, a guard).
    std::string Ask(const std::string& command, int timeoutMs = 10000);
    // Sends one command line without waiting for its answer (read it later with ReadLine).
    bool Send(const std::string& command);
    std::string ReadLine(int timeoutMs);
    // Ends the process ("quit") and reaps it.
    void Quit();

private:
    twtest::ChildProcess m_child;
    bool m_ready = false;
};

// One "QVShowOeWindow" the program's window received, with the SmsMessage copied.
struct ProgramCall {
    unsigned long action = 0;
    bool hasMessage = false;
    std::string sender, recipients, text, date;
};

// The program's window: records every "QVShowOeWindow" it receives, on a thread of its own.
class ProgramWindow {
public:
    ProgramWindow();
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow&) = delete;
    ProgramWindow& operator=(const ProgramWindow&) = delete;
    std::uint32_t Handle() const { return m_hwnd; }
    std::vector<ProgramCall> Calls();

private:
    std::thread m_thread;
    std::uint32_t m_hwnd = 0;
    std::mutex m_lock;
    std::vector<ProgramCall> m_calls;
};

// Waits until the file at `path` contains `text`; woken by every change in its folder. False
// after `timeoutMs` (a guard against a hang, not a measure of time).
bool WaitForFileText(const std::string& path, const std::string& text, int timeoutMs = 10000);

} // namespace hooktest
