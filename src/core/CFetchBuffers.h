// The text buffers of one result record and the size negotiation of the fetch calls: the core
// answers n >= 2 when a text does not fit, and the caller then reallocates every buffer with
// n + 1 bytes and asks again, until the answer is 0 (failure) or 1 (filled).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CFetchBuffers {
public:
    static constexpr std::int32_t kFirstSize = 1024;
    // A core that keeps asking for more past these limits is treated as failing, so that a
    // faulty answer can never keep the core thread in the loop.
    static constexpr std::int32_t kMaxSize = 64 * 1024 * 1024;
    static constexpr int kMaxRounds = 32;

    explicit CFetchBuffers(std::size_t count, std::int32_t size = kFirstSize);

    std::int32_t Size() const { return m_size; }
    std::size_t Count() const { return m_buffers.size(); }
    char* operator[](std::size_t index) { return m_buffers[index].get(); }
    const char* operator[](std::size_t index) const { return m_buffers[index].get(); }

    // Every buffer reallocated with `needed` + 1 bytes and emptied. False when that size is no
    // larger than the current one or above the limit.
    bool Grow(std::int32_t needed);

    // Runs `fetch` (which points the record at the buffers, sets its size field from Size()
    // and calls the core) until it answers 0 or 1, growing the buffers in between. Returns 1
    // when the record was filled, 0 otherwise. Every text ends with a NUL afterwards.
    template <class Fetch> std::int32_t Negotiate(Fetch fetch) {
        for (int round = 0; round < kMaxRounds; ++round) {
            std::int32_t rc = fetch();
            if (rc == 1) {
                Terminate();
                return 1;
            }
            if (rc < 2 || !Grow(rc)) {
                return 0;
            }
        }
        return 0;
    }

private:
    void Terminate();

    std::int32_t m_size;
    std::vector<std::unique_ptr<char[]>> m_buffers;
};
