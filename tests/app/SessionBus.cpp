#include "SessionBus.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace twtest {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
};

// Starts the program with `stdinFd` as standard input and `outFd` as standard output (and
// standard error too when `withErrors`); -1 keeps the test's own.
pid_t Spawn(const std::vector<std::string>& args, int stdinFd, int outFd, bool withErrors) {
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    }
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        if (withErrors) {
            posix_spawn_file_actions_adddup2(&actions, outFd, 2);
        }
    }
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int PidFd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// Waits until the pidfd is readable (the process ended).
bool WaitReadable(int fd, int timeoutMs, bool pumpQt) {
    if (!pumpQt) {
        pollfd p{fd, POLLIN, 0};
        int rc;
        do {
            rc = ::poll(&p, 1, timeoutMs);
        } while (rc < 0 && errno == EINTR);
        return rc == 1;
    }
    QEventLoop loop;
    QSocketNotifier ended(fd, QSocketNotifier::Read);
    bool done = false;
    QObject::connect(&ended, &QSocketNotifier::activated, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done;
}

} // namespace

PrivateSessionBus::PrivateSessionBus() {
    Pipe in;
    Pipe out;
    m_pid = Spawn({"dbus-run-session", "--", "sh", "-c",
                   "echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat >/dev/null"},
                  in.read, out.write, false);
    ::close(in.read);
    ::close(out.write);
    m_hold = in.write;
    if (m_pid > 0) {
        // The first line is the address; reading it waits for the bus to be up.
        char c;
        while (::read(out.read, &c, 1) == 1 && c != '\n') {
            m_address.push_back(c);
        }
    }
    ::close(out.read);
    if (!m_address.empty()) {
        ::setenv("DBUS_SESSION_BUS_ADDRESS", m_address.c_str(), 1);
    }
}

PrivateSessionBus::~PrivateSessionBus() {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::close(m_hold); // the holder ends, and dbus-run-session ends the bus
    if (m_pid > 0) {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
}

ClientResult RunClient(const std::vector<std::string>& argv, bool pumpQt, int timeoutMs) {
    ClientResult result;
    Pipe out;
    pid_t pid = Spawn(argv, -1, out.write, true);
    ::close(out.write);
    if (pid <= 0) {
        ::close(out.read);
        return result;
    }
    int fd = PidFd(pid);
    const bool ended = WaitReadable(fd, timeoutMs, pumpQt);
    ::close(fd);
    if (!ended) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (ended) {
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out.read, buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out.read);
    return result;
}

pid_t StartProcess(const std::vector<std::string>& argv) {
    return Spawn(argv, -1, -1, false);
}

bool WaitForProcessEnd(pid_t pid, int timeoutMs, bool pumpQt) {
    int fd = PidFd(pid);
    if (fd < 0) {
        return errno == ESRCH; // already gone
    }
    const bool ended = WaitReadable(fd, timeoutMs, pumpQt);
    ::close(fd);
    return ended;
}

pid_t BusNameOwnerPid(const std::string& name) {
    ClientResult r = RunClient({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                                "--object-path", "/org/freedesktop/DBus", "--method",
                                "org.freedesktop.DBus.GetConnectionUnixProcessID", name},
                               false);
    // "(uint32 1234,)"
    const std::size_t at = r.output.find("uint32 ");
    if (r.exitCode != 0 || at == std::string::npos) {
        return 0;
    }
    return static_cast<pid_t>(std::atol(r.output.c_str() + at + 7));
}

} // namespace twtest
