// Hive syntax, names, values and scopes.
#include "platform/Registry.h"
#include "common/TestEnv.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::RegKey;
using platform::RegRoot;

namespace {

const char* const kRoot = "Software\\Quorvane\\Tidewell Windows\\2.0";

void ResetHives() {
    std::filesystem::remove_all(
        std::filesystem::path(platform::RegHivePath(RegRoot::CurrentUser)).parent_path());
    std::filesystem::remove_all(
        std::filesystem::path(platform::RegHivePath(RegRoot::LocalMachine)).parent_path());
}

void WriteMachineHive(const std::string& text) {
    std::string path = platform::RegHivePath(RegRoot::LocalMachine);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    twtest::WriteFile(path, text);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ResetHives(); }
};

} // namespace

TEST_F(RegistryTest, KnownWritesGiveExactlyTheHandWrittenFile) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, kRoot));
    EXPECT_TRUE(key.SetString("Language", "de"));
    EXPECT_TRUE(key.SetDWORD("SortListColumn", 10));
    EXPECT_TRUE(key.SetString("", "default"));
    EXPECT_TRUE(key.SetString("Path", "C:\\dir \"q\"\nline2\r\\"));
    EXPECT_TRUE(key.SetDWORD("Max", 0xFFFFFFFFu));
    EXPECT_TRUE(key.SetString("LANGUAGE", "en"));
    RegKey account;
    ASSERT_TRUE(account.Create(RegRoot::CurrentUser, std::string(kRoot) + "\\Accounts\\4711\\"));

    std::string expected = twtest::ReadFile(std::string(TW_REG_FIXTURES) + "/known_writes.reg");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser)), expected);
}

TEST_F(RegistryTest, HandWrittenFileReadsBack) {
    std::string path = platform::RegHivePath(RegRoot::CurrentUser);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    twtest::WriteFile(path, twtest::ReadFile(std::string(TW_REG_FIXTURES) + "/known_writes.reg"));
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, kRoot));
    EXPECT_EQ(key.QueryString("language"), "en");
    EXPECT_EQ(key.QueryString(""), "default");
    EXPECT_EQ(key.QueryString("Path"), "C:\\dir \"q\"\nline2\r\\");
    EXPECT_EQ(key.QueryDWORD("sortlistcolumn"), 10u);
    EXPECT_EQ(key.QueryDWORD("Max"), 0xFFFFFFFFu);
    EXPECT_EQ(key.ValueNames(),
              (std::vector<std::string>{"", "Language", "SortListColumn", "Path", "Max"}));
    EXPECT_EQ(key.SubKeyNames(), std::vector<std::string>{"Accounts"});
    EXPECT_TRUE(
        platform::RegKeyExists(RegRoot::CurrentUser, std::string(kRoot) + "\\Accounts\\4711"));
}

TEST_F(RegistryTest, TextsRoundTripWhateverTheyHold) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Texts"));
    const std::vector<std::string> texts = {
        "",
        "plain",
        "\\",
        "\\\\server\\share\\",
        "\"",
        "ends with backslash\\",
        "\\\"",
        "a\nb\n",
        "\r\n\r\n",
        "tab\there",
        std::string("zero\0byte", 9),
        "\\n is not a line feed",
        "[HKEY_CURRENT_USER\\Fake]",
        "\"Name\"=\"value\"",
        "grüße 日本",
        std::string(4000, 'x'),
    };
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(key.SetString("v" + std::to_string(i), texts[i]));
    }
    // A name may hold the same characters.
    ASSERT_TRUE(key.SetString("we\"ird\\na\nme", "ok"));
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(key.QueryString("v" + std::to_string(i)), texts[i]) << i;
    }
    EXPECT_EQ(key.QueryString("WE\"IRD\\NA\nME"), "ok");
    // Every value stays on one line of the file.
    std::string file = twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser));
    size_t lines = static_cast<size_t>(std::count(file.begin(), file.end(), '\n'));
    EXPECT_EQ(lines, 2u + 2u + 1u + texts.size() + 1u + 1u);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\MixedCase\\Sub"));
    ASSERT_TRUE(key.SetDWORD("ValueName", 1));
    RegKey other;
    ASSERT_TRUE(other.Create(RegRoot::CurrentUser, "SOFTWARE\\mixedcase\\SUB"));
    ASSERT_TRUE(other.SetDWORD("VALUENAME", 2));
    EXPECT_EQ(key.QueryDWORD("valuename"), 2u);
    EXPECT_EQ(key.ValueNames(), std::vector<std::string>{"ValueName"});
    RegKey parent;
    ASSERT_TRUE(parent.Open(RegRoot::CurrentUser, "software"));
    EXPECT_EQ(parent.SubKeyNames(), std::vector<std::string>{"MixedCase"});
    std::string file = twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser));
    EXPECT_NE(
        file.find("[HKEY_CURRENT_USER\\Software\\MixedCase\\Sub]\n\"ValueName\"=dword:00000002\n"),
        std::string::npos)
        << file;
}

