// Where the program's files live. Every folder follows the standard environment variables,
// so that tests can run in a private folder.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// $TMPDIR when set and not empty, else /tmp (std::filesystem::temp_directory_path).
std::string TempFolder();
// $HOME, else the password database entry of the user.
std::string HomeFolder();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();
// First entry of $XDG_CONFIG_DIRS, else /etc/xdg.
std::string SystemConfigFolder();
// $XDG_DATA_HOME, else ~/.local/share. The per-user application data folder.
std::string AppDataFolder();
// $XDG_RUNTIME_DIR, else a per-user folder below the temporary folder, created with mode 0700.
std::string RuntimeFolder();
// The user's XDG folders ("PICTURES", "MUSIC", "VIDEOS", "DOCUMENTS", ...) from
// $XDG_CONFIG_HOME/user-dirs.dirs; an empty text when not configured.
std::string UserFolder(const std::string& kind);
// Folder of the running executable (from /proc/self/exe), without trailing separator.
std::string ProgramFolder();
// Turns a path the system builds with "\" separators into one with "/".
std::string ToNativePath(const std::string& path);

// Creates the folder (and missing parents) with mode 0700 when it is absent. True when it
// exists afterwards as a directory.
bool CreateFolder(const std::string& path);

// Writes the bytes to `path` atomically: a temporary file beside it, fsync, rename, fsync of
// the folder. The file gets mode 0600. On failure the old file is untouched and errno tells.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
// The same, with `fill` writing the content to the temporary file's descriptor (false from
// `fill` abandons the write and leaves the old file).
bool WriteFileAtomicFrom(const std::string& path, const std::function<bool(int fd)>& fill);

// Writes all of `bytes` to the descriptor, retrying short writes. False on an error.
bool WriteAll(int fd, const char* bytes, std::size_t size);
// Copies the whole content of `from` (read from its start, whatever its offset) to the empty
// file `to`, in chunks, so that a file of any size needs no more memory than one chunk; holes
// of a sparse file stay holes.
bool CopyFromStart(int from, int to);

} // namespace platform
