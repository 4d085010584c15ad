#include "platform/Paths.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
        return value;
    }
    return fallback;
}

std::string StripTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Expands "$HOME/..." and a leading "~" in a user-dirs.dirs value.
std::string ExpandHome(const std::string& value) {
    if (value.rfind("$HOME", 0) == 0) {
        return HomeFolder() + value.substr(5);
    }
    if (value.rfind("~", 0) == 0) {
        return HomeFolder() + value.substr(1);
    }
    return value;
}

} // namespace

std::string TempFolder() {
    std::error_code ec;
    fs::path p = fs::temp_directory_path(ec);
    if (ec) {
        return "/tmp";
    }
    return StripTrailingSlash(p.string());
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return StripTrailingSlash(home);
    }
    struct passwd pwd {};
    struct passwd* result = nullptr;
    char buf[4096];
    if (::getpwuid_r(::getuid(), &pwd, buf, sizeof buf, &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr) {
        return StripTrailingSlash(result->pw_dir);
    }
    return "/";
}

std::string ConfigHome() {
    return StripTrailingSlash(EnvOr("XDG_CONFIG_HOME", HomeFolder() + "/.config"));
}

std::string SystemConfigFolder() {
    std::string dirs = EnvOr("XDG_CONFIG_DIRS", "/etc/xdg");
    std::string first = dirs.substr(0, dirs.find(':'));
    return first.empty() ? std::string("/etc/xdg") : StripTrailingSlash(first);
}

std::string AppDataFolder() {
    return StripTrailingSlash(EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share"));
}

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return StripTrailingSlash(runtime);
    }
    std::string fallback = TempFolder() + "/tidewell-runtime-" + std::to_string(::getuid());
    ::mkdir(fallback.c_str(), 0700);
    return fallback;
}

std::string UserFolder(const std::string& kind) {
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_" + kind + "_DIR=";
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        if (line.compare(start, key.size(), key) != 0) {
            continue;
        }
        std::string value = line.substr(start + key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        return StripTrailingSlash(ExpandHome(value));
    }
    return std::string();
}

std::string ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return ".";
    }
    return exe.parent_path().string();
}

std::string ToNativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

bool CreateFolder(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        CreateFolder(path.substr(0, slash));
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyFromStart(int from, int to) {
    struct stat st {};
    if (::fstat(from, &st) != 0) {
        return false;
    }
    const off_t size = st.st_size;
    char chunk[64 * 1024];
    off_t offset = 0;
    while (offset < size) {
        // Holes are skipped and left as holes: a sparse file copies in the time of its data.
        off_t data = ::lseek(from, offset, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) {
                break; // only a hole up to the end
            }
            data = offset; // no hole support: copy everything
        }
        off_t hole = ::lseek(from, data, SEEK_HOLE);
        if (hole < 0) {
            hole = size;
        }
        for (offset = data; offset < hole;) {
            const auto want =
                static_cast<std::size_t>(std::min<off_t>(hole - offset, sizeof chunk));
            const ssize_t n = ::pread(from, chunk, want, offset);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return n == 0; // the file shrank while being copied: what was there is kept
            }
            for (ssize_t done = 0; done < n;) {
                const ssize_t w =
                    ::pwrite(to, chunk + done, static_cast<std::size_t>(n - done), offset + done);
                if (w < 0 && errno != EINTR) {
                    return false;
                }
                done += w < 0 ? 0 : w;
            }
            offset += n;
        }
    }
    return ::ftruncate(to, size) == 0;
}

namespace {

// The temporary file of an atomic write: removed unless it was renamed into place.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : m_path(std::move(path)) {}
    ~TempFileGuard() {
        if (!m_kept) {
            const int saved = errno;
            ::unlink(m_path.c_str());
            errno = saved;
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

} // namespace

bool WriteFileAtomicFrom(const std::string& path, const std::function<bool(int fd)>& fill) {
    std::string folder = ".";
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) {
        folder = slash == 0 ? "/" : path.substr(0, slash);
    }
    std::string tmp = path + ".tmp-XXXXXX";
    UniqueFd fd(::mkstemp(tmp.data()));
    if (!fd) {
        return false;
    }
    TempFileGuard guard(tmp);
    ::fchmod(fd.Get(), 0600);
    if (!fill(fd.Get()) || ::fsync(fd.Get()) != 0 || ::close(fd.Release()) != 0 ||
        ::rename(tmp.c_str(), path.c_str()) != 0) {
        return false;
    }
    guard.Keep();
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.Get());
    }
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
    return WriteFileAtomicFrom(
        path, [&bytes](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

} // namespace platform
