// Private folders for test processes.
#pragma once

#include <cstddef>
#include <string>

namespace twtest {

// Root of this process's private folder tree (created by the test main). Child processes
// started by a test inherit the same environment and so the same folders.
const std::string& PrivateRoot();

// Points HOME, TMPDIR and the XDG folders of this process at fresh folders below `root`.
void UsePrivateFolders(const std::string& root);

// Creates a new empty folder below the private root and returns its path.
std::string MakeTempDir(const std::string& prefix);

// Folder of the running test executable (all build outputs share it).
std::string BinDir();

// Writes `bytes` to `path`, replacing the file.
void WriteFile(const std::string& path, const std::string& bytes);

// Reads the whole file, or an empty text when it cannot be read.
std::string ReadFile(const std::string& path);

// Number of times `text` occurs in the file, not overlapping (0 for an empty text or a file
// that cannot be read).
std::size_t CountInFile(const std::string& path, const std::string& text);

} // namespace twtest
