// Reading side of the binary archive format shared by the program's data files: little-endian
// int32 values and length-prefixed texts. The reader works on bytes already in memory, so every
// length it reads is checked against what is left: a damaged prefix fails the read instead of
// allocating or reading past the end. The first failed read makes every later read fail too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CArchiveReader {
public:
    // The reader does not copy `data`; it must outlive the reader.
    explicit CArchiveReader(std::string_view data) : m_data(data) {}

    bool ReadInt32(std::int32_t& value);
    // An int32 where only the value 1 means true.
    bool ReadBool(bool& value);
    // A length-prefixed text. 8-bit texts are taken as their bytes; UTF-16 texts (marked by the
    // prefix 0xFF 0xFFFE) are converted to UTF-8.
    bool ReadString(std::string& text);

    bool Failed() const { return m_failed; }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_data.size() - m_pos; }

    enum class LoadResult { Ok, OpenFailed, ReadFailed };
    // Reads the whole file into `bytes`. On failure errno tells why.
    static LoadResult LoadFile(const std::string& path, std::string& bytes);

private:
    bool Take(std::size_t count, const char*& bytes);
    bool ReadUInt8(std::uint8_t& value);
    bool ReadUInt16(std::uint16_t& value);
    bool ReadUInt32(std::uint32_t& value);
    // One length prefix without the UTF-16 marker check: 1, 3 or 7 bytes.
    bool ReadPlainLength(std::uint8_t first, std::uint32_t& length);
    bool Fail() {
        m_failed = true;
        return false;
    }

    std::string_view m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};
