// The platform layer reports problems it recovers from (a damaged hive line, a refused peer)
// through one sink, which the program's log installs. Without a sink the reports are dropped.
#pragma once

#include <string>

namespace platform {

// How much a report matters: the log writes Info as information, Error as warning or error.
enum class DiagnosticLevel { Info, Error };

using DiagnosticSink = void (*)(const char* location, const std::string& message,
                                DiagnosticLevel level);

void SetDiagnosticSink(DiagnosticSink sink);
void ReportDiagnostic(const char* location, const std::string& message,
                      DiagnosticLevel level = DiagnosticLevel::Error);

} // namespace platform
