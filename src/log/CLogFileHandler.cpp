#include "log/CLogFileHandler.h"

#include "platform/Paths.h"

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

int CLogFileHandler::OpenLocked(const std::string& path) {
    // Never follow a link planted in place of the log, and never write a file that belongs to
    // somebody else.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    // Other processes may not write the log while this run owns it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool CLogFileHandler::Open(const std::string& basePath) {
    Close();
    m_basePath = basePath;
    const std::string logPath = basePath + ".log";
    int fd = OpenLocked(logPath);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size != 0) {
        // Keep exactly one earlier run: copy the log over the old one, then start empty. The
        // lock is held throughout, so no other process can slip in between.
        std::string previous;
        previous.resize(static_cast<size_t>(st.st_size));
        int rfd = ::open(logPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        bool readOk = false;
        if (rfd >= 0) {
            size_t got = 0;
            while (got < previous.size()) {
                ssize_t n = ::read(rfd, previous.data() + got, previous.size() - got);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                got += static_cast<size_t>(n);
            }
            previous.resize(got);
            readOk = true;
            ::close(rfd);
        }
        if (readOk) {
            // A failed copy does not stop the rotation.
            platform::WriteFileAtomic(basePath + ".old", previous);
        }
        if (::ftruncate(fd, 0) != 0) {
            ::close(fd);
            return false;
        }
    }
    m_fd = fd;
    return true;
}

void CLogFileHandler::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void CLogFileHandler::SetFileLevel(const int* level) {
    m_fileLevel = (level == nullptr || *level == 0) ? 5 : *level;
}

void CLogFileHandler::Write(int level, std::uint32_t threadId, const std::string& categoryColumn,
                            const std::string& messageColumn) {
    if (m_fd < 0 || m_fileLevel < level) {
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
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t w = ::write(m_fd, p, left);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return;
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
}
