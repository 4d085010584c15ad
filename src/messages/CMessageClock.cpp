#include "messages/CMessageClock.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<CMessageClock::NowFunction> g_source{nullptr};
}

MessageDateTime CMessageClock::Now() {
    NowFunction source = g_source.load(std::memory_order_acquire);
    return source != nullptr ? source() : SystemNow();
}

void CMessageClock::SetNowFunction(NowFunction source) {
    g_source.store(source, std::memory_order_release);
}

MessageDateTime CMessageClock::SystemNow() {
    using namespace std::chrono;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) {
        return MessageDateTime(seconds(t));
    }
    const local_days date{year(tm.tm_year + 1900) / month(static_cast<unsigned>(tm.tm_mon + 1)) /
                          day(static_cast<unsigned>(tm.tm_mday))};
    return date + hours(tm.tm_hour) + minutes(tm.tm_min) + seconds(tm.tm_sec);
}
