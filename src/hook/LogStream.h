// One message of the hook library's log: the parts are collected with << and the line is
// written when the stream ends (at the end of the full expression for a temporary):
//
//   logging::LogStream(log, "HookHandler::WindowAdd") << "Add window, HWND:" << hwnd;
#pragma once

#include <sstream>
#include <string>

namespace logging {

class Log;

class LogStream {
public:
    LogStream(Log& log, std::string function);
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    template <typename T> LogStream& operator<<(const T& value) {
        m_text << value;
        return *this;
    }

private:
    Log& m_log;
    std::string m_function;
    std::ostringstream m_text;
};

} // namespace logging
