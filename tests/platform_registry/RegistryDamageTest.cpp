// Damaged, truncated and random hive files: skipped lines are reported, the rest is read,
// nothing crashes and a later write keeps every readable value.
#include "common/TestEnv.h"
#include "platform/Diagnostics.h"
#include "platform/Registry.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <random>

using platform::RegKey;
using platform::RegRoot;

namespace {

std::mutex g_reportLock;
std::vector<std::string> g_reports;

void CollectReport(const char* /*location*/, const std::string& message,
                   platform::DiagnosticLevel /*level*/) {
    std::lock_guard<std::mutex> guard(g_reportLock);
    g_reports.push_back(message);
}

class RegistryDamageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = platform::RegHivePath(RegRoot::CurrentUser);
        std::filesystem::remove_all(std::filesystem::path(m_path).parent_path());
        std::filesystem::create_directories(std::filesystem::path(m_path).parent_path());
        platform::SetDiagnosticSink(&CollectReport);
        std::lock_guard<std::mutex> guard(g_reportLock);
        g_reports.clear();
    }
    void TearDown() override { platform::SetDiagnosticSink(nullptr); }

    size_t Reports() {
        std::lock_guard<std::mutex> guard(g_reportLock);
        return g_reports.size();
    }

    std::string m_path;
};

const char* const kGood = "REGEDIT4\n\n"
                          "[HKEY_CURRENT_USER\\Software\\T]\n"
                          "\"a\"=dword:00000001\n"
                          "\"b\"=\"bee\"\n"
                          "@=\"def\"\n"
                          "\n"
                          "[HKEY_CURRENT_USER\\Software\\T\\Sub]\n"
                          "\"c\"=\"see \\\"quoted\\\"\"\n"
                          "\"d\"=dword:0000abcd\n"
                          "\n";

} // namespace

TEST_F(RegistryDamageTest, DamagedLinesAreSkippedAndReported) {
    twtest::WriteFile(m_path, "not a header\n"
                              "\"orphan\"=\"no key\"\n"
                              "[HKEY_CURRENT_USER\\Software\\T]\n"
                              "\"ok1\"=dword:00000001\n"
                              "\"half\"=\"never clos\n"
                              "\"big\"=dword:123456789\n"
                              "\"nothex\"=dword:xyz\n"
                              "\"junk\"=\"x\" trailing\n"
                              "garbage line\n"
                              "\"del\"=-\n"
                              "\"ok2\"=\"two\"\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Wrong]\n"
                              "\"w\"=\"wrong hive\"\n"
                              "[-HKEY_CURRENT_USER\\Software\\T]\n"
                              "[HKEY_CURRENT_USER\\Software\\\\Empty]\n"
                              "[HKEY_CURRENT_USER\\Software\\Unclosed\n"
                              "[HKEY_CURRENT_USER\\Software\\T2]\n"
                              "\"ok3\"=dword:3\n");
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "Software\\T"));
    EXPECT_EQ(key.QueryDWORD("ok1"), 1u);
    EXPECT_EQ(key.QueryString("ok2"), "two");
    EXPECT_EQ(key.ValueNames(), (std::vector<std::string>{"ok1", "ok2"}));
    RegKey t2;
    ASSERT_TRUE(t2.Open(RegRoot::CurrentUser, "Software\\T2"));
    EXPECT_EQ(t2.QueryDWORD("ok3"), 3u);
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, "Software\\Wrong"));
    EXPECT_GE(Reports(), 11u);
    // Reported once per change of the file, not at every query.
    size_t reports = Reports();
    EXPECT_EQ(t2.QueryDWORD("ok3"), 3u);
    EXPECT_EQ(Reports(), reports);

    // A write keeps the readable values and the original bytes beside the hive.
    std::string original = twtest::ReadFile(m_path);
    RegKey w;
    ASSERT_TRUE(w.Create(RegRoot::CurrentUser, "Software\\T"));
    ASSERT_TRUE(w.SetDWORD("new", 9));
    EXPECT_EQ(twtest::ReadFile(m_path + ".damaged"), original);
    EXPECT_EQ(twtest::ReadFile(m_path), "REGEDIT4\n\n"
                                        "[HKEY_CURRENT_USER\\Software]\n\n"
                                        "[HKEY_CURRENT_USER\\Software\\T]\n"
                                        "\"ok1\"=dword:00000001\n"
                                        "\"ok2\"=\"two\"\n"
                                        "\"new\"=dword:00000009\n\n"
                                        "[HKEY_CURRENT_USER\\Software\\T2]\n"
                                        "\"ok3\"=dword:00000003\n\n");
}

