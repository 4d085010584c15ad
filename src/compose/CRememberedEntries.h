// The remembered entries: numbers the user typed that proved valid, offered again by the
// recipients field. An ordered list without duplicates (compared without regard to case) and
// without size limit, kept in "autocomplete.dat" in the program's data folder.
//
// File format, little-endian: a count (2 bytes; 0xFFFF and a 4-byte count when it is 65535 or
// more), then each entry as a length-prefixed 8-bit text of the archive format (1 byte below
// 255; 0xFF and 2 bytes below 65534; else 0xFF, 0xFFFF and 4 bytes), no terminator.
//
// Loading a damaged file keeps the entries read before the damage and logs it; before such a
// file is overwritten its bytes are kept beside it as "autocomplete.dat.damaged". A missing file
// is an empty list; a file that is there but cannot be read is never replaced. Saving is
// atomic (temporary file, fsync, rename, mode 0600).
//
// The list is safe to use from several threads; every call takes one lock.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CQVRegClass;

class CRememberedEntries {
public:
    static constexpr const char* kFileName = "autocomplete.dat";

    // A list kept in `filePath` (empty: a list that is never loaded or saved).
    explicit CRememberedEntries(std::string filePath = {});

    // "autocomplete.dat" in the data folder the settings give.
    static std::string DefaultPath(const CQVRegClass& reg);

    const std::string& FilePath() const { return m_path; }
    // Replaces the list by the file's entries. False when the file was missing, unreadable
    // or damaged (the entries before the damage are kept).
    bool Load();
    // Writes the list to the file. False when it cannot be written (logged).
    bool Save();

    // Appends `text` unless an entry equals it without regard to case. True when added.
    bool Add(const std::string& text);
    // Removes the first entry equal to `text` without regard to case. True when removed.
    bool Remove(std::string_view text);
    bool Contains(std::string_view text) const;
    std::vector<std::string> Entries() const;
    std::size_t Size() const;

    // The file's bytes for a list of entries; false when an entry is 4 GiB or longer.
    static bool Serialize(const std::vector<std::string>& entries, std::string& bytes);
    // Reads the file's bytes into `entries`. On damage returns false with `error` set and
    // `entries` holding what was read before it.
    static bool Deserialize(std::string_view bytes, std::vector<std::string>& entries,
                            std::string& error);

private:
    mutable std::mutex m_lock;
    std::string m_path;
    std::vector<std::string> m_entries;
    std::string m_damagedBytes; // bytes of a damaged file, kept beside it before a save
    bool m_unreadable = false;  // the file is there but could not be read: never replaced
};
