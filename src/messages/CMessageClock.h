// The local wall clock that message records compare their due dates with. Tests (and
// timeline tests of other subsystems) replace it to set "now".
#pragma once

#include <chrono>

// A local date and time (no time zone attached), as the records store it.
using MessageDateTime = std::chrono::local_seconds;

class CMessageClock {
public:
    using NowFunction = MessageDateTime (*)();

    // The current local time from the installed source (the system clock by default).
    static MessageDateTime Now();
    // Installs a source; nullptr restores the system clock. Safe to call from any thread.
    static void SetNowFunction(NowFunction source);
    // The system's current local time, to the second.
    static MessageDateTime SystemNow();
};
