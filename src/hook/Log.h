// The hook library's log in one process. A line is
//
//   hh:mm:ss.mmm <TAB> 0x<thread id, 8 hex digits> <TAB> Class::Method <TAB> text <LF>
//
// with the local time (two digits each, milliseconds three, zero-filled). Lines go to the
// file target set with SetTarget; before a target is set nothing is written. Messages are
// written through a LogStream (LogStream.h), one line per stream.
#pragma once

#include "platform/Win.h"

#include <atomic>
#include <ctime>
#include <string>

namespace logging {

class FileLogTarget;

class Log {
public:
    Log() = default;
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // The target must outlive its use by this log (the library object owns both).
    void SetTarget(FileLogTarget* target) { m_target.store(target); }
    bool HasTarget() const { return m_target.load() != nullptr; }

    // Writes one line with the current time and the calling thread.
    void Write(const std::string& function, const std::string& text);

    // The line for the given moment and thread.
    static std::string FormatLine(const std::tm& localTime, int milliseconds, win::DWORD threadId,
                                  const std::string& function, const std::string& text);

private:
    std::atomic<FileLogTarget*> m_target{nullptr};
};

} // namespace logging
