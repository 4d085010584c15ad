// The program's diagnostic log: one file per run, one line per event.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// Log categories.
enum : int {
    LOG_CAT_GUI = 0,
    LOG_CAT_LANGUAGE = 1,
    LOG_CAT_REGISTRY = 2,
    LOG_CAT_CORE = 3,
    LOG_CAT_APPLICATION = 4,
    LOG_CAT_FILEIO = 5,
    LOG_CAT_DATA = 6,
    LOG_CAT_WAB = 7,
    LOG_CAT_OE = 8,
};

// Severities: 0 trace, 1 information, 2 warning or error.
enum : int { LOG_SEV_TRACE = 0, LOG_SEV_INFO = 1, LOG_SEV_ERROR = 2 };

class CLogHandlerW;

class CLogManager {
public:
    // The process-wide log; opened on first use (the program touches it during static
    // initialisation) and closed at static destruction.
    static CLogManager& Instance();

    // A log of its own in `folder` (the "Quorvane" folder is created inside it). The
    // process-wide log uses the temporary folder.
    explicit CLogManager(const std::string& folder);
    ~CLogManager();
    CLogManager(const CLogManager&) = delete;
    CLogManager& operator=(const CLogManager&) = delete;

    void Log(const char* function, const std::string& message, int category, int severity,
             bool appendSystemError = false);
    // null or 0 means 5.
    void SetFileLevel(const int* level);
    void SetMinimumSeverity(int severity);
    bool IsOpen() const { return m_open; }
    // Path of the current log file ("…/Quorvane/TWD.log"), empty when not open.
    std::string FilePath() const;

    // "%s\nGetLastError() reports:\n%sError code: %d" of the message, the text of the
    // current errno and its number.
    static std::string FormatSystemError(const std::string& message);

private:
    bool Open(const std::string& folder);
    void Close();

    std::atomic<bool> m_open{false};
    std::atomic<int> m_minimumSeverity{1};
    mutable std::recursive_mutex m_lock;
    std::unique_ptr<CLogHandlerW> m_writer;
};

// Shorthand for the process-wide log.
inline void Log(const char* function, const std::string& message, int category, int severity,
                bool appendSystemError = false) {
    CLogManager::Instance().Log(function, message, category, severity, appendSystemError);
}
