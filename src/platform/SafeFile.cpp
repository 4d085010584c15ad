#include "platform/SafeFile.h"

#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool UsePrivateFolder(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || !CreateFolder(path) || ::lstat(path.c_str(), &st) != 0) {
            return false;
        }
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        errno = EPERM;
        return false;
    }
    if ((st.st_mode & 0777) != 0700 && ::chmod(path.c_str(), 0700) != 0) {
        return false;
    }
    return true;
}

std::string PrivateTempFolder() {
    std::string base = TempFolder();
    if (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    // A missing temporary folder is created first, then the program's own folder in it.
    if (!CreateFolder(base)) {
        return {};
    }
    const std::string folder = base + "/Quorvane";
    return UsePrivateFolder(folder) ? folder : std::string();
}

UniqueFd OpenPrivateFile(const std::string& path, PrivateOpen mode) {
    if (!UsePrivateFolder(ParentOf(path))) {
        return UniqueFd();
    }
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY |
                      (mode == PrivateOpen::Append ? O_APPEND : 0);
    UniqueFd fd(::open(path.c_str(), flags, 0600));
    if (!fd) {
        return fd;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        errno = EPERM;
        return UniqueFd();
    }
    if (mode == PrivateOpen::Truncate && ::ftruncate(fd.Get(), 0) != 0) {
        return UniqueFd();
    }
    return fd;
}

} // namespace platform
