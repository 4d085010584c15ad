// A shared library loaded at run time (dlopen), closed when the object goes.
#pragma once

#include <string>

namespace platform {

class DynLib {
public:
    DynLib() = default;
    ~DynLib();
    DynLib(const DynLib&) = delete;
    DynLib& operator=(const DynLib&) = delete;
    DynLib(DynLib&& other) noexcept;
    DynLib& operator=(DynLib&& other) noexcept;

    // Loads the library at `path` (symbols bound at once, kept local). Closes a library
    // opened before. False on failure; Error() tells why.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }
    const std::string& Path() const { return m_path; }

    // The address of the exported symbol, looked up now; null when absent (Error() tells).
    void* Symbol(const std::string& name) const;
    // The symbol as a function pointer of type F.
    template <typename F> F Function(const std::string& name) const {
        return reinterpret_cast<F>(Symbol(name));
    }

    // Text of the last failure of this object, empty when the last call succeeded.
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_path;
    mutable std::string m_error;
};

} // namespace platform