TEST_F(RegistryDamageTest, EveryTruncationKeepsTheCompleteLines) {
    const std::string good = kGood;
    for (size_t cut = 0; cut <= good.size(); ++cut) {
        std::string part = good.substr(0, cut);
        twtest::WriteFile(m_path, part);
        // Every value whose line ended before the cut reads back.
        auto complete = [&](const char* line) {
            size_t at = part.find(line);
            return at != std::string::npos && at + std::strlen(line) <= part.size();
        };
        RegKey t;
        bool open = t.Open(RegRoot::CurrentUser, "Software\\T");
        EXPECT_EQ(open, cut >= good.find("[HKEY_CURRENT_USER\\Software\\T]") +
                                   std::strlen("[HKEY_CURRENT_USER\\Software\\T]"))
            << cut;
        if (complete("\"a\"=dword:00000001\n")) {
            EXPECT_EQ(t.QueryDWORD("a"), 1u) << cut;
        }
        if (complete("\"b\"=\"bee\"")) {
            EXPECT_EQ(t.QueryString("b"), "bee") << cut;
        } else {
            EXPECT_NE(t.QueryString("b"), "bee") << cut;
        }
        RegKey sub;
        if (complete("\"c\"=\"see \\\"quoted\\\"\"") &&
            sub.Open(RegRoot::CurrentUser, "Software\\T\\Sub")) {
            EXPECT_EQ(sub.QueryString("c"), "see \"quoted\"") << cut;
        }
        // A write on top of the truncated hive keeps what was readable.
        RegKey w;
        ASSERT_TRUE(w.Create(RegRoot::CurrentUser, "Software\\W"));
        ASSERT_TRUE(w.SetDWORD("x", static_cast<std::uint32_t>(cut)));
        if (complete("\"b\"=\"bee\"")) {
            EXPECT_EQ(t.QueryString("b"), "bee") << cut;
        }
        EXPECT_EQ(w.QueryDWORD("x"), cut) << cut;
    }
}

TEST_F(RegistryDamageTest, RandomBytesNeverCrash) {
    std::mt19937 rng(20261208);
    const std::string good = kGood;
    for (int round = 0; round < 150; ++round) {
        std::string bytes;
        if (round % 3 == 0) {
            // Pure noise.
            std::uniform_int_distribution<int> len(0, 600);
            std::uniform_int_distribution<int> byte(0, 255);
            bytes.resize(static_cast<size_t>(len(rng)));
            for (char& c : bytes) {
                c = static_cast<char>(byte(rng));
            }
        } else {
            // A good hive with a few bytes flipped, inserted or removed.
            bytes = good;
            std::uniform_int_distribution<size_t> at(0, bytes.size() - 1);
            std::uniform_int_distribution<int> byte(0, 255);
            const char specials[] = {'"', '\\', '\n', '[', ']', '=', '@', '\0', '\r', ':'};
            for (int i = 0; i < 4; ++i) {
                size_t p = at(rng) % bytes.size();
                char c = (i % 2 == 0) ? specials[static_cast<size_t>(byte(rng)) % sizeof specials]
                                      : static_cast<char>(byte(rng));
                switch (byte(rng) % 3) {
                case 0:
                    bytes[p] = c;
                    break;
                case 1:
                    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(p), c);
                    break;
                default:
                    bytes.erase(p, 1);
                }
            }
        }
        twtest::WriteFile(m_path, bytes);
        RegKey t;
        if (t.Open(RegRoot::CurrentUser, "Software\\T")) {
            (void)t.QueryDWORD("a");
            (void)t.QueryString("b");
            (void)t.SubKeyNames();
            (void)t.ValueNames();
        }
        RegKey w;
        ASSERT_TRUE(w.Create(RegRoot::CurrentUser, "Software\\T\\Sub"));
        ASSERT_TRUE(w.SetString("fuzz", std::to_string(round)));
        EXPECT_EQ(w.QueryString("fuzz"), std::to_string(round));
        // What was written reads back identically from a fresh parse of the new file.
        std::string rewritten = twtest::ReadFile(m_path);
        twtest::WriteFile(m_path + ".copy", rewritten);
        std::filesystem::rename(m_path + ".copy", m_path);
        EXPECT_EQ(w.QueryString("fuzz"), std::to_string(round));
        RegKey again;
        ASSERT_TRUE(again.Create(RegRoot::CurrentUser, "Software\\T\\Sub"));
        ASSERT_TRUE(again.SetString("fuzz", "x" + std::to_string(round)));
        ASSERT_TRUE(again.SetString("fuzz", std::to_string(round)));
        EXPECT_EQ(twtest::ReadFile(m_path), rewritten) << "a rewrite must be stable";
    }
}

