#include "hook/LogStream.h"

#include "hook/Log.h"

namespace logging {

LogStream::LogStream(Log& log, std::string function)
    : m_log(log), m_function(std::move(function)) {}

LogStream::~LogStream() {
    try {
        m_log.Write(m_function, m_text.str());
    } catch (...) {
        // A log line that cannot be built is lost; the caller goes on.
    }
}

} // namespace logging
