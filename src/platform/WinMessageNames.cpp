#include "platform/WinMessageNames.h"
#include "platform/StringUtil.h"
#include "platform/UniqueFd.h"

#include "platform/WinRuntimeFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win::detail {

namespace {

std::string Lower(const std::string& text) {
    return platform::ToLower(text);
}

bool ReadAll(int fd, std::string* out) {
    out->clear();
    char buf[8192];
    off_t offset = 0;
    for (;;) {
        ssize_t n = ::pread(fd, buf, sizeof buf, offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out->append(buf, static_cast<std::size_t>(n));
        offset += n;
    }
}

bool WriteAll(int fd, const std::string& bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                             offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

WinMessageNames& WinMessageNames::Instance() {
    static WinMessageNames* names = new WinMessageNames;
    return *names;
}

UINT WinMessageNames::Register(const std::string& name) {
    if (name.empty() || name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return 0;
    }
    const std::string key = Lower(name);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_cache.find(key);
    if (it != m_cache.end()) {
        return it->second;
    }
    UINT number = 0;
    std::string dir = WinRuntimeFolder::Path();
    if (!dir.empty()) {
        number = RegisterInFile(dir + "/messages", name, key);
    }
    if (number == 0) {
        // No shared table: the number is good within this process only. Private numbers
        // count down from the top so that they meet shared ones as late as possible.
        if (m_nextPrivate < kFirst) {
            return 0;
        }
        number = m_nextPrivate--;
        WinRuntimeFolder::ReportOnce("win::RegisterWindowMessage",
                                     "Registered window messages are private to this process");
    }
    m_cache[key] = number;
    return number;
}

UINT WinMessageNames::RegisterInFile(const std::string& path, const std::string& name,
                                     const std::string& key) {
    platform::UniqueFd owner(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    const int fd = owner.Get();
    if (fd < 0) {
        WinRuntimeFolder::ReportOnce("win::RegisterWindowMessage", "Cannot open " + path);
        return 0;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        WinRuntimeFolder::ReportOnce("win::RegisterWindowMessage", "Refusing " + path);
        return 0;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return 0;
        }
    }
    std::string text;
    UINT number = 0;
    if (ReadAll(fd, &text)) {
        UINT highest = kFirst - 1;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string::npos) {
                end = text.size();
            }
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            // "<hex number> <name>"; anything else is damage and skipped.
            std::size_t space = line.find(' ');
            if (space == std::string::npos || space == 0 || space + 1 >= line.size()) {
                continue;
            }
            char* stop = nullptr;
            unsigned long value = std::strtoul(line.c_str(), &stop, 16);
            if (stop != line.c_str() + space || value < kFirst || value > kLast) {
                continue;
            }
            UINT v = static_cast<UINT>(value);
            std::string lineKey = Lower(line.substr(space + 1));
            m_cache.emplace(lineKey, v);
            if (lineKey == key && number == 0) {
                number = v;
            }
            highest = std::max(highest, v);
        }
        if (number == 0 && highest < kLast) {
            number = highest + 1;
            char head[16];
            std::snprintf(head, sizeof head, "%04X ", number);
            std::string entry;
            if (!text.empty() && text.back() != '\n') {
                entry += '\n'; // a torn last line stays on its own
            }
            entry += head + name + "\n";
            if (!WriteAll(fd, entry, static_cast<off_t>(text.size()))) {
                number = 0;
            }
        }
    }
    ::flock(fd, LOCK_UN);
    owner.Reset();
    if (number == 0) {
        WinRuntimeFolder::ReportOnce("win::RegisterWindowMessage",
                                     "Cannot register window messages in " + path);
    }
    return number;
}

} // namespace win::detail
