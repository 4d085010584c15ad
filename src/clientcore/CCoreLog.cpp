#include "clientcore/CCoreLog.h"

#include "platform/Paths.h"
#include "platform/UniqueFd.h"

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::mutex g_lock;
}

std::string CCoreLog::FilePath() {
    return platform::TempFolder() + "/Quorvane/clientcore.log";
}

void CCoreLog::Write(const std::string& line) {
    auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    ::gmtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &tm);
    std::string text = stamp + line + "\n";
    std::lock_guard<std::mutex> guard(g_lock);
    std::string folder = platform::TempFolder() + "/Quorvane";
    ::mkdir(folder.c_str(), 0700);
    platform::UniqueFd fd(
        ::open(FilePath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (fd) {
        [[maybe_unused]] ssize_t written = ::write(fd.Get(), text.data(), text.size());
    }
}
