// Test main: every test process runs in private folders so that no test ever touches the
// user's real hives, data folder, log or runtime folder. A child process started by a test
// (TW_TEST_INHERIT_ROOT set) keeps the folders of its parent.
#include "common/TestEnv.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    const char* inherit = std::getenv("TW_TEST_INHERIT_ROOT");
    if (inherit != nullptr && *inherit != '\0') {
        twtest::UsePrivateFolders(inherit);
    } else {
        const char* base = std::getenv("TW_TEST_BASE");
        std::string root =
            std::string(base != nullptr ? base : "/tmp") + "/twtest-" + std::to_string(::getpid());
        std::filesystem::remove_all(root);
        twtest::UsePrivateFolders(root);
    }
    // Tests may move to sub-folders of the root; the whole root goes at the end.
    const std::string root = twtest::PrivateRoot();
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    if (inherit == nullptr && std::getenv("TW_TEST_KEEP") == nullptr) {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    return rc;
}
