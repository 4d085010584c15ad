#include "hook/QVRegistry.h"

#include "hook/support/Exception/QGenException.h"

#include <cerrno>

using qsupport::QRegEdit;

std::string QVRegistry::ReadString(QRegEdit::Hive hive, const std::string& subKey,
                                   const std::string& name) {
    qsupport::QCriticalSection::Guard guard(m_lock);
    const std::string path =
        subKey.empty() ? std::string(kRoot) : std::string(kRoot) + "\\" + subKey;
    try {
        QRegEdit key;
        key.Open(hive, path, QRegEdit::kKeyRead);
        return key.ReadString(name);
    } catch (const qsupport::QException&) {
        return std::string();
    }
}

std::string QVRegistry::GetInstallRoot() {
    std::string root = ReadString(QRegEdit::Hive::CurrentUser, "", "InstallRoot");
    if (root.empty()) {
        root = ReadString(QRegEdit::Hive::LocalMachine, "", "InstallRoot");
    }
    if (root.empty()) {
        throw qsupport::QGenException(qsupport::kGenRegistryRead,
                                      "No InstallRoot for the current user or the machine",
                                      "QVRegistry::GetInstallRoot", ENOENT);
    }
    return root;
}

std::string QVRegistry::GetDefaultAccount() {
    return ReadString(QRegEdit::Hive::CurrentUser, "Accounts", "DefaultAccount");
}

std::string QVRegistry::GetReplyEmailSenderDomain(const std::string& account) {
    return ReadString(QRegEdit::Hive::CurrentUser, "Accounts\\" + account,
                      "ReplyEmailSenderDomain");
}

std::string QVRegistry::GetUserEmail(const std::string& account) {
    return ReadString(QRegEdit::Hive::CurrentUser, "Accounts\\" + account, "UserEmail");
}

std::string QVRegistry::GetReplyOriginator(const std::string& account) {
    return ReadString(QRegEdit::Hive::CurrentUser, "Accounts\\" + account, "ReplyOriginator");
}
