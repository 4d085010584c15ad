#include "countrycodes/CMoCatalog.h"

#include <cstdint>
#include <fstream>

namespace countrycodes {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kMagicSwapped = 0xde120495;

class Reader {
public:
    Reader(std::string_view bytes, bool swapped) : m_bytes(bytes), m_swapped(swapped) {}

    // The 32-bit word at `offset`; false when it lies outside the bytes.
    bool Word(std::size_t offset, std::uint32_t& value) const {
        if (offset > m_bytes.size() || m_bytes.size() - offset < 4) {
            return false;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + offset);
        value = m_swapped ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                             std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]})
                          : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                             std::uint32_t{p[1]} << 8 | std::uint32_t{p[0]});
        return true;
    }

    // String `index` of the table at `table` (pairs of length and offset).
    bool String(std::size_t table, std::size_t index, std::string_view& text) const {
        std::uint32_t length = 0;
        std::uint32_t offset = 0;
        if (!Word(table + index * 8, length) || !Word(table + index * 8 + 4, offset)) {
            return false;
        }
        if (offset > m_bytes.size() || m_bytes.size() - offset < length) {
            return false;
        }
        text = m_bytes.substr(offset, length);
        return true;
    }

private:
    std::string_view m_bytes;
    bool m_swapped;
};

} // namespace

bool CMoCatalog::Load(const std::string& path) {
    m_entries.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::string bytes;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (bytes.size() > kMaxFileSize) {
            return false;
        }
    }
    return Parse(bytes);
}

bool CMoCatalog::Parse(std::string_view bytes) {
    m_entries.clear();
    std::uint32_t magic = 0;
    if (!Reader(bytes, false).Word(0, magic) || (magic != kMagic && magic != kMagicSwapped)) {
        return false;
    }
    const Reader reader(bytes, magic == kMagicSwapped);
    std::uint32_t revision = 0;
    std::uint32_t count = 0;
    std::uint32_t originals = 0;
    std::uint32_t translations = 0;
    if (!reader.Word(4, revision) || !reader.Word(8, count) || !reader.Word(12, originals) ||
        !reader.Word(16, translations)) {
        return false;
    }
    // Major revisions other than 0 and 1 are not understood; a count the tables cannot hold
    // within the file is damage.
    if ((revision >> 16) > 1 || count > bytes.size() / 8) {
        return false;
    }
    std::unordered_map<std::string, std::string> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string_view original;
        std::string_view translation;
        if (!reader.String(originals, i, original) ||
            !reader.String(translations, i, translation)) {
            return false;
        }
        // A plural entry holds its forms separated by zero bytes: the first is the singular.
        original = original.substr(0, original.find('\0'));
        translation = translation.substr(0, translation.find('\0'));
        if (original.empty() || translation.empty()) {
            continue; // the catalogue header, or no translation
        }
        entries.emplace(std::string(original), std::string(translation));
    }
    m_entries = std::move(entries);
    return true;
}

const std::string* CMoCatalog::Find(std::string_view original) const {
    auto it = m_entries.find(std::string(original));
    return it != m_entries.end() ? &it->second : nullptr;
}

} // namespace countrycodes
