#include "common/TestEnv.h"

#include "common/FuzzSeed.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace twtest {

namespace {
std::string& Root() {
    static std::string root;
    return root;
}
} // namespace

const std::string& PrivateRoot() {
    return Root();
}

void UsePrivateFolders(const std::string& root) {
    fs::create_directories(root);
    Root() = root;
    const char* subs[] = {"home", "tmp", "config", "etc-xdg", "data", "runtime"};
    for (const char* s : subs) {
        fs::create_directories(root + "/" + s);
    }
    ::chmod((root + "/runtime").c_str(), 0700);
    ::setenv("HOME", (root + "/home").c_str(), 1);
    ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root + "/etc-xdg").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    // Never reach a real display or session bus from a test.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

std::string MakeTempDir(const std::string& prefix) {
    static std::atomic<int> counter{0};
    std::string path = PrivateRoot() + "/" + prefix + "-" + std::to_string(counter++);
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

std::string BinDir() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path().string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    SaveFuzzSeedForFile(path, bytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::size_t CountInFile(const std::string& path, const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    const std::string content = ReadFile(path);
    std::size_t count = 0;
    for (std::size_t at = content.find(text); at != std::string::npos;
         at = content.find(text, at + text.size())) {
        ++count;
    }
    return count;
}

} // namespace twtest