TEST_F(RegistryDamageTest, UnreadableHiveIsNeverReplaced) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\T"));
    ASSERT_TRUE(key.SetDWORD("a", 1));
    // A folder in place of the hive file cannot be read: nothing may be written over it.
    std::filesystem::remove(m_path);
    std::filesystem::create_directories(m_path);
    EXPECT_FALSE(key.SetDWORD("a", 2));
    EXPECT_TRUE(std::filesystem::is_directory(m_path));
    EXPECT_EQ(key.QueryDWORD("a"), std::nullopt);
    std::filesystem::remove_all(m_path);
}

TEST(RegistryHiveText, RewrittenTextReadsBackWithoutDamage) {
    std::size_t damaged = 0;
    const std::string text =
        platform::RegRewriteHiveText(platform::RegRoot::CurrentUser,
                                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"N\"="
                                     "\"v\\\\1\"\r\n@=dword:0000000A\r\n"
                                     "junk\r\n[HKEY_LOCAL_MACHINE\\Other]\r\n\"x\"=\"y\"\r\n",
                                     &damaged);
    EXPECT_EQ(damaged, 2u);
    EXPECT_EQ(text,
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\A]\n"
              "@=dword:0000000a\n\"N\"=\"v\\\\1\"\n\n");
    EXPECT_EQ(platform::RegRewriteHiveText(platform::RegRoot::CurrentUser, text, &damaged), text);
    EXPECT_EQ(damaged, 0u);
}

TEST(RegistryHiveText, KeysNestAtMost512Deep) {
    // Adding a key adds its parents one level at a time: a key line nested 200,000 deep once
    // ran that many levels down the stack and crashed. It is a damaged line now.
    std::string deep;
    for (int i = 0; i < 200000; ++i) {
        deep += "k\\";
    }
    std::string deepest512;
    for (int i = 0; i < 511; ++i) {
        deepest512 += "k\\";
    }
    deepest512 += "k";
    std::size_t damaged = 0;
    const std::string text = platform::RegRewriteHiveText(
        platform::RegRoot::CurrentUser,
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + deep + "k]\n\"a\"=\"b\"\n\n[HKEY_CURRENT_USER\\" +
            deepest512 + "]\n\"c\"=dword:00000001\n",
        &damaged);
    EXPECT_EQ(damaged, 1u);
    EXPECT_NE(text.find(deepest512 + "]\n\"c\"=dword:00000001\n"), std::string::npos);
    EXPECT_EQ(text.find("\"a\""), std::string::npos);
}

