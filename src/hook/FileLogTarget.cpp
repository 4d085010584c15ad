#include "hook/FileLogTarget.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <sys/stat.h>

namespace logging {

bool FileLogTarget::Open(const std::string& path) {
    platform::UniqueFd fd = platform::OpenPrivateFile(path, platform::PrivateOpen::Truncate);
    if (!fd) {
        return false;
    }
    // A file left by an earlier run keeps no wider mode than a new one.
    ::fchmod(fd.Get(), 0600);
    std::lock_guard<std::mutex> guard(m_lock);
    m_fd = std::move(fd);
    m_path = path;
    return true;
}

void FileLogTarget::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_fd.Reset();
    m_path.clear();
}

bool FileLogTarget::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_fd.IsValid();
}

std::string FileLogTarget::Path() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_path;
}

void FileLogTarget::Write(const std::string& line) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_fd) {
        platform::WriteAll(m_fd.Get(), line.data(), line.size());
    }
}

} // namespace logging
