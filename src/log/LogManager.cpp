#include "log/LogManager.h"

#include "log/CLogHandlerW.h"
#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <cerrno>
#include <cstring>
#include <iterator>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const char* CategoryName(LogCategory category) {
    static const char* const names[] = {"GUI",     "Language", "Registry", "Core", "Application",
                                        "File IO", "Data",     "WAB",      "OE"};
    const auto index = static_cast<std::size_t>(category);
    return index < std::size(names) ? names[index] : "Not defined";
}

// The file level a line needs: trace lines only in the most detailed level.
int FileLevelOf(LogSeverity severity) {
    static const int levels[] = {4, 3, 1};
    const auto index = static_cast<std::size_t>(severity);
    return index < std::size(levels) ? levels[index] : 1;
}

std::atomic<LogObserver> g_observer{nullptr};

void RightTrim(std::string& s) {
    size_t end = s.find_last_not_of(" \t\r\n\v\f");
    s.erase(end == std::string::npos ? 0 : end + 1);
}

void DiagnosticToLog(const char* location, const std::string& message,
                     platform::DiagnosticLevel level) {
    LogCategory category = LOG_CAT_APPLICATION;
    if (location != nullptr && std::strncmp(location, "Registry", 8) == 0) {
        category = LOG_CAT_REGISTRY;
    }
    const LogSeverity severity =
        level == platform::DiagnosticLevel::Info ? LOG_SEV_INFO : LOG_SEV_ERROR;
    CLogManager::Instance().Log(location != nullptr ? location : "platform", message, category,
                                severity);
}

// Closes the process-wide log at static destruction while its memory stays valid, so that a
// line logged by a later destructor is a harmless no-op.
struct ProcessLogCloser {
    CLogManager* log;
    ~ProcessLogCloser() {
        platform::SetDiagnosticSink(nullptr);
        log->~CLogManager();
    }
};

} // namespace

CLogManager& CLogManager::Instance() {
    alignas(CLogManager) static unsigned char storage[sizeof(CLogManager)];
    static CLogManager* instance = [] {
        auto* log = new (storage) CLogManager(platform::TempFolder());
        platform::SetDiagnosticSink(&DiagnosticToLog);
        return log;
    }();
    static ProcessLogCloser closer{instance};
    (void)closer;
    return *instance;
}

CLogManager::CLogManager(const std::string& folder) {
    m_open = Open(folder);
    if (m_open) {
        Log("********************** LOG SESSION STARTED *********************", "", LOG_CAT_FILEIO,
            LOG_SEV_ERROR);
    }
}

CLogManager::~CLogManager() {
    Close();
}

bool CLogManager::Open(const std::string& folder) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    std::string base = folder;
    if (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    // A missing temporary folder is created first, then the program's own folder in it, which
    // must pass the shared-folder rule.
    if (!platform::CreateFolder(base)) {
        return false;
    }
    base += "/Quorvane";
    if (!platform::UsePrivateFolder(base)) {
        return false;
    }
    m_writer = std::make_unique<CLogHandlerW>();
    if (!m_writer->Open(base + "/TWD")) {
        m_writer.reset();
        return false;
    }
    m_writer->SetFileLevel(nullptr);
    return true;
}

void CLogManager::Close() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_open && m_writer) {
        Log("********************** LOG SESSION ENDED *********************", "", LOG_CAT_FILEIO,
            LOG_SEV_ERROR);
        m_writer->Close();
    }
    m_writer.reset();
    m_open = false;
}

void CLogManager::Log(const char* function, const std::string& message, LogCategory category,
                      LogSeverity severity, bool appendSystemError) {
    // The error number must be read before anything here can change it.
    std::string text = appendSystemError ? FormatSystemError(message) : std::string();
    if (LogObserver observer = g_observer.load(std::memory_order_acquire)) {
        observer(function != nullptr ? function : "", message, category, severity);
    }
    if (severity < m_minimumSeverity.load() || !m_open.load()) {
        return;
    }
    const std::string& body = appendSystemError ? text : message;
    std::string categoryColumn = std::string("[") + CategoryName(category) + "]";
    std::string messageColumn;
    messageColumn.reserve(body.size() + 64);
    messageColumn += '[';
    messageColumn += function != nullptr ? function : "";
    messageColumn += "] ";
    messageColumn += body;
    RightTrim(messageColumn);

    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_writer) {
        return;
    }
    const auto threadId = static_cast<std::uint32_t>(::syscall(SYS_gettid));
    m_writer->Write(FileLevelOf(severity), threadId, categoryColumn, messageColumn);
}

void CLogManager::SetFileLevel(const int* level) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_writer) {
        m_writer->SetFileLevel(level);
    }
}

void CLogManager::SetMinimumSeverity(LogSeverity severity) {
    m_minimumSeverity.store(severity);
}

void CLogManager::SetObserver(LogObserver observer) {
    g_observer.store(observer, std::memory_order_release);
}

std::string CLogManager::FilePath() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return (m_open && m_writer) ? m_writer->FilePath() : std::string();
}

std::string CLogManager::FormatSystemError(const std::string& message) {
    const int code = errno;
    char buf[256];
    const char* sysText = ::strerror_r(code, buf, sizeof buf);
    std::string out = message;
    out += "\nGetLastError() reports:\n";
    out += sysText;
    out += "\n";
    out += "Error code: ";
    out += std::to_string(code);
    errno = code;
    return out;
}
