// The platform layer reports problems it recovers from (a damaged hive line, a refused peer)
// through one sink, which the program's log installs. Without a sink the reports are dropped.
#pragma once

#include <string>

namespace platform {

// severity as in the program log: 0 trace, 1 information, 2 warning or error.
using DiagnosticSink = void (*)(const char* location, const std::string& message, int severity);

void SetDiagnosticSink(DiagnosticSink sink);
void ReportDiagnostic(const char* location, const std::string& message, int severity = 2);

} // namespace platform
