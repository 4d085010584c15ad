// One open registry key of the platform's hives, read only. Open and ReadString raise
// QGenException (2001: the key cannot be opened, 2002: the value is missing or not a text),
// carrying the key path and value name in the text.
#pragma once

#include "platform/Registry.h"
#include "platform/Win.h"

#include <string>

namespace qsupport {

class QRegEdit {
public:
    enum class Hive { CurrentUser, LocalMachine };
    static constexpr win::DWORD kKeyRead = 0x00020019;

    QRegEdit() = default;
    QRegEdit(const QRegEdit&) = delete;
    QRegEdit& operator=(const QRegEdit&) = delete;

    // Opens an existing key for reading; only read access is offered (other access raises).
    void Open(Hive hive, const std::string& path, win::DWORD access = kKeyRead);
    std::string ReadString(const std::string& name) const;
    void Close() { m_key.Close(); }
    bool IsOpen() const { return m_key.IsOpen(); }

private:
    platform::RegKey m_key;
};

} // namespace qsupport
