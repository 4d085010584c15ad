// Helpers of the hook library's tests: a helper process driven through its standard input and
// output, and a wait for a text to appear in a file (woken by inotify, not by polling).
#pragma once

#include "common/ChildProcess.h"

#include <string>
#include <sys/types.h>

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
    std::string ReadLine(int timeoutMs);
    // Ends the process ("quit") and reaps it.
    void Quit();

private:
    twtest::ChildProcess m_child;
    bool m_ready = false;
};

// Waits until the file at `path` contains `text`; woken by every change in its folder. False
// after `timeoutMs` (a guard against a hang, not a measure of time).
bool WaitForFileText(const std::string& path, const std::string& text, int timeoutMs = 10000);

// Number of times `text` occurs in the file.
std::size_t CountInFile(const std::string& path, const std::string& text);

} // namespace hooktest
