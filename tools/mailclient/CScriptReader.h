// Reads the script's lines on a thread of its own, so the user-interface thread never blocks
// on input: from standard input (the end of the input ends the script) or from a named pipe
// (opened for reading and writing, so that writers may come and go without ending it). Each
// complete line is queued and the wake function is called on the reader thread; the owner
// then takes the lines on its own thread. Lines longer than 64 KiB are cut there.
#pragma once

#include "platform/UniqueFd.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace mailclient {

class CScriptReader {
public:
    CScriptReader() = default;
    ~CScriptReader();
    CScriptReader(const CScriptReader&) = delete;
    CScriptReader& operator=(const CScriptReader&) = delete;

    // Starts reading standard input, or the named pipe at `fifo` when it is not empty. False
    // (with `error`) when the pipe cannot be opened.
    bool Start(const std::string& fifo, std::function<void()> wake, std::string& error);
    // Ends the reader thread and waits for it.
    void Stop();

    // Takes the next queued line; false when none is queued.
    bool TakeLine(std::string& line);
    // True once the input has ended (standard input closed) and every line was taken.
    bool Ended();

private:
    void Run();

    platform::UniqueFd m_input;
    platform::UniqueFd m_stopRead;
    platform::UniqueFd m_stopWrite;
    bool m_ownsInput = false;
    std::function<void()> m_wake;
    std::thread m_thread;
    std::mutex m_mutex;
    std::deque<std::string> m_lines;
    bool m_ended = false;
};

} // namespace mailclient
