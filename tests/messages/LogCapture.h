// Collects the log lines of the message model while a test runs.
#pragma once

#include "messages/MessagesLog.h"

#include <mutex>
#include <string>
#include <vector>

namespace twtest {

struct LoggedLine {
    std::string location;
    std::string message;
    int severity;
};

class LogCapture {
public:
    LogCapture() {
        std::lock_guard<std::mutex> guard(Mutex());
        Lines().clear();
        messages::SetLogObserver(&Observe);
    }
    ~LogCapture() { messages::SetLogObserver(nullptr); }

    // True when a line with exactly this location and message (and severity, unless -1) was
    // logged.
    bool Has(const std::string& location, const std::string& message, int severity = -1) const {
        std::lock_guard<std::mutex> guard(Mutex());
        for (const LoggedLine& line : Lines()) {
            if (line.location == location && line.message == message &&
                (severity < 0 || line.severity == severity)) {
                return true;
            }
        }
        return false;
    }
    // Lines of severity 2.
    std::vector<LoggedLine> Errors() const {
        std::lock_guard<std::mutex> guard(Mutex());
        std::vector<LoggedLine> out;
        for (const LoggedLine& line : Lines()) {
            if (line.severity == 2) {
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
    static void Observe(const char* location, const std::string& message, int severity) {
        std::lock_guard<std::mutex> guard(Mutex());
        Lines().push_back({location, message, severity});
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
