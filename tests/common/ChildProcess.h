// A helper program started as a child process and driven through its standard input and
// output, one line at a time: the mail client stand-ins and the program's partners in the
// end-to-end tests. Every read waits for a line of output; the time limits only keep a broken
// child from hanging the test, they never measure anything.
//
// The child is started without a shell, with pipes on its standard input and output; its
// standard error is inherited or appended to a file the test names. The destructor closes the
// input, kills a child that is still running and reaps it.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace twtest {

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& stderrPath = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    // Writes `line` and a line feed to the child's input; false when the input is closed.
    bool WriteLine(const std::string& line);
    // The next line of output without its line feed; empty at the end of the output or when
    // none came within `limit`.
    std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Reads lines until one satisfies `wanted` and returns it; the lines before it are
    // appended to `skipped`. Empty when the output ended or the guard time passed.
    std::string ReadUntil(const std::function<bool(const std::string&)>& wanted,
                          std::vector<std::string>* skipped = nullptr,
                          std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Closes the child's input (stand-ins end when they see the end of their script).
    void CloseInput();
    // Waits for the child to end and reaps it: its exit code, or -1 when a signal ended it
    // or it did not end within `limit` (it is then killed).
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(20));

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_buffer;
};

} // namespace twtest
