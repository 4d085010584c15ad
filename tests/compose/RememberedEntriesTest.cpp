// The remembered entries and their file "autocomplete.dat".
#include "ComposeTestUtil.h"
#include "common/FuzzSeed.h"
#include "compose/CRememberedEntries.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (const int b : bytes) {
        out.push_back(static_cast<char>(b));
    }
    return out;
}

std::string Serialized(const Texts& entries) {
    std::string bytes;
    EXPECT_TRUE(CRememberedEntries::Serialize(entries, bytes));
    twtest::SaveFuzzSeed("autocomplete", bytes);
    return bytes;
}

TEST(AutocompleteFile, ByteLayout) {
    const std::string twoEntries = Bytes({0x02, 0x00, 0x03}) + "a;b" + Bytes({0x01}) + "c";
    Texts entries;
    std::string error;
    ASSERT_TRUE(CRememberedEntries::Deserialize(twoEntries, entries, error)) << error;
    EXPECT_EQ(entries, (Texts{"a;b", "c"}));
    EXPECT_EQ(Serialized(entries), twoEntries);

    EXPECT_EQ(Serialized({}), Bytes({0x00, 0x00}));

    const std::string longEntry(300, 'x');
    EXPECT_EQ(Serialized({longEntry}), Bytes({0x01, 0x00, 0xFF, 0x2C, 0x01}) + longEntry);
}

TEST(AutocompleteFile, LargeCountsAndLengthsRoundTrip) {
    Texts many(70000, "1");
    many[5] = std::string(70000, 'y'); // 0xFF 0xFFFF and a 4-byte length
    const std::string bytes = Serialized(many);
    EXPECT_EQ(bytes.substr(0, 6), Bytes({0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
    Texts back;
    std::string error;
    ASSERT_TRUE(CRememberedEntries::Deserialize(bytes, back, error)) << error;
    EXPECT_EQ(back, many);
}

TEST(AutocompleteFile, DamageKeepsTheEntriesBeforeIt) {
    Texts entries;
    std::string error;
    const std::string good = Serialized({"0170 1", "0170 2", "0170 3"});
    // Cut inside the third entry.
    EXPECT_FALSE(CRememberedEntries::Deserialize(good.substr(0, good.size() - 2), entries, error));
    EXPECT_EQ(entries, (Texts{"0170 1", "0170 2"}));
    EXPECT_FALSE(error.empty());
    // A count far beyond the bytes, a cut count, bytes after the last entry.
    EXPECT_FALSE(CRememberedEntries::Deserialize(
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1}) + "a", entries, error));
    EXPECT_EQ(entries, Texts{"a"});
    EXPECT_FALSE(CRememberedEntries::Deserialize(Bytes({0x01}), entries, error));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(CRememberedEntries::Deserialize(good + "z", entries, error));
    EXPECT_EQ(entries.size(), 3u);
}

TEST(RememberedEntries, AddAndRemoveIgnoreLetterCase) {
    CRememberedEntries list;
    EXPECT_TRUE(list.Add("Zoë"));
    EXPECT_FALSE(list.Add("ZOË"));
    EXPECT_FALSE(list.Add("zoë"));
    EXPECT_TRUE(list.Add("0170 1"));
    EXPECT_EQ(list.Entries(), (Texts{"Zoë", "0170 1"}));
    EXPECT_TRUE(list.Remove("zOË"));
    EXPECT_FALSE(list.Remove("zoë"));
    EXPECT_EQ(list.Entries(), Texts{"0170 1"});
}

TEST(RememberedEntries, LoadAndSaveTheFile) {
    const std::string folder = twtest::MakeTempDir("remembered") + "/TWD";
    const std::string path = folder + "/autocomplete.dat";
    {
        CRememberedEntries list(path);
        EXPECT_FALSE(list.Load()); // missing: empty, no error
        EXPECT_EQ(list.Size(), 0u);
        list.Add("0170 1");
        list.Add("+49 170 2");
        ASSERT_TRUE(list.Save()); // creates the folder
    }
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    CRememberedEntries again(path);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Entries(), (Texts{"0170 1", "+49 170 2"}));
}

TEST(RememberedEntries, ADamagedFileIsKeptBesideTheNewOne) {
    twtest::LogCapture log;
    const std::string path = twtest::MakeTempDir("damaged") + "/autocomplete.dat";
    const std::string damaged = Bytes({0x03, 0x00, 0x01}) + "a" + Bytes({0x05}) + "bc";
    twtest::WriteFile(path, damaged);
    CRememberedEntries list(path);
    EXPECT_FALSE(list.Load());
    EXPECT_EQ(list.Entries(), Texts{"a"});
    EXPECT_EQ(twtest::ErrorsContaining(log, "is damaged"), 1);
    list.Add("d");
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(twtest::ReadFile(path + ".damaged"), damaged);
    EXPECT_EQ(twtest::ReadFile(path), Serialized({"a", "d"}));
}

TEST(RememberedEntries, AFileThatCannotBeReadIsNotReplaced) {
    twtest::LogCapture log;
    const std::string path = twtest::MakeTempDir("unreadable") + "/autocomplete.dat";
    std::filesystem::create_directory(path); // there, but not readable as a file
    CRememberedEntries list(path);
    EXPECT_FALSE(list.Load());
    list.Add("0170 1");
    EXPECT_FALSE(list.Save());
    EXPECT_EQ(twtest::ErrorsContaining(log, "is not replaced"), 1);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

} // namespace
