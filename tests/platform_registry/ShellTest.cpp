// Which texts the shell-open call hands on, and which it refuses. xdg-open is never started.
#include "platform/Shell.h"
#include "common/TestEnv.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_shell = std::make_shared<platform::RecordingShell>();
        platform::SetShellBackend(m_shell);
    }
    void TearDown() override { platform::SetShellBackend(nullptr); }
    std::shared_ptr<platform::RecordingShell> m_shell;
};

TEST_F(ShellTest, WebAndMailLinksAreOpened) {
    for (const char* url : {"http://example.org", "https://example.org/help/index.html?x=1#top",
                            "HTTPS://EXAMPLE.ORG", "mailto:someone@example.org"}) {
        EXPECT_TRUE(platform::ShellOpen(url)) << url;
    }
    EXPECT_EQ(m_shell->Opened().size(), 4u);
    EXPECT_EQ(m_shell->Opened()[0], "http://example.org");
}

TEST_F(ShellTest, EverythingElseIsRefused) {
    const std::vector<std::string> refused = {
        "",
        "http://",
        "https:///etc/passwd",
        "http://exa mple.org",
        "http://example.org/\nrm -rf /",
        std::string("http://example.org/\0x", 20),
        "http://example.org/\x1b[31m",
        "mailto:",
        "file:///etc/passwd",
        "javascript:alert(1)",
        "ftp://example.org",
        "smb://server/share",
        "--help",
        "/no/such/file",
        "relative-missing.txt",
    };
    for (const std::string& t : refused) {
        EXPECT_FALSE(platform::ShellOpen(t)) << t;
        EXPECT_EQ(platform::ShellOpenTarget(t), "") << t;
    }
    EXPECT_TRUE(m_shell->Opened().empty());
}

TEST_F(ShellTest, ExistingFilesAreOpenedByAbsolutePath) {
    std::string dir = twtest::MakeTempDir("shell");
    std::string file = dir + "/-page.html";
    twtest::WriteFile(file, "<html></html>");
    EXPECT_TRUE(platform::ShellOpen(file));
    EXPECT_TRUE(platform::ShellOpen(dir));
    // The system builds some paths with "\" separators.
    std::string windowsStyle = file;
    std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
    EXPECT_TRUE(platform::ShellOpen(windowsStyle));
    // A relative name is made absolute, so that "-page.html" can never read as an option.
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    EXPECT_TRUE(platform::ShellOpen("-page.html"));
    std::filesystem::current_path(before);
    auto opened = m_shell->Opened();
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], std::filesystem::canonical(file).string());
    EXPECT_EQ(opened[2], opened[0]);
    EXPECT_EQ(opened[3], opened[0]);
}

TEST_F(ShellTest, BackendFailureIsReported) {
    platform::SetShellBackend(std::make_shared<platform::RecordingShell>(false));
    EXPECT_FALSE(platform::ShellOpen("https://example.org"));
}
