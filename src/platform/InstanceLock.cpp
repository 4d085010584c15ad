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
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        ReportDiagnostic("platform::InstanceLock",
                         "Cannot open \"" + path + "\": " + std::strerror(errno));
        return nullptr;
    }
    while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return nullptr;
        }
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(std::move(fd), std::move(path)));
}

} // namespace platform
