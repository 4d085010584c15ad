#include "hook/support/System/QRegEdit.h"

#include "hook/support/Exception/QGenException.h"

#include <cerrno>

namespace qsupport {

void QRegEdit::Open(Hive hive, const std::string& path, win::DWORD access) {
    m_key.Close();
    const platform::RegRoot root = hive == Hive::CurrentUser ? platform::RegRoot::CurrentUser
                                                             : platform::RegRoot::LocalMachine;
    if ((access & ~kKeyRead) != 0 || !m_key.Open(root, path)) {
        throw QGenException(kGenRegistryOpen,
                            std::string("Failed to open registry key ") +
                                platform::RegRootName(root) + "\\" + path,
                            "QRegEdit::Open", ENOENT);
    }
}

std::string QRegEdit::ReadString(const std::string& name) const {
    std::optional<std::string> value;
    if (m_key.IsOpen()) {
        value = m_key.QueryString(name);
    }
    if (!value) {
        throw QGenException(kGenRegistryRead,
                            "Failed to read registry value \"" + name + "\" of " + m_key.Path(),
                            "QRegEdit::ReadString", ENOENT);
    }
    return *value;
}

} // namespace qsupport