TEST(RegistryHiveText, DeepPathsAreWrittenInTextThatGrowsWithTheirLength) {
    // Keys deeper down that only lead to the next key are left out: reading that key creates
    // them again. Keys near the top keep their own section.
    std::string path;
    for (int i = 0; i < 500; ++i) {
        path += (i == 0 ? "" : "\\") + std::string("name") + std::to_string(i % 10);
    }
    const std::string input = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + path + "]\n\"v\"=\"1\"\n\n";
    std::size_t damaged = 0;
    const std::string text =
        platform::RegRewriteHiveText(platform::RegRoot::CurrentUser, input, &damaged);
    EXPECT_EQ(damaged, 0u);
    EXPECT_LT(text.size(), 2 * input.size());
    EXPECT_NE(
        text.find("[HKEY_CURRENT_USER\\name0\\name1\\name2\\name3\\name4\\name5\\name6\\name7]"
                  "\n\n"),
        std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\" + path + "]\n\"v\"=\"1\"\n"), std::string::npos);
    EXPECT_EQ(platform::RegRewriteHiveText(platform::RegRoot::CurrentUser, text, &damaged), text);
    EXPECT_EQ(damaged, 0u);

    // A key that leads to one spelled otherwise keeps its section, or reading the deeper key
    // would give it the other spelling; so does a deep key that leads elsewhere.
    std::string upper;
    std::string lower;
    for (int i = 0; i < 12; ++i) {
        upper += "\\K" + std::to_string(i);
        lower += "\\k" + std::to_string(i);
    }
    const std::string mixed = "REGEDIT4\n\n[HKEY_CURRENT_USER" + upper + "]\n\n[HKEY_CURRENT_USER" +
                              lower + "\\Leaf]\n\n[HKEY_CURRENT_USER" + upper +
                              "\\Leaf\\More]\n\n[HKEY_CURRENT_USER\\Other]\n\n"
                              "[HKEY_CURRENT_USER" +
                              upper + "\\Leaf\\More\\Deepest]\n\n";
    const std::string kept =
        platform::RegRewriteHiveText(platform::RegRoot::CurrentUser, mixed, &damaged);
    EXPECT_NE(kept.find("[HKEY_CURRENT_USER" + upper + "]\n\n"), std::string::npos) << kept;
    EXPECT_NE(kept.find("[HKEY_CURRENT_USER" + lower + "\\Leaf]\n\n"), std::string::npos);
    EXPECT_NE(
        kept.find("[HKEY_CURRENT_USER" + upper + "\\Leaf\\More]\n\n[HKEY_CURRENT_USER\\Other]"),
        std::string::npos);
    EXPECT_EQ(platform::RegRewriteHiveText(platform::RegRoot::CurrentUser, kept, &damaged), kept);
}

TEST(RegistryHiveText, ALaterLineOfAValueReplacesItInKeysLargeAndSmall) {
    // Keys with many values are looked up by index, small ones by search: both keep the
    // first spelling of a name and the last data, also when a key line comes again.
    std::string input = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n";
    for (int i = 0; i < 40; ++i) {
        input += "\"v" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\n";
    }
    input += "[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=\"1\"\n\"X\"=\"2\"\n"
             "[HKEY_CURRENT_USER\\a]\n\"V5\"=\"five\"\n\"v40\"=\"40\"\n\"V40\"=dword:00000028\n"
             "[HKEY_CURRENT_USER\\a\\b\\d]\n";
    std::string expected = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n";
    for (int i = 0; i < 40; ++i) {
        expected +=
            "\"v" + std::to_string(i) + "\"=\"" + (i == 5 ? "five" : std::to_string(i)) + "\"\n";
    }
    expected += "\"v40\"=dword:00000028\n\n[HKEY_CURRENT_USER\\A\\B]\n\n"
                "[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=\"2\"\n\n[HKEY_CURRENT_USER\\a\\b\\d]\n\n";
    std::size_t damaged = 0;
    EXPECT_EQ(platform::RegRewriteHiveText(platform::RegRoot::CurrentUser, input, &damaged),
              expected);
    EXPECT_EQ(damaged, 0u);
}
