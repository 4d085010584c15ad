// Waiting for conditions and child processes in tests.
//
// A test that waits for something another thread or process does polls a condition with a
// deadline: the condition is checked once more at the deadline, so a slow machine fails only
// when the thing really did not happen in time. Child processes are started without a shell;
// their standard error goes to /dev/null or to a file the test names (to show it on failure).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace twtest {

// True as soon as `condition` holds; false when it still does not hold after `limit`.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10),
               std::chrono::milliseconds poll = std::chrono::milliseconds(2));

// Starts `program` with `args`; its standard error is appended to `stderrPath` (created
// 0600), or discarded when the path is empty. The pid, or -1.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& stderrPath = "");

// Exit code of the child, 128 + signal when a signal ended it, or -1 when it did not end
// within `limit` (it is then left running).
int WaitForExit(pid_t pid, std::chrono::milliseconds limit = std::chrono::seconds(20));

} // namespace twtest
