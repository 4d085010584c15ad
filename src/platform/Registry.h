// The settings hives: a hierarchical key/value store kept in two text files in the REGEDIT4
// format.
//
//   current user  $XDG_CONFIG_HOME/Quorvane/user.reg     sections [HKEY_CURRENT_USER\...]
//                 read and write
//   local machine <first of $XDG_CONFIG_DIRS>/Quorvane/system.reg
//                 sections [HKEY_LOCAL_MACHINE\...], read only
//
// A hive file starts with the line "REGEDIT4" and a blank line, then one section per key,
// each followed by a blank line (the writer leaves out a key nested more than eight deep that
// has no values and is followed by its own sub-key: reading that sub-key creates it again, so
// a deep path is written once and not once per key above it):
//
//   [HKEY_CURRENT_USER\Software\Quorvane]
//   @="default value of the key"
//   "Name"="text"
//   "Count"=dword:0000000a
//
// Inside quoted names and texts, "\" is written "\\" and a double quote "\"". So that the
// file stays one value per line, a line feed is written "\n", a carriage return "\r" and a
// zero byte "\0". Values of other types (hex:..., hex(2):...) are kept as they stand but
// cannot be queried or set here.
//
// Key paths use "\" between key names; a single trailing "\" is ignored, an empty key name
// anywhere else makes the path invalid, and so does a path of more than 512 key names. The empty path is the root key itself. Key and value
// names compare without regard to ASCII letter case; a name keeps the spelling it was first
// written with. The empty value name is the key's default value (written "@").
//
// Every query sees the current file: the parsed hive is reused only while the file's
// identity (device, inode, size, modification and change time) is unchanged. Every change
// takes an exclusive lock (flock on "<hive>.lock"), re-reads the file, applies the change
// and replaces the file atomically (mode 0600, folder 0700), so concurrent writers in
// different threads or processes never lose each other's values.
//
// A damaged line is skipped and reported through platform::ReportDiagnostic; it never stops
// the rest of the file from being read. Before a hive holding damaged lines is rewritten,
// its original bytes are kept beside it as "<hive>.damaged".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegRoot { CurrentUser, LocalMachine };

enum class RegType { None, String, DWord, Other };

// Full path of the hive file of `root` (follows the environment at each call).
std::string RegHivePath(RegRoot root);
// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* RegRootName(RegRoot root);

// A handle to one key. Opening checks that the key exists; every later call reads or
// changes the current hive, so a value written by anyone is seen by the next query.
class RegKey {
public:
    RegKey() = default;

    // Opens an existing key for reading. False when the path is invalid or the key absent.
    bool Open(RegRoot root, const std::string& path);
    // Opens the key for reading and writing, creating it and every missing key above it.
    // Only the current-user hive can be written; false for the machine hive, an invalid path
    // or a failed write.
    bool Create(RegRoot root, const std::string& path);
    void Close();

    bool IsOpen() const { return m_open; }
    bool IsWritable() const { return m_open && m_writable; }
    RegRoot Root() const { return m_root; }
    // The path as given to Open or Create, without a trailing separator.
    const std::string& Path() const { return m_path; }

    // Values. An empty name means the key's default value. A query of a missing value, a
    // value of another type or a key that no longer exists gives nothing.
    std::optional<std::uint32_t> QueryDWORD(const std::string& name) const;
    std::optional<std::string> QueryString(const std::string& name) const;
    RegType QueryType(const std::string& name) const;

    // Changes need a key opened with Create. A key deleted meanwhile is created again.
    bool SetDWORD(const std::string& name, std::uint32_t value);
    bool SetString(const std::string& name, const std::string& text);
    // True when the value is gone afterwards (also when it never existed).
    bool DeleteValue(const std::string& name);

    // Names of the direct sub-keys and of the values, in file order, original spelling.
    std::vector<std::string> SubKeyNames() const;
    std::vector<std::string> ValueNames() const;

private:
    RegRoot m_root = RegRoot::CurrentUser;
    std::string m_path;
    bool m_open = false;
    bool m_writable = false;
};

// The reader and writer of the hive files, in memory: parses `text` as the hive of `root`
// (damaged lines are skipped, counted in *damagedLines and not reported) and returns the text
// a save writes for what was read.
std::string RegRewriteHiveText(RegRoot root, std::string_view text,
                               std::size_t* damagedLines = nullptr);

// True when the key exists.
bool RegKeyExists(RegRoot root, const std::string& path);
// Deletes the key with all its sub-keys and values from the current-user hive. True when
// the key is gone afterwards; the root key itself cannot be deleted.
bool RegDeleteKey(RegRoot root, const std::string& path);

} // namespace platform
