// Concurrent writers, in threads and in processes, never lose each other's values.
#include "common/TestEnv.h"
#include "platform/Registry.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using platform::RegKey;
using platform::RegRoot;

namespace {

void ResetUserHive() {
    std::filesystem::remove_all(
        std::filesystem::path(platform::RegHivePath(RegRoot::CurrentUser)).parent_path());
}

pid_t StartWriter(const std::string& prefix, int count) {
    std::string program = twtest::BinDir() + "/twreg_writer";
    std::string countText = std::to_string(count);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "TW_TEST_INHERIT_ROOT=", 21) != 0) {
            env.emplace_back(*e);
        }
    }
    env.push_back("TW_TEST_INHERIT_ROOT=" + twtest::PrivateRoot());
    std::vector<char*> envp;
    for (std::string& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::string p = prefix;
    char* argv[] = {program.data(), p.data(), countText.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        return -1;
    }
    return pid;
}

} // namespace

TEST(RegistryConcurrencyTest, ThreadsWritingOneHiveLoseNothing) {
    ResetUserHive();
    constexpr int kThreads = 4;
    constexpr int kValues = 25;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            RegKey key;
            if (!key.Create(RegRoot::CurrentUser, "Software\\Race")) {
                ++failures;
                return;
            }
            for (int i = 0; i < kValues; ++i) {
                if (!key.SetDWORD("t" + std::to_string(t) + "_" + std::to_string(i),
                                  static_cast<std::uint32_t>(i)) ||
                    key.QueryDWORD("t" + std::to_string(t) + "_" + std::to_string(i)) !=
                        static_cast<std::uint32_t>(i)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures.load(), 0);
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "Software\\Race"));
    EXPECT_EQ(key.ValueNames().size(), static_cast<size_t>(kThreads * kValues));
}

TEST(RegistryConcurrencyTest, ProcessesWritingOneHiveLoseNothing) {
    ResetUserHive();
    constexpr int kProcesses = 3;
    constexpr int kValues = 20;
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = StartWriter("p" + std::to_string(p) + "_", kValues);
        ASSERT_GT(pid, 0);
        pids.push_back(pid);
    }
    // This process writes at the same time.
    RegKey mine;
    ASSERT_TRUE(mine.Create(RegRoot::CurrentUser, "Software\\Race"));
    for (int i = 0; i < kValues; ++i) {
        ASSERT_TRUE(mine.SetString("self_" + std::to_string(i), std::to_string(i)));
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "Software\\Race"));
    EXPECT_EQ(key.ValueNames().size(), static_cast<size_t>((kProcesses + 1) * kValues));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kValues; ++i) {
            EXPECT_EQ(key.QueryDWORD("P" + std::to_string(p) + "_" + std::to_string(i)),
                      static_cast<std::uint32_t>(i));
        }
    }
}
