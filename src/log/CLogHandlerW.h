// The log writer: owns the file handler.
#pragma once

#include "log/CLogFileHandler.h"

#include <cstdint>
#include <string>

class CLogHandlerW {
public:
    bool Open(const std::string& basePath) { return m_file.Open(basePath); }
    void Close() { m_file.Close(); }
    void SetFileLevel(const int* level) { m_file.SetFileLevel(level); }
    void Write(int level, std::uint32_t threadId, const std::string& categoryColumn,
               const std::string& messageColumn) {
        m_file.Write(level, threadId, categoryColumn, messageColumn);
    }
    std::string FilePath() const { return m_file.FilePath(); }

private:
    CLogFileHandler m_file;
};
