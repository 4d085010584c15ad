// The hook library's registry reads, on the Outlook Express edition's root
// "Software\Quorvane\Tidewell Outlook Express\2.0". Every value is a text opened for reading;
// a missing key or value reads as an empty text. Reads are serialised by one critical
// section (the search thread, the hook window and the exports may read at once).
#pragma once

#include "hook/support/Synchronization/QCriticalSection.h"
#include "hook/support/System/QRegEdit.h"

#include <string>

class QVRegistry {
public:
    static constexpr const char* kRoot = "Software\\Quorvane\\Tidewell Outlook Express\\2.0";

    // "InstallRoot": the current user's value, else the local machine's. Raises
    // qsupport::QGenException (2002) when neither has a non-empty value.
    std::string GetInstallRoot();
    // "DefaultAccount" of root\Accounts (current user).
    std::string GetDefaultAccount();
    // Values of root\Accounts\<account> (current user).
    std::string GetReplyEmailSenderDomain(const std::string& account);
    std::string GetUserEmail(const std::string& account);
    std::string GetReplyOriginator(const std::string& account);

    // One text value below the root ("" for the root itself); empty when missing.
    std::string ReadString(qsupport::QRegEdit::Hive hive, const std::string& subKey,
                           const std::string& name);

private:
    qsupport::QCriticalSection m_lock;
};
