// The stand-in mail client started as a second process and driven through its script on
// standard input, as the hook library's tests drive it. Every wait is for a line of its
// output; the time limits only keep a broken client from hanging the test.
#pragma once

#include "common/ChildProcess.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace mailtest {

class MailClientProcess {
public:
    // Starts bin/twmailclient with the arguments (after --stdin-script unless
    // `stdinScript` is false) and waits for its "ready" line.
    explicit MailClientProcess(const std::vector<std::string>& arguments, bool stdinScript = true);
    ~MailClientProcess();
    MailClientProcess(const MailClientProcess&) = delete;
    MailClientProcess& operator=(const MailClientProcess&) = delete;

    bool Ready() const { return m_main != 0; }
    unsigned MainWindow() const { return m_main; }
    pid_t Pid() const { return m_child.Pid(); }

    // Sends one command line and returns its answer (the first "ok"/"error" line); the event
    // lines written before it are in `events`. Empty when the client gave no answer.
    std::string Command(const std::string& line, std::vector<std::string>* events = nullptr);
    // The next line of output (empty at the end or after the guard time).
    std::string ReadLine();
    // Closes the script input (the client ends when it sees the end).
    void CloseInput();
    // Waits for the process to end; its exit code, -1 when it did not end normally.
    int Wait();

    // The sample folder of the tests.
    static std::string SampleFolder();

private:
    twtest::ChildProcess m_child;
    unsigned m_main = 0;
};

// Runs the client with the arguments and no script; its exit code (-1: did not end normally).
int RunMailClient(const std::vector<std::string>& arguments);

} // namespace mailtest
