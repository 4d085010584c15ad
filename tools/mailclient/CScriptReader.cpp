#include "CScriptReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>

namespace mailclient {

namespace {
constexpr std::size_t kMaxLine = 64 * 1024;
}

CScriptReader::~CScriptReader() {
    Stop();
    if (!m_ownsInput) {
        m_input.Release(); // standard input stays open
    }
}

bool CScriptReader::Start(const std::string& fifo, std::function<void()> wake, std::string& error) {
    if (fifo.empty()) {
        m_input.Reset(0);
        m_ownsInput = false;
    } else {
        // Read and write: the pipe never sees its last writer go, so writers may come and go.
        m_input.Reset(::open(fifo.c_str(), O_RDWR | O_CLOEXEC));
        m_ownsInput = true;
        if (!m_input) {
            error = "cannot open the script pipe " + fifo + ": " + std::strerror(errno);
            return false;
        }
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    m_stopRead.Reset(fds[0]);
    m_stopWrite.Reset(fds[1]);
    m_wake = std::move(wake);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CScriptReader::Stop() {
    if (m_thread.joinable()) {
        const char byte = 1;
        (void)::write(m_stopWrite.Get(), &byte, 1);
        m_thread.join();
    }
}

bool CScriptReader::TakeLine(std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_lines.empty()) {
        return false;
    }
    line = std::move(m_lines.front());
    m_lines.pop_front();
    return true;
}

bool CScriptReader::Ended() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended && m_lines.empty();
}

void CScriptReader::Run() {
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{m_input.Get(), POLLIN, 0}, {m_stopRead.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0) {
            return; // stopped: nothing more is queued or announced
        }
        char buffer[4096];
        const ssize_t n = ::read(m_input.Get(), buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        bool queued = false;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_lines.push_back(std::move(pending));
                pending.clear();
                queued = true;
            } else if (pending.size() < kMaxLine) {
                pending.push_back(c);
            }
        }
        if (queued && m_wake) {
            m_wake();
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!pending.empty()) {
            m_lines.push_back(std::move(pending));
        }
        m_ended = true;
    }
    if (m_wake) {
        m_wake();
    }
}

} // namespace mailclient
