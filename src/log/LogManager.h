// The program's diagnostic log: one file per run, one line per event.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// What a line is about; the number is the category column's index in the log.
enum class LogCategory : int {
    Gui = 0,
    Language = 1,
    Registry = 2,
    Core = 3,
    Application = 4,
    FileIO = 5,
    Data = 6,
    Wab = 7,
    Oe = 8,
    // Lines outside the categories above; printed as "Not defined".
    NotDefined = 9,
};

// How much a line matters: trace lines are written only in debug runs. Off is only a minimum
// severity (no line is written), never the severity of a line.
enum class LogSeverity : int { Trace = 0, Info = 1, Error = 2, Off = 3 };

// The short names the program's call sites use.
inline constexpr LogCategory LOG_CAT_GUI = LogCategory::Gui;
inline constexpr LogCategory LOG_CAT_LANGUAGE = LogCategory::Language;
inline constexpr LogCategory LOG_CAT_REGISTRY = LogCategory::Registry;
inline constexpr LogCategory LOG_CAT_CORE = LogCategory::Core;
inline constexpr LogCategory LOG_CAT_APPLICATION = LogCategory::Application;
inline constexpr LogCategory LOG_CAT_FILEIO = LogCategory::FileIO;
inline constexpr LogCategory LOG_CAT_DATA = LogCategory::Data;
inline constexpr LogCategory LOG_CAT_WAB = LogCategory::Wab;
inline constexpr LogCategory LOG_CAT_OE = LogCategory::Oe;
inline constexpr LogSeverity LOG_SEV_TRACE = LogSeverity::Trace;
inline constexpr LogSeverity LOG_SEV_INFO = LogSeverity::Info;
inline constexpr LogSeverity LOG_SEV_ERROR = LogSeverity::Error;

// Sees every line handed to the process-wide log, before the severity filter (tests use it).
using LogObserver = void (*)(const char* location, const std::string& message, LogCategory category,
                             LogSeverity severity);

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

    void Log(const char* function, const std::string& message, LogCategory category,
             LogSeverity severity, bool appendSystemError = false);
    // null or 0 means 5.
    void SetFileLevel(const int* level);
    void SetMinimumSeverity(LogSeverity severity);
    bool IsOpen() const { return m_open; }
    // Path of the current log file ("…/Quorvane/TWD.log"), empty when not open.
    std::string FilePath() const;

    // Installs the observer of the process-wide log (nullptr removes it).
    static void SetObserver(LogObserver observer);

    // "%s\nGetLastError() reports:\n%sError code: %d" of the message, the text of the
    // current errno and its number.
    static std::string FormatSystemError(const std::string& message);

private:
    bool Open(const std::string& folder);
    void Close();

    std::atomic<bool> m_open{false};
    std::atomic<LogSeverity> m_minimumSeverity{LogSeverity::Info};
    mutable std::recursive_mutex m_lock;
    std::unique_ptr<CLogHandlerW> m_writer;
};

// Shorthand for the process-wide log.
inline void Log(const char* function, const std::string& message, LogCategory category,
                LogSeverity severity, bool appendSystemError = false) {
    CLogManager::Instance().Log(function, message, category, severity, appendSystemError);
}

// Logs `message` as an error and returns 0, for a step that ends its function:
// `return LogFailure(where, "…", LOG_CAT_CORE);` (0 also reads as false).
inline int LogFailure(const char* function, const std::string& message, LogCategory category) {
    CLogManager::Instance().Log(function, message, category, LogSeverity::Error);
    return 0;
}
