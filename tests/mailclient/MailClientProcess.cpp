#include "MailClientProcess.h"

#include "common/TestEnv.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mailtest {

namespace {

// Only a guard against a client that hangs; never part of what a test checks.
constexpr int kGuardMs = 20000;

pid_t Spawn(const std::vector<std::string>& arguments, int in, int out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) {
        posix_spawn_file_actions_adddup2(&actions, in, 0);
    }
    if (out >= 0) {
        posix_spawn_file_actions_adddup2(&actions, out, 1);
    }
    const std::string exe = twtest::BinDir() + "/twmailclient";
    std::vector<std::string> args = {exe};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::string MailClientProcess::SampleFolder() {
    return std::string(TW_MAILCLIENT_TEST_DATA) + "/sample.mbox";
}

MailClientProcess::MailClientProcess(const std::vector<std::string>& arguments, bool stdinScript) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    std::vector<std::string> args;
    if (stdinScript) {
        args.push_back("--stdin-script");
    }
    args.insert(args.end(), arguments.begin(), arguments.end());
    m_pid = Spawn(args, in[0], out[1]);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    if (m_pid < 0) {
        return;
    }
    const std::string ready = ReadLine();
    if (ready.rfind("ready ", 0) == 0) {
        m_main = static_cast<unsigned>(std::stoul(ready.substr(6)));
    }
}

MailClientProcess::~MailClientProcess() {
    CloseInput();
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    if (m_out >= 0) {
        ::close(m_out);
    }
}

std::string MailClientProcess::ReadLine() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGuardMs);
    for (;;) {
        const std::size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || m_out < 0) {
            return std::string();
        }
        pollfd p{m_out, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n <= 0) {
            return std::string();
        }
        m_buffer.append(buf, static_cast<std::size_t>(n));
    }
}

std::string MailClientProcess::Command(const std::string& line, std::vector<std::string>* events) {
    if (m_in < 0) {
        return std::string();
    }
    const std::string text = line + "\n";
    if (::write(m_in, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return std::string();
    }
    for (;;) {
        std::string answer = ReadLine();
        if (answer.empty() || answer == "ok" || answer.rfind("ok ", 0) == 0 ||
            answer.rfind("error", 0) == 0) {
            return answer;
        }
        if (events != nullptr) {
            events->push_back(answer);
        }
    }
}

void MailClientProcess::CloseInput() {
    if (m_in >= 0) {
        ::close(m_in);
        m_in = -1;
    }
}

int MailClientProcess::Wait() {
    int status = 0;
    if (m_pid > 0) {
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
        return ExitCode(status);
    }
    return -1;
}

int RunMailClient(const std::vector<std::string>& arguments) {
    const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = Spawn(arguments, devnull, devnull);
    ::close(devnull);
    if (pid < 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return ExitCode(status);
}

} // namespace mailtest
