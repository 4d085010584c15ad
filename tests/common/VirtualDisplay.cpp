#include "common/VirtualDisplay.h"

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace twtest {

VirtualDisplay::VirtualDisplay(const std::string& screen) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return;
    }
    std::vector<std::string> args = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                     "-nolisten", "tcp",        "-noreset"};
    if (!screen.empty()) {
        args.insert(args.end(), {"-screen", "0", screen});
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (::posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) {
        m_pid = -1;
    }
    ::close(fds[1]);
    // The server writes its display number and a new line once it accepts connections. The
    // whole line is read before the pipe closes: a write into a closed pipe would end the
    // server.
    std::string digits;
    char c = 0;
    while (m_pid > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
        digits += c;
    }
    ::close(fds[0]);
    if (!digits.empty()) {
        m_name = ":" + digits;
    }
}

VirtualDisplay::~VirtualDisplay() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void VirtualDisplay::UseForQt() const {
    ::setenv("DISPLAY", m_name.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string relaxed =
        std::string(asan != nullptr ? asan : "") + ":strict_string_checks=0";
    ::setenv("ASAN_OPTIONS", relaxed.c_str(), 1);
}

std::string VirtualDisplay::WindowTitles() const {
    std::string command = "xwininfo -root -tree -display " + m_name + " 2>/dev/null";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            out.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return out;
}

} // namespace twtest
