#include "hook/support/File/QFile.h"

#include "hook/support/Exception/QFileException.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qsupport {

void QFile::Open(const std::string& path, win::DWORD access, win::DWORD, win::DWORD creation,
                 win::DWORD) {
    m_fd.Reset();
    m_path = path;
    if ((access & ~kGenericRead) != 0 || creation != kOpenExisting) {
        throw QFileException(kFileOpen, path, "QFile::Open", EINVAL);
    }
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        throw QFileException(kFileOpen, path, "QFile::Open", static_cast<win::DWORD>(errno));
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        throw QFileException(kFileOpen, path, "QFile::Open",
                             static_cast<win::DWORD>(errno != 0 ? errno : EISDIR));
    }
    m_fd = std::move(fd);
}

std::string QFile::ReadAll() {
    if (!m_fd) {
        throw QFileException(kFileRead, m_path, "QFile::ReadAll", EBADF);
    }
    if (::lseek(m_fd.Get(), 0, SEEK_SET) < 0) {
        throw QFileException(kFileRead, m_path, "QFile::ReadAll", static_cast<win::DWORD>(errno));
    }
    std::string bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(m_fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw QFileException(kFileRead, m_path, "QFile::ReadAll",
                                 static_cast<win::DWORD>(errno));
        }
        if (n == 0) {
            return bytes;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxSize) {
            throw QFileException(kFileTooLarge, m_path, "QFile::ReadAll", EFBIG);
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace qsupport
