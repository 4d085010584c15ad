#include "messages/CArchiveReader.h"

#include "platform/UniqueFd.h"
#include "platform/Utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// UTF-16LE code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const char* bytes, std::size_t units) {
    std::string out;
    out.reserve(units);
    auto unit = [bytes](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            std::uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                platform::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        platform::AppendUtf8(out, u);
    }
    return out;
}

} // namespace

bool CArchiveReader::Take(std::size_t count, const char*& bytes) {
    if (m_failed || count > Remaining()) {
        return Fail();
    }
    bytes = m_data.data() + m_pos;
    m_pos += count;
    return true;
}

bool CArchiveReader::ReadUInt8(std::uint8_t& value) {
    const char* p = nullptr;
    if (!Take(1, p)) {
        return false;
    }
    value = static_cast<std::uint8_t>(p[0]);
    return true;
}

bool CArchiveReader::ReadUInt16(std::uint16_t& value) {
    const char* p = nullptr;
    if (!Take(2, p)) {
        return false;
    }
    value = static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                       (static_cast<unsigned char>(p[1]) << 8));
    return true;
}

bool CArchiveReader::ReadUInt32(std::uint32_t& value) {
    const char* p = nullptr;
    if (!Take(4, p)) {
        return false;
    }
    value = static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
            (static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8) |
            (static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16) |
            (static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24);
    return true;
}

bool CArchiveReader::ReadInt32(std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!ReadUInt32(raw)) {
        return false;
    }
    value = static_cast<std::int32_t>(raw);
    return true;
}

bool CArchiveReader::ReadBool(bool& value) {
    std::int32_t raw = 0;
    if (!ReadInt32(raw)) {
        return false;
    }
    value = raw == 1;
    return true;
}

bool CArchiveReader::ReadPlainLength(std::uint8_t first, std::uint32_t& length) {
    if (first < 0xFF) {
        length = first;
        return true;
    }
    std::uint16_t word = 0;
    if (!ReadUInt16(word)) {
        return false;
    }
    if (word < 0xFFFF) {
        length = word;
        return true;
    }
    return ReadUInt32(length);
}

bool CArchiveReader::ReadString(std::string& text) {
    std::uint8_t first = 0;
    if (!ReadUInt8(first)) {
        return false;
    }
    bool wide = false;
    std::uint32_t length = first;
    if (first == 0xFF) {
        std::uint16_t word = 0;
        if (!ReadUInt16(word)) {
            return false;
        }
        if (word == 0xFFFE) {
            // UTF-16 marker: a second prefix follows, counting 16-bit characters.
            wide = true;
            if (!ReadUInt8(first) || !ReadPlainLength(first, length)) {
                return false;
            }
        } else if (word < 0xFFFF) {
            length = word;
        } else if (!ReadUInt32(length)) {
            return false;
        }
    }
    const std::size_t bytes = wide ? static_cast<std::size_t>(length) * 2 : length;
    const char* p = nullptr;
    if (!Take(bytes, p)) {
        return false;
    }
    if (wide) {
        text = Utf16ToUtf8(p, length);
    } else {
        text.assign(p, bytes);
    }
    return true;
}

CArchiveReader::LoadResult CArchiveReader::LoadFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    platform::UniqueFd owner(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!owner) {
        return LoadResult::OpenFailed;
    }
    const int fd = owner.Get();
    // Read straight into the text: sized from the file size, grown if the file grows meanwhile.
    std::size_t got = 0;
    try {
        struct stat st {};
        std::size_t expected = 0;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            expected = static_cast<std::size_t>(st.st_size);
        }
        bytes.resize(expected + 1);
        for (;;) {
            if (got == bytes.size()) {
                bytes.resize(bytes.size() + 65536);
            }
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n == 0) {
                break;
            }
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                int saved = errno;
                bytes.clear();
                errno = saved;
                return LoadResult::ReadFailed;
            }
            got += static_cast<std::size_t>(n);
        }
    } catch (...) {
        bytes.clear();
        errno = ENOMEM;
        return LoadResult::ReadFailed;
    }
    bytes.resize(got);
    return LoadResult::Ok;
}
