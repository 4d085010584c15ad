#include "platform/Paths.h"
#include "platform/InstanceLock.h"

#include "common/TestEnv.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (m_had) {
            m_old = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_had) {
            ::setenv(m_name, m_old.c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

} // namespace

TEST(InstanceLock, OneHolderAtATimeAndFreedWithItsHolder) {
    auto first = platform::InstanceLock::TryAcquire("lock-test");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Path(),
              std::string(std::getenv("XDG_RUNTIME_DIR")) + "/Quorvane/lock-test.lock");
    EXPECT_EQ(platform::InstanceLock::TryAcquire("lock-test"), nullptr);
    EXPECT_NE(platform::InstanceLock::TryAcquire("other-name"), nullptr);
    first.reset();
    EXPECT_NE(platform::InstanceLock::TryAcquire("lock-test"), nullptr);
}

TEST(Paths, FoldersFollowTheEnvironment) {
    const std::string root = twtest::PrivateRoot();
    EXPECT_EQ(platform::TempFolder(), root + "/tmp");
    EXPECT_EQ(platform::ConfigHome(), root + "/config");
    EXPECT_EQ(platform::SystemConfigFolder(), root + "/etc-xdg");
    EXPECT_EQ(platform::AppDataFolder(), root + "/data");
    EXPECT_EQ(platform::RuntimeFolder(), root + "/runtime");
    {
        ScopedEnv dirs("XDG_CONFIG_DIRS", "/first/dir/:/second");
        EXPECT_EQ(platform::SystemConfigFolder(), "/first/dir");
    }
    {
        ScopedEnv home("HOME", "/home/someone/");
        ScopedEnv config("XDG_CONFIG_HOME", nullptr);
        ScopedEnv data("XDG_DATA_HOME", "");
        ScopedEnv dirs("XDG_CONFIG_DIRS", nullptr);
        EXPECT_EQ(platform::ConfigHome(), "/home/someone/.config");
        EXPECT_EQ(platform::AppDataFolder(), "/home/someone/.local/share");
        EXPECT_EQ(platform::SystemConfigFolder(), "/etc/xdg");
    }
}

TEST(Paths, UserFoldersFromUserDirsFile) {
    twtest::WriteFile(platform::ConfigHome() + "/user-dirs.dirs",
                      "# written by xdg-user-dirs-update\n"
                      "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n"
                      "  XDG_MUSIC_DIR=\"/srv/music/\"\n"
                      "XDG_VIDEOS_DIR=\"$HOME/Videos\"\n");
    EXPECT_EQ(platform::UserFolder("PICTURES"), platform::HomeFolder() + "/Pictures");
    EXPECT_EQ(platform::UserFolder("MUSIC"), "/srv/music");
    EXPECT_EQ(platform::UserFolder("VIDEOS"), platform::HomeFolder() + "/Videos");
    EXPECT_EQ(platform::UserFolder("DOCUMENTS"), "");
    std::filesystem::remove(platform::ConfigHome() + "/user-dirs.dirs");
    EXPECT_EQ(platform::UserFolder("PICTURES"), "");
}

TEST(Paths, ProgramFolderIsTheExecutablesFolder) {
    EXPECT_EQ(platform::ProgramFolder(), twtest::BinDir());
    EXPECT_EQ(platform::ToNativePath("a\\b\\c.dat"), "a/b/c.dat");
}

TEST(Paths, CreateFolderMakesPrivateParents) {
    std::string base = twtest::MakeTempDir("paths-mk");
    std::string deep = base + "/one/two/three";
    ASSERT_TRUE(platform::CreateFolder(deep));
    struct stat st {};
    ASSERT_EQ(::stat(deep.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(platform::CreateFolder(deep)) << "an existing folder is fine";
    twtest::WriteFile(base + "/file", "x");
    EXPECT_FALSE(platform::CreateFolder(base + "/file")) << "a file is not a folder";
}

TEST(Paths, WriteFileAtomicReplacesWholeFileOrNothing) {
    std::string dir = twtest::MakeTempDir("paths-atomic");
    std::string path = dir + "/data.bin";
    std::string big(1 << 20, 'x');
    ASSERT_TRUE(platform::WriteFileAtomic(path, big));
    EXPECT_EQ(twtest::ReadFile(path), big);
    ASSERT_TRUE(platform::WriteFileAtomic(path, "small"));
    EXPECT_EQ(twtest::ReadFile(path), "small");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary files are left behind.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    // A folder that cannot be written fails and leaves the old file whole.
    if (::getuid() != 0) {
        ::chmod(dir.c_str(), 0500);
        EXPECT_FALSE(platform::WriteFileAtomic(path, "lost"));
        ::chmod(dir.c_str(), 0700);
        EXPECT_EQ(twtest::ReadFile(path), "small");
    }
    EXPECT_FALSE(platform::WriteFileAtomic(dir + "/missing/sub/file", "x"));
}
