// Collects the lines handed to the program log while a test runs (one capture at a time).
#pragma once

#include "log/LogManager.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace twtest {

struct LoggedLine {
    std::string location;
    std::string message;
    LogCategory category;
    LogSeverity severity;
};

class LogCapture {
public:
    LogCapture() {
        // Opening the process-wide log writes its own session line; that is not the test's.
        (void)CLogManager::Instance();
        std::lock_guard<std::mutex> guard(Mutex());
        Lines().clear();
        CLogManager::SetObserver(&Observe);
    }
    ~LogCapture() { CLogManager::SetObserver(nullptr); }

    // True when a line with exactly this location and message (and severity, when given) was
    // logged.
    bool Has(const std::string& location, const std::string& message,
             std::optional<LogSeverity> severity = std::nullopt) const {
        std::lock_guard<std::mutex> guard(Mutex());
        for (const LoggedLine& line : Lines()) {
            if (line.location == location && line.message == message &&
                (!severity || line.severity == *severity)) {
                return true;
            }
        }
        return false;
    }
    // Lines of severity Error.
    std::vector<LoggedLine> Errors() const {
        std::lock_guard<std::mutex> guard(Mutex());
        std::vector<LoggedLine> out;
        for (const LoggedLine& line : Lines()) {
            if (line.severity == LOG_SEV_ERROR) {
                out.push_back(line);
            }
        }
        return out;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(Mutex());
        Lines().clear();
    }

private:
    static std::mutex& Mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<LoggedLine>& Lines() {
        static std::vector<LoggedLine> lines;
        return lines;
    }
    static void Observe(const char* location, const std::string& message, LogCategory category,
                        LogSeverity severity) {
        std::lock_guard<std::mutex> guard(Mutex());
        Lines().push_back({location, message, category, severity});
    }
};

// Builds archive bytes piece by piece, independently of the code under test: short texts only
// (below 255 bytes), which the folder fixtures need.
class Bytes {
public:
    Bytes& Text(const std::string& text) {
        m_data.push_back(static_cast<char>(text.size()));
        m_data += text;
        return *this;
    }
    Bytes& Int(int value) {
        unsigned u = static_cast<unsigned>(value);
        for (int i = 0; i < 4; ++i) {
            m_data.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
        }
        return *this;
    }
    Bytes& Raw(const std::string& raw) {
        m_data += raw;
        return *this;
    }
    const std::string& str() const { return m_data; }

private:
    std::string m_data;
};

} // namespace twtest
