// Log lines of the recipient logic (address book, known and remembered entries). An observer
// (used by tests) sees each line as it is written.
#pragma once

#include <string>

namespace compose {

using LogObserver = void (*)(const char* location, const std::string& message, int category,
                             int severity);

// Writes one line to the program log.
void LogCompose(const char* location, const std::string& message, int category, int severity,
                bool appendSystemError = false);
// Installs an observer (nullptr removes it).
void SetLogObserver(LogObserver observer);

} // namespace compose
