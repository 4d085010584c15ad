#include "platform/DynLib.h"

#include <dlfcn.h>
#include <mutex>
#include <utility>

namespace platform {

namespace {

// dlerror keeps one message per thread, and any dl call may overwrite it: read it at once.
std::string TakeDlError(const char* fallback) {
    const char* e = ::dlerror();
    return e != nullptr ? std::string(e) : std::string(fallback);
}

} // namespace

DynLib::~DynLib() {
    Close();
}

DynLib::DynLib(DynLib&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error)) {}

DynLib& DynLib::operator=(DynLib&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
    }
    return *this;
}

bool DynLib::Open(const std::string& path) {
    Close();
    if (path.empty()) {
        m_error = "empty library path";
        return false;
    }
    ::dlerror();
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        m_error = TakeDlError("cannot load library");
        return false;
    }
    m_path = path;
    m_error.clear();
    return true;
}

void DynLib::Close() {
    if (m_handle != nullptr) {
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
    m_path.clear();
}

void* DynLib::Symbol(const std::string& name) const {
    if (m_handle == nullptr) {
        m_error = "library not loaded";
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(m_handle, name.c_str());
    if (address == nullptr) {
        m_error = TakeDlError("symbol not found");
        return nullptr;
    }
    m_error.clear();
    return address;
}

} // namespace platform
