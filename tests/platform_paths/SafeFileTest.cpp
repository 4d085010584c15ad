// The shared-folder rule: links planted by another user are never followed and another user's
// folder is never written into.
#include "platform/SafeFile.h"
#include "common/TestEnv.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::PrivateOpen;

TEST(SafeFile, APlantedLinkIsNotFollowed) {
    const std::string folder = twtest::MakeTempDir("safe");
    ::chmod(folder.c_str(), 0700);
    const std::string victim = twtest::MakeTempDir("victim") + "/precious.txt";
    twtest::WriteFile(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), (folder + "/language.log").c_str()), 0);

    for (PrivateOpen mode : {PrivateOpen::Append, PrivateOpen::Truncate}) {
        EXPECT_FALSE(platform::OpenPrivateFile(folder + "/language.log", mode).IsValid());
    }
    EXPECT_EQ(twtest::ReadFile(victim), "precious");
}

TEST(SafeFile, OwnFilesOpenAndTruncateOnlyWhenAsked) {
    const std::string folder = twtest::MakeTempDir("own");
    ::chmod(folder.c_str(), 0755);
    const std::string path = folder + "/branding.log";
    twtest::WriteFile(path, "old");
    {
        platform::UniqueFd fd = platform::OpenPrivateFile(path, PrivateOpen::Append);
        ASSERT_TRUE(fd.IsValid());
        ASSERT_TRUE(platform::WriteAll(fd.Get(), "+new", 4));
    }
    EXPECT_EQ(twtest::ReadFile(path), "old+new");
    EXPECT_TRUE(platform::OpenPrivateFile(path, PrivateOpen::Truncate).IsValid());
    EXPECT_EQ(twtest::ReadFile(path), "");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "a folder of ours is narrowed to 0700";
}

TEST(SafeFile, AFolderThatIsALinkIsRefused) {
    const std::string real = twtest::MakeTempDir("real");
    const std::string link = twtest::PrivateRoot() + "/linked-folder";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    EXPECT_FALSE(platform::UsePrivateFolder(link));
    EXPECT_FALSE(platform::OpenPrivateFile(link + "/x.log", PrivateOpen::Append).IsValid());
}

TEST(SafeFile, AnotherUsersTemporaryFolderIsRefused) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs a second user id (runs as root in CI)";
    }
    const std::string folder = platform::TempFolder() + "/Quorvane";
    ASSERT_TRUE(platform::CreateFolder(folder));
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(platform::PrivateTempFolder(), "");
    EXPECT_FALSE(platform::OpenPrivateFile(folder + "/TWD.log", PrivateOpen::Append).IsValid());
    ASSERT_EQ(::chown(folder.c_str(), 0, 0), 0);
    EXPECT_EQ(platform::PrivateTempFolder(), folder);
}

TEST(SafeFile, SparseCopyKeepsDataAndSize) {
    const std::string folder = twtest::MakeTempDir("sparse");
    const std::string from = folder + "/from";
    twtest::WriteFile(from, "head");
    {
        platform::UniqueFd fd(::open(from.c_str(), O_WRONLY | O_CLOEXEC));
        ASSERT_EQ(::pwrite(fd.Get(), "tail", 4, 5'000'000), 4);
    }
    platform::UniqueFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(platform::WriteFileAtomicFrom(
        folder + "/to", [&](int to) { return platform::CopyFromStart(source.Get(), to); }));
    EXPECT_EQ(twtest::ReadFile(folder + "/to"), twtest::ReadFile(from));
}

} // namespace
