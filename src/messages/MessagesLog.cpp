#include "messages/MessagesLog.h"

#include "app/log/LogManager.h"

#include <atomic>

namespace messages {

namespace {
std::atomic<LogObserver> g_observer{nullptr};
}

void LogData(const char* location, const std::string& message, int severity,
             bool appendSystemError) {
    LogObserver observer = g_observer.load(std::memory_order_acquire);
    if (observer != nullptr) {
        observer(location, message, severity);
    }
    ::Log(location, message, LOG_CAT_DATA, severity, appendSystemError);
}

void SetLogObserver(LogObserver observer) {
    g_observer.store(observer, std::memory_order_release);
}

} // namespace messages
