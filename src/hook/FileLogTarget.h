// The log file of one process of the hook library. Open creates the file anew (an existing
// one is emptied) through the platform's opener for shared folders: the folder must be the
// user's own with mode 0700, no link is followed, the file gets mode 0600. Lines are written
// whole, one write per line, under one lock, so lines of different threads never mix; other
// processes may read the file while it is written.
#pragma once

#include "platform/UniqueFd.h"

#include <mutex>
#include <string>

namespace logging {

class FileLogTarget {
public:
    FileLogTarget() = default;
    FileLogTarget(const FileLogTarget&) = delete;
    FileLogTarget& operator=(const FileLogTarget&) = delete;

    // False when the folder or the file is refused or cannot be created; nothing is written
    // then (and a file opened before stays the target).
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;
    std::string Path() const;

    // Appends the line (which carries its own line feed). Dropped while not open.
    void Write(const std::string& line);

private:
    mutable std::mutex m_lock;
    platform::UniqueFd m_fd;
    std::string m_path;
};

} // namespace logging
