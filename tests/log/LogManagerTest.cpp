#include "log/LogManager.h"

#include "common/TestEnv.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& content) {
    // Every line starts with "\r\n": split on it and drop the empty head.
    std::vector<std::string> lines;
    size_t pos = 0;
    EXPECT_EQ(content.compare(0, 2, "\r\n"), 0) << "file must begin with a line break";
    while (pos < content.size()) {
        size_t start = pos + 2;
        size_t next = content.find("\r\n", start);
        lines.push_back(
            content.substr(start, next == std::string::npos ? std::string::npos : next - start));
        pos = next == std::string::npos ? content.size() : next;
    }
    return lines;
}

std::string LogPath(const std::string& folder) {
    return folder + "/Quorvane/TWD.log";
}

} // namespace

TEST(LogManager, LineFormatAndBanners) {
    std::string dir = twtest::MakeTempDir("log-format");
    {
        CLogManager log(dir);
        ASSERT_TRUE(log.IsOpen());
        log.Log("CTest::Method", "hello world", LOG_CAT_DATA, LOG_SEV_ERROR);
        log.Log("CTest::Info", "info line", LOG_CAT_CORE, LOG_SEV_INFO);
    }
    std::string content = twtest::ReadFile(LogPath(dir));
    ASSERT_FALSE(content.empty());
    EXPECT_NE(content.substr(content.size() - 2), "\r\n") << "no line break after the last line";
    auto lines = Lines(content);
    ASSERT_EQ(lines.size(), 4u);
    std::regex head(R"(^(\d) \| \d{2}:\d{2}:\d{2}_\d{3} \| 0x[0-9a-f]{8} \| (.*)$)");
    for (const auto& l : lines) {
        EXPECT_TRUE(std::regex_match(l, head)) << l;
    }
    EXPECT_NE(lines[0].find("| [File IO] | [********************** LOG SESSION STARTED "
                            "*********************]"),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 1), "]") << "empty text leaves no trailing blank";
    EXPECT_EQ(lines[1].substr(0, 4), "1 | ");
    EXPECT_NE(lines[1].find("| [Data] | [CTest::Method] hello world"), std::string::npos);
    EXPECT_EQ(lines[2].substr(0, 4), "3 | ");
    EXPECT_NE(lines[2].find("[Core] | [CTest::Info] info line"), std::string::npos);
    EXPECT_NE(lines[3].find("LOG SESSION ENDED"), std::string::npos);

    // The thread id is this thread's, zero-filled to eight lower-case hex digits.
    char tid[16];
    std::snprintf(tid, sizeof tid, "0x%08x", static_cast<unsigned>(::syscall(SYS_gettid)));
    EXPECT_NE(lines[1].find(tid), std::string::npos);
}

