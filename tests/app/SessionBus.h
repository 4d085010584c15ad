// A private session bus for a test, and the real D-Bus command-line clients run against it.
//
// PrivateSessionBus starts `dbus-run-session` with a holder command that prints the bus
// address and then waits for its standard input to close; the bus lives until the object
// goes. The daemon inherits the test's environment as it is at that moment (the private
// XDG folders, so it reads activation files from the test's $XDG_DATA_HOME), and the test
// process and every child it starts afterwards use the bus through DBUS_SESSION_BUS_ADDRESS.
//
// RunClient starts a program (gdbus, dbus-send, the program under test) and waits for it
// to end: on the process's pidfd, while the Qt event loop of the calling thread runs when
// `pumpQt` is set (an object served in this very process answers meanwhile).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace twtest {

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // The bus address; empty when the bus did not start.
    const std::string& Address() const { return m_address; }

private:
    pid_t m_pid = -1;
    int m_hold = -1; // write end of the holder's standard input
    std::string m_address;
};

struct ClientResult {
    int exitCode = -1;  // -1: did not end in time (then killed)
    std::string output; // standard output and standard error
};

// Runs `argv` (argv[0] looked up in PATH) to its end; at most `timeoutMs`.
ClientResult RunClient(const std::vector<std::string>& argv, bool pumpQt, int timeoutMs = 60000);

// Starts `argv` without waiting; its output goes to the test's standard error.
pid_t StartProcess(const std::vector<std::string>& argv);

// Waits for a process (a child or any other process of the user) to end, on its pidfd. True
// when it ended within `timeoutMs`.
bool WaitForProcessEnd(pid_t pid, int timeoutMs, bool pumpQt = false);

// The process id of the owner of a bus name, asked of the bus; 0 when the name has none.
pid_t BusNameOwnerPid(const std::string& name);

} // namespace twtest
