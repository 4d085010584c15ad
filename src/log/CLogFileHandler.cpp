#include "log/CLogFileHandler.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CLogFileHandler::~CLogFileHandler() {
    Close();
}

bool CLogFileHandler::Open(const std::string& basePath) {
    Close();
    m_basePath = basePath;
    const std::string logPath = basePath + ".log";
    // Never follow a link planted in place of the log, never write a file that belongs to
    // somebody else (the shared temporary folder's rule).
    platform::UniqueFd fd = platform::OpenPrivateFile(logPath, platform::PrivateOpen::Append);
    // Other processes may not write the log while this run owns it.
    if (!fd || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) == 0 && st.st_size != 0) {
        // Keep exactly one earlier run: copy the log over the old one in chunks (a huge debug
        // log needs no more memory than one chunk), then start empty. The lock is held
        // throughout, so no other process can slip in between. A failed copy does not stop the
        // rotation.
        const int source = fd.Get();
        platform::WriteFileAtomicFrom(
            basePath + ".old", [source](int to) { return platform::CopyFromStart(source, to); });
        if (::ftruncate(fd.Get(), 0) != 0) {
            return false;
        }
    }
    m_fd = std::move(fd);
    return true;
}

void CLogFileHandler::Close() {
    m_fd.Reset();
}

void CLogFileHandler::SetFileLevel(const int* level) {
    m_fileLevel = (level == nullptr || *level == 0) ? 5 : *level;
}

void CLogFileHandler::Write(int level, std::uint32_t threadId, const std::string& categoryColumn,
                            const std::string& messageColumn) {
    if (!m_fd || m_fileLevel < level) {
        return;
    }
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const int millis =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    ::localtime_r(&secs, &local);

    char head[96];
    int n = std::snprintf(head, sizeof head, "\r\n%d | %02d:%02d:%02d_%03d | 0x%08x | ", level,
                          local.tm_hour, local.tm_min, local.tm_sec, millis, threadId);
    std::string line;
    line.reserve(static_cast<size_t>(n) + categoryColumn.size() + messageColumn.size() + 3);
    line.append(head, static_cast<size_t>(n));
    line += categoryColumn;
    line += " | ";
    line += messageColumn;

    // One write per line on an append-only descriptor: the line reaches the file at once.
    platform::WriteAll(m_fd.Get(), line.data(), line.size());
}
