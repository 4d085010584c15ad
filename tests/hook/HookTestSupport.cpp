#include "HookTestSupport.h"

#include "common/TestEnv.h"

#include <chrono>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace hooktest {

ChildProcess::ChildProcess(const std::string& exe) : m_child(exe, {}) {
    m_ready = m_child.Started() && ReadLine(10000) == "ready";
}

ChildProcess::~ChildProcess() = default;

std::string ChildProcess::ReadLine(int timeoutMs) {
    return m_child.ReadLine(std::chrono::milliseconds(timeoutMs));
}

std::string ChildProcess::Ask(const std::string& command, int timeoutMs) {
    if (!m_child.WriteLine(command)) {
        return std::string();
    }
    return ReadLine(timeoutMs);
}

void ChildProcess::Quit() {
    if (!m_child.Started()) {
        return;
    }
    Ask("quit");
    m_child.Wait();
}

bool WaitForFileText(const std::string& path, const std::string& text, int timeoutMs) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const int fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    ::inotify_add_watch(fd, folder.c_str(), IN_MODIFY | IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool found = false;
    for (;;) {
        if (twtest::ReadFile(path).find(text) != std::string::npos) {
            found = true;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) > 0) {
            char events[4096];
            while (::read(fd, events, sizeof events) > 0) {
            }
        }
    }
    ::close(fd);
    return found;
}

std::size_t CountInFile(const std::string& path, const std::string& text) {
    const std::string content = twtest::ReadFile(path);
    std::size_t count = 0;
    for (std::size_t pos = content.find(text); pos != std::string::npos;
         pos = content.find(text, pos + text.size())) {
        ++count;
    }
    return count;
}

} // namespace hooktest
