#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Written(const std::string& text) {
    CArchiveWriter writer;
    EXPECT_TRUE(writer.WriteString(text));
    return writer.Data();
}

TEST(Archive, Int32IsLittleEndianTwosComplement) {
    CArchiveWriter writer;
    writer.WriteInt32(0x01020304);
    writer.WriteInt32(-2);
    writer.WriteBool(true);
    EXPECT_EQ(writer.Data(), std::string("\x04\x03\x02\x01\xFE\xFF\xFF\xFF\x01\x00\x00\x00", 12));

    CArchiveReader reader(writer.Data());
    std::int32_t a = 0, b = 0;
    bool flag = false;
    ASSERT_TRUE(reader.ReadInt32(a) && reader.ReadInt32(b) && reader.ReadBool(flag));
    EXPECT_EQ(a, 0x01020304);
    EXPECT_EQ(b, -2);
    EXPECT_TRUE(flag);
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(Archive, OnlyOneReadsAsTrue) {
    const std::string data("\x02\x00\x00\x00\xFF\xFF\xFF\xFF", 8);
    CArchiveReader reader(data);
    bool a = true, b = true;
    ASSERT_TRUE(reader.ReadBool(a) && reader.ReadBool(b));
    EXPECT_FALSE(a);
    EXPECT_FALSE(b);
}

TEST(Archive, LengthPrefixForms) {
    EXPECT_EQ(Written(""), std::string("\x00", 1));
    EXPECT_EQ(Written(std::string(254, 'a')).substr(0, 1), "\xFE");
    EXPECT_EQ(Written(std::string(254, 'a')).size(), 255u);
    // 255 bytes: 0xFF followed by 255 as a 16-bit value.
    EXPECT_EQ(Written(std::string(255, 'a')).substr(0, 3), std::string("\xFF\xFF\x00", 3));
    EXPECT_EQ(Written(std::string(255, 'a')).size(), 258u);
    EXPECT_EQ(Written(std::string(65533, 'a')).substr(0, 3), std::string("\xFF\xFD\xFF", 3));
    // 65534 would collide with the UTF-16 marker: the 32-bit form.
    EXPECT_EQ(Written(std::string(65534, 'a')).substr(0, 7),
              std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7));
    EXPECT_EQ(Written(std::string(70000, 'a')).substr(0, 7),
              std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7));
}

TEST(Archive, TextsRoundTripAtEveryPrefixBoundary) {
    for (std::size_t size : {0u, 1u, 254u, 255u, 256u, 65533u, 65534u, 65535u, 65536u, 100000u}) {
        std::string text(size, 'x');
        if (size > 0) {
            text[0] = '\0'; // embedded NUL bytes are kept
            text[size - 1] = '\xE9';
        }
        CArchiveWriter writer;
        ASSERT_TRUE(writer.WriteString(text));
        writer.WriteInt32(42);
        CArchiveReader reader(writer.Data());
        std::string back;
        std::int32_t tail = 0;
        ASSERT_TRUE(reader.ReadString(back)) << size;
        ASSERT_TRUE(reader.ReadInt32(tail));
        EXPECT_EQ(back, text) << size;
        EXPECT_EQ(tail, 42);
    }
}

TEST(Archive, Utf16TextIsConvertedToUtf8) {
    // 0xFF 0xFFFE marker, then 4 characters: 'H', U+00E9, U+20AC, and a surrogate pair for
    // U+1F600.
    const std::string data("\xFF\xFE\xFF\x05"
                           "H\x00\xE9\x00\xAC\x20\x3D\xD8\x00\xDE",
                           14);
    CArchiveReader reader(data);
    std::string text;
    ASSERT_TRUE(reader.ReadString(text));
    EXPECT_EQ(text, "H\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(Archive, Utf16LongPrefixAndLoneSurrogate) {
    // Second prefix in its 16-bit form (300 characters), the first one a lone low surrogate.
    std::string data("\xFF\xFE\xFF\xFF\x2C\x01", 6);
    data += std::string("\x00\xDC", 2);
    for (int i = 1; i < 300; ++i) {
        data += std::string("a\x00", 2);
    }
    CArchiveReader reader(data);
    std::string text;
    ASSERT_TRUE(reader.ReadString(text));
    EXPECT_EQ(text, "\xEF\xBF\xBD" + std::string(299, 'a'));
}

TEST(Archive, DamagedLengthsFailWithoutReadingPastTheEnd) {
    const std::string cases[] = {
        std::string("\x05"
                    "abc"),                                     // 5 announced, 3 there
        std::string("\xFF\x10", 2),                             // 16-bit length cut short
        std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7),         // 2 GiB announced
        std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7),         // 4 GiB announced
        std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 9), // 4 G UTF-16 characters
        std::string("\xFF\xFE\xFF\x03"
                    "a\x00"
                    "b",
                    7),                 // odd byte count for UTF-16
        std::string("\xFF\xFE\xFF", 3), // marker without its second prefix
        std::string(),
    };
    for (const std::string& data : cases) {
        CArchiveReader reader(data);
        std::string text = "unchanged";
        EXPECT_FALSE(reader.ReadString(text));
        EXPECT_TRUE(reader.Failed());
        EXPECT_LE(reader.Position(), data.size());
        // Once failed, the reader stays failed.
        std::int32_t value = 0;
        EXPECT_FALSE(reader.ReadInt32(value));
    }
}

TEST(Archive, ShortInt32Fails) {
    const std::string data("\x01\x02\x03", 3);
    CArchiveReader reader(data);
    std::int32_t value = 7;
    EXPECT_FALSE(reader.ReadInt32(value));
    EXPECT_EQ(value, 7);
}

TEST(Archive, LoadFileReportsMissingFile) {
    std::string bytes = "x";
    EXPECT_EQ(CArchiveReader::LoadFile("/nonexistent/folder/file.dat", bytes),
              CArchiveReader::LoadResult::OpenFailed);
    EXPECT_TRUE(bytes.empty());
    // A folder opens but cannot be read.
    EXPECT_EQ(CArchiveReader::LoadFile("/", bytes), CArchiveReader::LoadResult::ReadFailed);
}

} // namespace
