// The client core's own log: lines about the network transport an administrator may need
// (requests the gateway refused, forged or unknown delivery reports), appended to
// "clientcore.log" in the program's log folder ($TMPDIR/Quorvane), mode 0600. The library
// keeps a log apart from the program's, which it does not share a process-wide logger with.
#pragma once

#include <string>

class CCoreLog {
public:
    // Appends one line with the time; failures to write are ignored.
    static void Write(const std::string& line);
    // Path of the log file.
    static std::string FilePath();
};