TEST_F(RegistryTest, TypesAreKeptApart) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Types"));
    ASSERT_TRUE(key.SetString("n", "12"));
    EXPECT_EQ(key.QueryDWORD("n"), std::nullopt);
    EXPECT_EQ(key.QueryType("n"), platform::RegType::String);
    ASSERT_TRUE(key.SetDWORD("n", 12));
    EXPECT_EQ(key.QueryString("n"), std::nullopt);
    EXPECT_EQ(key.QueryDWORD("n"), 12u);
    EXPECT_EQ(key.QueryType("missing"), platform::RegType::None);
}

TEST_F(RegistryTest, EmptyKeysAndInvalidPaths) {
    RegKey key;
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, "Software\\Nothing"));
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Empty\\Leaf"));
    EXPECT_TRUE(key.ValueNames().empty());
    EXPECT_TRUE(platform::RegKeyExists(RegRoot::CurrentUser, "Software\\Empty"));
    EXPECT_TRUE(platform::RegKeyExists(RegRoot::CurrentUser, "Software\\Empty\\Leaf\\"));
    for (const char* bad : {"Software\\\\Empty", "\\Software", "Software\\Empty\\\\", "a\nb"}) {
        EXPECT_FALSE(key.Create(RegRoot::CurrentUser, bad)) << bad;
        EXPECT_FALSE(key.Open(RegRoot::CurrentUser, bad)) << bad;
    }
    // Creating an existing key does not touch the file.
    std::string before = twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser));
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "software\\empty\\leaf"));
    EXPECT_EQ(twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser)), before);
}

TEST_F(RegistryTest, DeleteValueAndKey) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Del\\A\\B"));
    ASSERT_TRUE(key.SetDWORD("x", 1));
    RegKey keep;
    ASSERT_TRUE(keep.Create(RegRoot::CurrentUser, "Software\\Del\\AB"));
    ASSERT_TRUE(keep.SetDWORD("y", 2));
    EXPECT_TRUE(key.DeleteValue("X"));
    EXPECT_EQ(key.QueryDWORD("x"), std::nullopt);
    EXPECT_TRUE(key.DeleteValue("never"));
    EXPECT_TRUE(platform::RegDeleteKey(RegRoot::CurrentUser, "Software\\Del\\A"));
    EXPECT_FALSE(platform::RegKeyExists(RegRoot::CurrentUser, "Software\\Del\\A\\B"));
    EXPECT_FALSE(platform::RegKeyExists(RegRoot::CurrentUser, "Software\\Del\\A"));
    EXPECT_EQ(keep.QueryDWORD("y"), 2u);
    // A handle to a deleted key writes it again.
    EXPECT_TRUE(key.SetDWORD("z", 3));
    EXPECT_EQ(key.QueryDWORD("z"), 3u);
}

TEST_F(RegistryTest, DeepKeysAndDeletedBranchesKeepTheirPlaces) {
    // A key 300 deep: the file holds its path once, not once for every key above it, and
    // every key on the way still opens and lists the next one.
    std::string deep = "Software\\Deep";
    for (int i = 0; i < 298; ++i) {
        deep += "\\level" + std::to_string(i);
    }
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, deep));
    ASSERT_TRUE(key.SetDWORD("x", 7));
    const std::string file = twtest::ReadFile(platform::RegHivePath(RegRoot::CurrentUser));
    EXPECT_LT(file.size(), 4 * deep.size()) << file.size();
    RegKey middle;
    ASSERT_TRUE(middle.Open(RegRoot::CurrentUser, deep.substr(0, deep.find("\\level150\\"))));
    EXPECT_EQ(middle.SubKeyNames(), std::vector<std::string>{"level150"});

    // Deleting a branch written before others keeps the later keys and their sub keys.
    RegKey first;
    ASSERT_TRUE(first.Create(RegRoot::CurrentUser, "Software\\Br\\First\\Inner"));
    RegKey second;
    ASSERT_TRUE(second.Create(RegRoot::CurrentUser, "Software\\Br\\Second\\A"));
    ASSERT_TRUE(second.Create(RegRoot::CurrentUser, "Software\\Br\\Second\\B"));
    ASSERT_TRUE(second.SetString("s", "kept"));
    EXPECT_TRUE(platform::RegDeleteKey(RegRoot::CurrentUser, "software\\br\\first"));
    RegKey br;
    ASSERT_TRUE(br.Open(RegRoot::CurrentUser, "Software\\Br"));
    EXPECT_EQ(br.SubKeyNames(), std::vector<std::string>{"Second"});
    RegKey secondKey;
    ASSERT_TRUE(secondKey.Open(RegRoot::CurrentUser, "Software\\Br\\Second"));
    EXPECT_EQ(secondKey.SubKeyNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(second.QueryString("s"), "kept");
    EXPECT_FALSE(platform::RegKeyExists(RegRoot::CurrentUser, "Software\\Br\\First\\Inner"));
    RegKey software;
    ASSERT_TRUE(software.Open(RegRoot::CurrentUser, "Software"));
    EXPECT_EQ(software.SubKeyNames(), (std::vector<std::string>{"Deep", "Br"}));
}

