#include "common/Wait.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace twtest {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               std::chrono::milliseconds poll) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(poll);
    }
    return condition();
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& stderrPath) {
    std::vector<std::string> copy = args;
    std::string path = program;
    std::vector<char*> argv{path.data()};
    for (auto& a : copy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stderrPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
    }
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    int code = -1;
    WaitUntil(
        [&] {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) != pid) {
                return false;
            }
            code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        limit, std::chrono::milliseconds(5));
    return code;
}

} // namespace twtest
