// A lock that the thread holding it may take again (as a critical section allows). Lock()
// and Unlock() pair up; QCriticalSection::Guard holds it for one scope.
#pragma once

#include <mutex>

namespace qsupport {

class QCriticalSection {
public:
    QCriticalSection() = default;
    QCriticalSection(const QCriticalSection&) = delete;
    QCriticalSection& operator=(const QCriticalSection&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

    class Guard {
    public:
        explicit Guard(QCriticalSection& section) : m_section(section) { m_section.Lock(); }
        ~Guard() { m_section.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        QCriticalSection& m_section;
    };

private:
    std::recursive_mutex m_mutex;
};

} // namespace qsupport