TEST_F(RegistryTest, MachineScopeIsReadOnly) {
    const std::string text =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Preset]\n\"Level\"=dword:00000007\n"
        "@=\"machine\"\n\n";
    WriteMachineHive(text);
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, "software\\preset"));
    EXPECT_EQ(key.QueryDWORD("level"), 7u);
    EXPECT_EQ(key.QueryString(""), "machine");
    EXPECT_FALSE(key.SetDWORD("Level", 8));
    EXPECT_FALSE(key.Create(RegRoot::LocalMachine, "Software\\Preset"));
    EXPECT_FALSE(platform::RegDeleteKey(RegRoot::LocalMachine, "Software\\Preset"));
    EXPECT_EQ(twtest::ReadFile(platform::RegHivePath(RegRoot::LocalMachine)), text);
    // The machine hive knows nothing of user sections, and the other way round.
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, "Software\\Preset"));
}

TEST_F(RegistryTest, FilesGetPrivateModes) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Modes"));
    ASSERT_TRUE(key.SetDWORD("a", 1));
    struct stat st {};
    ASSERT_EQ(::stat(platform::RegHivePath(RegRoot::CurrentUser).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::string folder =
        std::filesystem::path(platform::RegHivePath(RegRoot::CurrentUser)).parent_path().string();
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(RegistryTest, ReadsSeeFilesChangedBehindTheirBack) {
    std::string path = platform::RegHivePath(RegRoot::CurrentUser);
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Outside"));
    ASSERT_TRUE(key.SetDWORD("v", 1));
    ASSERT_EQ(key.QueryDWORD("v"), 1u);
    // Replaced in place with the same length, then by a new file: both are seen at once.
    twtest::WriteFile(
        path, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Outside]\n\"v\"=dword:00000002\n\n");
    EXPECT_EQ(key.QueryDWORD("v"), 2u);
    std::string next = path + ".new";
    twtest::WriteFile(
        next, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Outside]\n\"v\"=dword:00000003\n\n");
    std::filesystem::rename(next, path);
    EXPECT_EQ(key.QueryDWORD("v"), 3u);
    std::filesystem::remove(path);
    EXPECT_EQ(key.QueryDWORD("v"), std::nullopt);
    EXPECT_FALSE(platform::RegKeyExists(RegRoot::CurrentUser, "Software\\Outside"));
}

TEST_F(RegistryTest, ForeignFileFormsAreRead) {
    std::string path = platform::RegHivePath(RegRoot::CurrentUser);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    // A byte order mark, CRLF line ends, comments, blanks around "=", upper-case hex, binary
    // data over several lines and a root-key section.
    twtest::WriteFile(
        path, "\xEF\xBB\xBFREGEDIT4\r\n\r\n; a comment\r\n[HKEY_CURRENT_USER\\Software\\Win]\r\n"
              "\"A\" = dword:0000FFFF\r\n\"B\"=hex:01,02,\\\r\n  03,04\r\n\"C\"=\"c\"\r\n\r\n"
              "[HKEY_CURRENT_USER]\r\n\"Top\"=\"level\"\r\n");
    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "Software\\Win"));
    EXPECT_EQ(key.QueryDWORD("A"), 0xFFFFu);
    EXPECT_EQ(key.QueryType("B"), platform::RegType::Other);
    EXPECT_EQ(key.QueryString("C"), "c");
    RegKey top;
    ASSERT_TRUE(top.Open(RegRoot::CurrentUser, ""));
    EXPECT_EQ(top.QueryString("Top"), "level");
    // A rewrite keeps the binary value as it stood.
    RegKey w;
    ASSERT_TRUE(w.Create(RegRoot::CurrentUser, "Software\\Win"));
    ASSERT_TRUE(w.SetString("D", "d"));
    std::string file = twtest::ReadFile(path);
    EXPECT_NE(file.find("\"B\"=hex:01,02,\\\r\n  03,04\n"), std::string::npos) << file;
    EXPECT_EQ(w.QueryType("B"), platform::RegType::Other);
    EXPECT_EQ(top.QueryString("top"), "level");
}
