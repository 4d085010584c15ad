// Log lines of the message model and store. Everything here logs in the "Data" category; an
// observer (used by tests) sees each line as it is written.
#pragma once

#include <string>

namespace messages {

using LogObserver = void (*)(const char* location, const std::string& message, int severity);

// Writes one line to the program log in the "Data" category.
void LogData(const char* location, const std::string& message, int severity,
             bool appendSystemError = false);
// Installs an observer (nullptr removes it).
void SetLogObserver(LogObserver observer);

} // namespace messages
