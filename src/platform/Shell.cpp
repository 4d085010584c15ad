#include "platform/Shell.h"

#include "platform/Diagnostics.h"
#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

std::mutex& BackendLock() {
    static std::mutex m;
    return m;
}

std::shared_ptr<ShellBackend>& Installed() {
    static auto* backend = new std::shared_ptr<ShellBackend>();
    return *backend;
}

bool HasControlOrBlank(const std::string& s, bool blanksToo) {
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F || (blanksToo && c == ' ')) {
            return true;
        }
    }
    return false;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    size_t n = std::strlen(prefix);
    if (s.size() < n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// "name:" at the start, as URLs of any scheme have.
bool HasScheme(const std::string& s) {
    size_t colon = s.find(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    for (size_t i = 0; i < colon; ++i) {
        char c = s[i];
        bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!(alpha || (i > 0 && other))) {
            return false;
        }
    }
    return true;
}

// The checked target, or an empty text with `why` set.
std::string Check(const std::string& target, std::string& why) {
    if (target.empty()) {
        why = "empty target";
        return {};
    }
    if (HasControlOrBlank(target, false)) {
        why = "control characters in the target";
        return {};
    }
    if (StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://")) {
        size_t host = target.find("//") + 2;
        if (HasControlOrBlank(target, true)) {
            why = "blanks in a URL";
            return {};
        }
        if (host >= target.size() || target[host] == '/' || target[host] == '?' ||
            target[host] == '#') {
            why = "a URL without a host";
            return {};
        }
        return target;
    }
    if (StartsWithNoCase(target, "mailto:")) {
        if (HasControlOrBlank(target, true)) {
            why = "blanks in a URL";
            return {};
        }
        if (target.size() == 7) {
            why = "a mailto URL without an address";
            return {};
        }
        return target;
    }
    if (HasScheme(target) && target.find('/') != 0) {
        why = "a URL of a scheme that is not opened";
        return {};
    }
    std::string path = target;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && target.find('\\') != std::string::npos) {
        path = ToNativePath(target);
    }
    if (::stat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
        why = "neither a URL nor an existing file";
        return {};
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        why = "the file's path cannot be resolved";
        return {};
    }
    return resolved;
}

} // namespace

std::string ShellOpenTarget(const std::string& target) {
    std::string why;
    return Check(target, why);
}

bool ShellOpen(const std::string& target) {
    std::string why;
    std::string checked = Check(target, why);
    if (checked.empty()) {
        ReportDiagnostic("ShellOpen", "refused to open \"" + target + "\": " + why);
        return false;
    }
    std::shared_ptr<ShellBackend> backend;
    {
        std::lock_guard<std::mutex> guard(BackendLock());
        if (!Installed()) {
            Installed() = std::make_shared<XdgOpenShell>();
        }
        backend = Installed();
    }
    return backend->Open(checked);
}

void SetShellBackend(std::shared_ptr<ShellBackend> backend) {
    std::lock_guard<std::mutex> guard(BackendLock());
    Installed() = std::move(backend);
}

bool XdgOpenShell::Open(const std::string& checkedTarget) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::string program = "xdg-open";
    std::string arg = checkedTarget;
    char* argv[] = {program.data(), arg.data(), nullptr};
    pid_t pid = 0;
    int rc = ::posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ReportDiagnostic("ShellOpen", "cannot start xdg-open: " + std::string(std::strerror(rc)));
        return false;
    }
    // xdg-open may run as long as the program it starts: reap it without waiting here.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool RecordingShell::Open(const std::string& checkedTarget) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_opened.push_back(checkedTarget);
    return m_result;
}

std::vector<std::string> RecordingShell::Opened() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_opened;
}

} // namespace platform
