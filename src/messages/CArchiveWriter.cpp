#include "messages/CArchiveWriter.h"

void CArchiveWriter::PutUInt16(std::uint16_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    m_data.append(bytes, 2);
}

void CArchiveWriter::PutUInt32(std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF),
                           static_cast<char>((value >> 24) & 0xFF)};
    m_data.append(bytes, 4);
}

void CArchiveWriter::WriteInt32(std::int32_t value) {
    PutUInt32(static_cast<std::uint32_t>(value));
}

bool CArchiveWriter::WriteString(std::string_view text) {
    const std::size_t length = text.size();
    if (length < 0xFF) {
        m_data.push_back(static_cast<char>(length));
    } else if (length < 0xFFFE) {
        // 0xFFFE is the UTF-16 marker and 0xFFFF the escape to 32 bits, so 65534 and up take
        // the long form.
        m_data.push_back(static_cast<char>(0xFF));
        PutUInt16(static_cast<std::uint16_t>(length));
    } else if (length < 0xFFFFFFFFu) {
        m_data.push_back(static_cast<char>(0xFF));
        PutUInt16(0xFFFF);
        PutUInt32(static_cast<std::uint32_t>(length));
    } else {
        m_failed = true;
        return false;
    }
    m_data.append(text);
    return true;
}
