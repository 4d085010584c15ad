#include "platform/InstanceLock.h"

#include "platform/Diagnostics.h"
#include "platform/WinRuntimeFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::string& name) {
    const std::string folder = win::detail::WinRuntimeFolder::Path();
    if (folder.empty()) {
        return nullptr;
    }
    std::string path = folder + "/" + name + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        ReportDiagnostic("platform::InstanceLock",
                         "Cannot open \"" + path + "\": " + std::strerror(errno));
        return nullptr;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd, std::move(path)));
}

InstanceLock::~InstanceLock() {
    ::close(m_fd); // closing releases the lock
}

} // namespace platform
