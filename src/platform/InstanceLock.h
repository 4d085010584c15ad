// A per-user exclusive lock that names one running program: a file in the per-user runtime
// folder ("$XDG_RUNTIME_DIR/Quorvane/<name>.lock"), locked with flock for as long as the
// object lives. The system releases it when the process ends in any way (also when it is
// killed), so a lock is never left behind.
#pragma once

#include "platform/UniqueFd.h"

#include <memory>
#include <string>

namespace platform {

class InstanceLock {
public:
    // The lock, or null when another process holds it or the runtime folder is refused.
    static std::unique_ptr<InstanceLock> TryAcquire(const std::string& name);
    ~InstanceLock() = default; // closing the descriptor releases the lock
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    const std::string& Path() const { return m_path; }

private:
    InstanceLock(UniqueFd fd, std::string path) : m_fd(std::move(fd)), m_path(std::move(path)) {}

    UniqueFd m_fd;
    std::string m_path;
};

} // namespace platform
