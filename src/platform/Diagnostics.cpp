#include "platform/Diagnostics.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<DiagnosticSink> g_sink{nullptr};
}

void SetDiagnosticSink(DiagnosticSink sink) {
    g_sink.store(sink);
}

void ReportDiagnostic(const char* location, const std::string& message, DiagnosticLevel level) {
    DiagnosticSink sink = g_sink.load();
    if (sink != nullptr) {
        sink(location, message, level);
    }
}

} // namespace platform
