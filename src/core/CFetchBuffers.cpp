#include "core/CFetchBuffers.h"

CFetchBuffers::CFetchBuffers(std::size_t count, std::int32_t size) : m_size(size) {
    for (std::size_t i = 0; i < count; ++i) {
        auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(m_size));
        buffer[0] = '\0';
        m_buffers.push_back(std::move(buffer));
    }
}

bool CFetchBuffers::Grow(std::int32_t needed) {
    if (needed < 1 || needed >= kMaxSize) {
        return false;
    }
    std::int32_t size = needed + 1;
    if (size <= m_size) {
        return false;
    }
    m_size = size;
    for (auto& buffer : m_buffers) {
        buffer = std::make_unique<char[]>(static_cast<std::size_t>(m_size));
        buffer[0] = '\0';
    }
    return true;
}

void CFetchBuffers::Terminate() {
    for (auto& buffer : m_buffers) {
        buffer[static_cast<std::size_t>(m_size) - 1] = '\0';
    }
}
