// Writes formatted lines to the log file. The file is opened through the shared-folder rule
// (no links followed, owned by this user), held with an exclusive lock for the whole run, and a
// non-empty earlier log is rotated to "<base>.old" by a chunked copy that never throws.
#pragma once

#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>

class CLogFileHandler {
public:
    CLogFileHandler() = default;
    ~CLogFileHandler();
    CLogFileHandler(const CLogFileHandler&) = delete;
    CLogFileHandler& operator=(const CLogFileHandler&) = delete;

    // Opens "<basePath>.log" with an exclusive lock, rotating a non-empty earlier log to
    // "<basePath>.old". False when the file cannot be opened or another process holds it.
    bool Open(const std::string& basePath);
    void Close();
    bool IsOpen() const { return m_fd.IsValid(); }

    // null or 0 means 5.
    void SetFileLevel(const int* level);
    int FileLevel() const { return m_fileLevel; }

    // Writes one line when the file level admits `level`.
    void Write(int level, std::uint32_t threadId, const std::string& categoryColumn,
               const std::string& messageColumn);

    std::string FilePath() const { return m_basePath + ".log"; }

private:
    platform::UniqueFd m_fd;
    std::string m_basePath;
    int m_fileLevel = 5;
};
