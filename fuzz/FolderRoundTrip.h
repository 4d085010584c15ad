// The property both folder file targets check: read, write, read again, write again.
#pragma once

#include "FuzzCheck.h"

#include "log/LogManager.h"
#include "messages/CMgmtMessages.h"

#include <string>
#include <string_view>

namespace fuzz {

inline void CheckFolderRoundTrip(std::string_view bytes) {
    static const bool quiet = [] {
        CLogManager::Instance().SetMinimumSeverity(LogSeverity::Off);
        return true;
    }();
    (void)quiet;
    MessageRecordList loaded;
    std::string error;
    const bool ok = CMgmtMessages::ReadFolderData(bytes, loaded, error);
    Check(ok || !error.empty(), "a failed read names its reason");
    Check(ok || loaded.empty(), "a failed read leaves no records");
    std::string written;
    Check(CMgmtMessages::WriteFolderData(loaded, written), "what was read can be written");
    MessageRecordList again;
    Check(CMgmtMessages::ReadFolderData(written, again, error), "what was written reads");
    Check(again.size() == loaded.size(), "the same number of records reads back");
    std::string rewritten;
    Check(CMgmtMessages::WriteFolderData(again, rewritten), "the records read back can be written");
    Check(rewritten == written, "the records read back write the same bytes");
}

} // namespace fuzz
