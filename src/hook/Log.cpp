#include "hook/Log.h"

#include "hook/FileLogTarget.h"

#include <chrono>
#include <cstdio>

namespace logging {

std::string Log::FormatLine(const std::tm& localTime, int milliseconds, win::DWORD threadId,
                            const std::string& function, const std::string& text) {
    char head[48];
    std::snprintf(head, sizeof head, "%02d:%02d:%02d.%03d\t0x%08x\t", localTime.tm_hour,
                  localTime.tm_min, localTime.tm_sec, milliseconds,
                  static_cast<unsigned>(threadId));
    std::string line = head;
    line += function;
    line += '\t';
    line += text;
    line += '\n';
    return line;
}

void Log::Write(const std::string& function, const std::string& text) {
    FileLogTarget* target = m_target.load();
    if (target == nullptr) {
        return;
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    target->Write(
        FormatLine(local, static_cast<int>(ms), win::GetCurrentThreadId(), function, text));
}

} // namespace logging
