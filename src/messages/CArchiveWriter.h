// Writing side of the binary archive format (see CArchiveReader): everything is collected in
// one memory buffer, which the caller then writes to its file in one go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CArchiveWriter {
public:
    CArchiveWriter() = default;
    // Appends to `buffer`, keeping what it holds (and its capacity).
    explicit CArchiveWriter(std::string buffer) : m_data(std::move(buffer)) {}

    void Reserve(std::size_t bytes) { m_data.reserve(bytes); }

    void WriteInt32(std::int32_t value);
    // An int32, 1 for true and 0 for false.
    void WriteBool(bool value) { WriteInt32(value ? 1 : 0); }
    // A length-prefixed 8-bit text: 1 byte below 255, 0xFF + 16 bits below 65534, else
    // 0xFF 0xFFFF + 32 bits. False (and the writer fails) for a text of 4 GiB or more.
    bool WriteString(std::string_view text);

    bool Failed() const { return m_failed; }
    const std::string& Data() const { return m_data; }
    // Hands the buffer over, leaving the writer empty.
    std::string TakeData() { return std::move(m_data); }
    // Bytes WriteString takes for a text of `length` bytes.
    static std::size_t StringSize(std::size_t length) {
        return length + (length < 0xFF ? 1 : length < 0xFFFE ? 3 : 7);
    }
    std::size_t Size() const { return m_data.size(); }

private:
    void PutUInt16(std::uint16_t value);
    void PutUInt32(std::uint32_t value);

    std::string m_data;
    bool m_failed = false;
};
