// Reading compiled message catalogues: both byte orders, plural and empty entries, and
// damaged files that must load nothing without reading outside their bytes.
#include "countrycodes/CMoCatalog.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

using countrycodes::CMoCatalog;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

void PutWord(std::string& bytes, std::size_t offset, std::uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> shift) & 0xFF);
    }
}

// A catalogue laid out as msgfmt writes it (without a hash table).
std::string BuildMo(const Entries& entries, bool bigEndian = false) {
    const std::uint32_t n = static_cast<std::uint32_t>(entries.size());
    const std::uint32_t originals = 28;
    const std::uint32_t translations = originals + 8 * n;
    std::string bytes(translations + 8 * n, '\0');
    PutWord(bytes, 0, 0x950412de, bigEndian);
    PutWord(bytes, 4, 0, bigEndian);
    PutWord(bytes, 8, n, bigEndian);
    PutWord(bytes, 12, originals, bigEndian);
    PutWord(bytes, 16, translations, bigEndian);
    PutWord(bytes, 20, 0, bigEndian);
    PutWord(bytes, 24, 0, bigEndian);
    for (std::uint32_t i = 0; i < n; ++i) {
        PutWord(bytes, originals + 8 * i, static_cast<std::uint32_t>(entries[i].first.size()),
                bigEndian);
        PutWord(bytes, originals + 8 * i + 4, static_cast<std::uint32_t>(bytes.size()), bigEndian);
        bytes += entries[i].first + '\0';
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        PutWord(bytes, translations + 8 * i, static_cast<std::uint32_t>(entries[i].second.size()),
                bigEndian);
        PutWord(bytes, translations + 8 * i + 4, static_cast<std::uint32_t>(bytes.size()),
                bigEndian);
        bytes += entries[i].second + '\0';
    }
    return bytes;
}

const Entries kEntries = {{"", "Content-Type: text/plain; charset=UTF-8\n"},
                          {"Germany", "Deutschland"},
                          {"France", ""},
                          {std::string("Island\0Islands", 14), std::string("Insel\0Inseln", 12)}};

TEST(MoCatalogTest, ReadsBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        CMoCatalog catalog;
        ASSERT_TRUE(catalog.Parse(BuildMo(kEntries, bigEndian))) << bigEndian;
        ASSERT_NE(catalog.Find("Germany"), nullptr);
        EXPECT_EQ(*catalog.Find("Germany"), "Deutschland");
        // The header and an untranslated entry give nothing; plural entries their singular.
        EXPECT_EQ(catalog.Find(""), nullptr);
        EXPECT_EQ(catalog.Find("France"), nullptr);
        ASSERT_NE(catalog.Find("Island"), nullptr);
        EXPECT_EQ(*catalog.Find("Island"), "Insel");
        EXPECT_EQ(catalog.Find("Spain"), nullptr);
        EXPECT_EQ(catalog.Size(), 2u);
    }
}

TEST(MoCatalogTest, DamagedCataloguesLoadNothing) {
    const std::string good = BuildMo(kEntries);
    std::vector<std::pair<const char*, std::string>> damaged;
    damaged.emplace_back("empty", "");
    damaged.emplace_back("header cut", good.substr(0, 10));
    damaged.emplace_back("strings cut", good.substr(0, good.size() - 3));
    std::string magic = good;
    magic[0] = 'X';
    damaged.emplace_back("magic", magic);
    std::string revision = good;
    PutWord(revision, 4, 0x00020000, false);
    damaged.emplace_back("major revision 2", revision);
    std::string count = good;
    PutWord(count, 8, 0xFFFFFFFF, false);
    damaged.emplace_back("huge count", count);
    std::string table = good;
    PutWord(table, 12, 0xFFFFFFF0, false);
    damaged.emplace_back("table offset outside", table);
    std::string length = good;
    PutWord(length, 28 + 8, 0xFFFFFFFF, false); // length of the second original
    damaged.emplace_back("string length outside", length);
    std::string offset = good;
    PutWord(offset, 28 + 8 * 4 + 4, 0xFFFFFFFE, false); // offset of the first translation
    damaged.emplace_back("string offset outside", offset);

    for (const auto& [what, bytes] : damaged) {
        CMoCatalog catalog;
        EXPECT_TRUE(catalog.Parse(BuildMo({{"A", "B"}})));
        EXPECT_FALSE(catalog.Parse(bytes)) << what;
        EXPECT_EQ(catalog.Size(), 0u) << what;
        EXPECT_EQ(catalog.Find("Germany"), nullptr) << what;
    }
}

TEST(MoCatalogTest, LoadsFilesAndRefusesMissingOnes) {
    const std::string folder = twtest::MakeTempDir("mo");
    twtest::WriteFile(folder + "/de.mo", BuildMo(kEntries));
    CMoCatalog catalog;
    ASSERT_TRUE(catalog.Load(folder + "/de.mo"));
    EXPECT_EQ(*catalog.Find("Germany"), "Deutschland");
    EXPECT_FALSE(catalog.Load(folder + "/missing.mo"));
    EXPECT_EQ(catalog.Size(), 0u);
    EXPECT_FALSE(catalog.Load(folder)); // a folder is no catalogue
}

} // namespace
