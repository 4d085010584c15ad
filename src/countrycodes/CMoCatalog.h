// One compiled gettext message catalogue (a ".mo" file): original texts and their
// translations, read into memory once.
//
// File layout (little- or big-endian, told by the magic number): magic 0x950412de, revision,
// number of strings N, offset of the originals table, offset of the translations table (each
// table N pairs of length and offset), then the hash table, which is not needed here. A
// damaged file (short, offsets or lengths outside the file, an unknown magic or major
// revision) loads nothing; it never reads outside the bytes it was given.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace countrycodes {

class CMoCatalog {
public:
    // Reads the file; false (and an empty catalogue) when it is missing, larger than
    // kMaxFileSize or damaged.
    bool Load(const std::string& path);
    // The same from bytes in memory.
    bool Parse(std::string_view bytes);

    // The translation of `original`, or null when the catalogue has none. For plural
    // entries the singular form; entries with an empty translation count as none.
    const std::string* Find(std::string_view original) const;
    std::size_t Size() const { return m_entries.size(); }

    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

private:
    std::unordered_map<std::string, std::string> m_entries;
};

} // namespace countrycodes