TEST(LogManager, SeverityAndFileLevels) {
    struct Case {
        int fileLevel; // 0 stands for "not set"
        bool sev0, sev1, sev2;
    };
    const Case cases[] = {
        {0, true, true, true},  {5, true, true, true}, {1, false, false, true},
        {3, false, true, true}, {4, true, true, true},
    };
    for (const Case& c : cases) {
        std::string dir = twtest::MakeTempDir("log-level");
        {
            CLogManager log(dir);
            log.SetMinimumSeverity(LOG_SEV_TRACE);
            log.SetFileLevel(c.fileLevel == 0 ? nullptr : &c.fileLevel);
            log.Log("F", "sev0", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
            log.Log("F", "sev1", LOG_CAT_APPLICATION, LOG_SEV_INFO);
            log.Log("F", "sev2", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        }
        std::string content = twtest::ReadFile(LogPath(dir));
        EXPECT_EQ(content.find("] sev0") != std::string::npos, c.sev0) << c.fileLevel;
        EXPECT_EQ(content.find("] sev1") != std::string::npos, c.sev1) << c.fileLevel;
        EXPECT_EQ(content.find("] sev2") != std::string::npos, c.sev2) << c.fileLevel;
    }
    // The minimum severity starts at 1: trace lines are dropped until it is lowered.
    std::string dir = twtest::MakeTempDir("log-minsev");
    {
        CLogManager log(dir);
        log.Log("F", "trace", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
        log.Log("F", "shown", LOG_CAT_APPLICATION, LOG_SEV_INFO);
    }
    std::string content = twtest::ReadFile(LogPath(dir));
    EXPECT_EQ(content.find("trace"), std::string::npos);
    EXPECT_NE(content.find("shown"), std::string::npos);
}

TEST(LogManager, CategoriesAndTrimming) {
    std::string dir = twtest::MakeTempDir("log-cat");
    {
        CLogManager log(dir);
        const char* names[] = {"GUI",     "Language", "Registry", "Core", "Application",
                               "File IO", "Data",     "WAB",      "OE",   "Not defined"};
        for (int i = 0; i <= 9; ++i) {
            log.Log("Cat", std::string("c") + std::to_string(i), static_cast<LogCategory>(i),
                    LOG_SEV_ERROR);
        }
        log.Log("Cat", "c-1", static_cast<LogCategory>(-1), LOG_SEV_ERROR);
        log.Log("Trim", "  leading kept \t \r\n\n ", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        std::string content = twtest::ReadFile(LogPath(dir));
        for (int i = 0; i <= 9; ++i) {
            std::string expect = std::string("[") + names[i] + "] | [Cat] c" + std::to_string(i);
            EXPECT_NE(content.find(expect), std::string::npos) << expect;
        }
        EXPECT_NE(content.find("[Not defined] | [Cat] c-1"), std::string::npos);
        const std::string tail = "[Trim]   leading kept";
        ASSERT_GE(content.size(), tail.size());
        EXPECT_EQ(content.substr(content.size() - tail.size()), tail);
    }
}

TEST(LogManager, RotationKeepsExactlyOneEarlierRun) {
    std::string dir = twtest::MakeTempDir("log-rotate");
    {
        CLogManager log(dir);
        log.Log("Run", "first run", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    {
        CLogManager log(dir);
        log.Log("Run", "second run", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    std::string cur = twtest::ReadFile(LogPath(dir));
    std::string old = twtest::ReadFile(dir + "/Quorvane/TWD.old");
    EXPECT_NE(cur.find("second run"), std::string::npos);
    EXPECT_EQ(cur.find("first run"), std::string::npos);
    EXPECT_NE(old.find("first run"), std::string::npos);

    // A run whose log stayed empty does not replace the old log.
    std::string empty = twtest::MakeTempDir("log-rotate-empty");
    std::filesystem::create_directories(empty + "/Quorvane");
    twtest::WriteFile(empty + "/Quorvane/TWD.old", "older");
    twtest::WriteFile(empty + "/Quorvane/TWD.log", "");
    { CLogManager log(empty); }
    EXPECT_EQ(twtest::ReadFile(empty + "/Quorvane/TWD.old"), "older");
}

TEST(LogManager, AHugeEarlierLogRotatesWithoutReadingItIntoMemory) {
    // A sparse earlier log far larger than any memory: reading it whole cannot work.
    std::string dir = twtest::MakeTempDir("log-huge");
    std::filesystem::create_directories(dir + "/Quorvane");
    const std::string path = LogPath(dir);
    twtest::WriteFile(path, "\r\nfirst line");
    const off_t huge = off_t{2} << 40;
    if (::truncate(path.c_str(), huge) != 0) {
        GTEST_SKIP() << "the test folder's file system has no 2 TiB sparse files";
    }
    {
        CLogManager log(dir);
        EXPECT_TRUE(log.IsOpen());
        log.Log("Run", "after the huge one", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/Quorvane/TWD.old").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, huge);
    EXPECT_NE(twtest::ReadFile(path).find("after the huge one"), std::string::npos);
    std::FILE* old = std::fopen((dir + "/Quorvane/TWD.old").c_str(), "rb");
    ASSERT_NE(old, nullptr);
    char head[13] = {};
    EXPECT_EQ(std::fread(head, 1, 12, old), 12u);
    std::fclose(old);
    EXPECT_STREQ(head, "\r\nfirst line");
}

TEST(LogManager, SystemErrorText) {
    errno = ENOENT;
    std::string text = CLogManager::FormatSystemError("Could not open");
    EXPECT_EQ(text, "Could not open\nGetLastError() reports:\nNo such file or directory\n"
                    "Error code: 2");
    EXPECT_EQ(errno, ENOENT) << "formatting keeps the error number";

    std::string dir = twtest::MakeTempDir("log-syserr");
    {
        CLogManager log(dir);
        errno = EACCES;
        log.Log("Sys", "failed", LOG_CAT_APPLICATION, LOG_SEV_ERROR, true);
    }
    std::string content = twtest::ReadFile(LogPath(dir));
    EXPECT_NE(content.find("[Sys] failed\nGetLastError() reports:\nPermission denied\nError "
                           "code: 13"),
              std::string::npos);
}

TEST(LogManager, CreatesMissingFoldersWithPrivateMode) {
    std::string dir = twtest::MakeTempDir("log-mk") + "/not/yet/there";
    {
        CLogManager log(dir);
        EXPECT_TRUE(log.IsOpen());
    }
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/Quorvane").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(LogPath(dir).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
}

TEST(LogManager, RefusesLinkedFolderOrFile) {
    std::string dir = twtest::MakeTempDir("log-link");
    std::string target = twtest::MakeTempDir("log-link-target");
    ASSERT_EQ(::symlink(target.c_str(), (dir + "/Quorvane").c_str()), 0);
    {
        CLogManager log(dir);
        EXPECT_FALSE(log.IsOpen());
        log.Log("X", "must not appear", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    EXPECT_TRUE(std::filesystem::is_empty(target));

    std::string dir2 = twtest::MakeTempDir("log-filelink");
    std::filesystem::create_directories(dir2 + "/Quorvane");
    std::string victim = dir2 + "/victim.txt";
    twtest::WriteFile(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), LogPath(dir2).c_str()), 0);
    {
        CLogManager log(dir2);
        EXPECT_FALSE(log.IsOpen());
    }
    EXPECT_EQ(twtest::ReadFile(victim), "precious");
}

TEST(LogManager, SecondProcessRunsWithoutLogAndDoesNotRotate) {
    std::string dir = twtest::MakeTempDir("log-excl");
    CLogManager first(dir);
    ASSERT_TRUE(first.IsOpen());
    first.Log("First", "owned by first", LOG_CAT_APPLICATION, LOG_SEV_ERROR);

    std::string cmd = "echo | " + twtest::BinDir() + "/log_child " + dir;
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[64] = {0};
    ASSERT_NE(std::fgets(buf, sizeof buf, p), nullptr);
    ::pclose(p);
    EXPECT_STREQ(buf, "closed\n");

    first.Log("First", "still mine", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    std::string content = twtest::ReadFile(LogPath(dir));
    EXPECT_NE(content.find("owned by first"), std::string::npos);
    EXPECT_NE(content.find("still mine"), std::string::npos);
    EXPECT_EQ(content.find("child line"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/Quorvane/TWD.old"));
}

TEST(LogManager, LinesFromManyThreadsNeverInterleave) {
    std::string dir = twtest::MakeTempDir("log-threads");
    const int threads = 8, perThread = 500;
    {
        CLogManager log(dir);
        std::vector<std::thread> pool;
        for (int t = 0; t < threads; ++t) {
            pool.emplace_back([&log, t] {
                std::string payload(100, static_cast<char>('a' + t));
                for (int i = 0; i < perThread; ++i) {
                    log.Log("Thread", payload, LOG_CAT_APPLICATION, LOG_SEV_ERROR);
                }
            });
        }
        for (auto& th : pool) {
            th.join();
        }
    }
    auto lines = Lines(twtest::ReadFile(LogPath(dir)));
    ASSERT_EQ(lines.size(), static_cast<size_t>(threads * perThread + 2));
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& l = lines[i];
        size_t at = l.find("[Thread] ");
        ASSERT_NE(at, std::string::npos) << l;
        std::string payload = l.substr(at + 9);
        ASSERT_EQ(payload.size(), 100u) << l;
        EXPECT_EQ(payload, std::string(100, payload[0]));
    }
}

TEST(LogManager, ProcessLogLivesInTemporaryFolder) {
    CLogManager& log = CLogManager::Instance();
    ASSERT_TRUE(log.IsOpen());
    EXPECT_EQ(log.FilePath(), std::string(std::getenv("TMPDIR")) + "/Quorvane/TWD.log");
    Log("Process::Log", "through the shorthand", LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    EXPECT_NE(twtest::ReadFile(log.FilePath()).find("through the shorthand"), std::string::npos);
}
