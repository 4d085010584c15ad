#include "compose/ComposeLog.h"

#include "app/log/LogManager.h"

#include <atomic>

namespace compose {

namespace {
std::atomic<LogObserver> g_observer{nullptr};
}

void LogCompose(const char* location, const std::string& message, int category, int severity,
                bool appendSystemError) {
    LogObserver observer = g_observer.load(std::memory_order_acquire);
    if (observer != nullptr) {
        observer(location, message, category, severity);
    }
    ::Log(location, message, category, severity, appendSystemError);
}

void SetLogObserver(LogObserver observer) {
    g_observer.store(observer, std::memory_order_release);
}

} // namespace compose
