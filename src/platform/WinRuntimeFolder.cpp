#include "platform/WinRuntimeFolder.h"

#include "platform/Diagnostics.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace win::detail {

void WinRuntimeFolder::ReportOnce(const char* location, const std::string& message) {
    static std::mutex* mutex = new std::mutex;
    static std::set<std::string>* reported = new std::set<std::string>;
    {
        std::lock_guard<std::mutex> lock(*mutex);
        if (!reported->insert(message).second) {
            return;
        }
    }
    platform::ReportDiagnostic(location, message, platform::DiagnosticLevel::Error);
}

std::string WinRuntimeFolder::Path() {
    const std::string base = platform::RuntimeFolder();
    const std::string dir = base + "/Quorvane";
    const uid_t me = ::geteuid();

    // The parent must not let another user replace our folder.
    struct stat st {};
    if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        ReportOnce("win::RuntimeFolder", "Runtime folder " + base + " is not available");
        return std::string();
    }
    if ((st.st_uid != me && st.st_uid != 0) ||
        ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)) {
        ReportOnce("win::RuntimeFolder", "Refusing runtime folder " + base +
                                             ": not owned by the user or writable by others");
        return std::string();
    }

    if (::mkdir(dir.c_str(), 0700) == 0) {
        // The umask may have taken bits away; the folder must be exactly 0700.
        ::chmod(dir.c_str(), 0700);
    } else if (errno != EEXIST) {
        ReportOnce("win::RuntimeFolder", "Cannot create " + dir + ": " + std::strerror(errno));
        return std::string();
    }
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        ReportOnce("win::RuntimeFolder", "Refusing runtime folder " + dir + ": not a folder");
        return std::string();
    }
    if (st.st_uid != me) {
        ReportOnce("win::RuntimeFolder", "Refusing runtime folder " + dir + ": owned by user " +
                                             std::to_string(st.st_uid));
        return std::string();
    }
    if ((st.st_mode & 07777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        ReportOnce("win::RuntimeFolder",
                   "Refusing runtime folder " + dir + ": mode " + mode + " instead of 0700");
        return std::string();
    }
    return dir;
}

} // namespace win::detail
