// Loads a folder file from the fuzz input, through the store as the program does, and checks
// that whatever loads is written and read back unchanged.
#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CMgmtSMS.h"
#include "platform/Paths.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        std::string path = platform::TempFolder() + "/tw-folder-fuzz-" + std::to_string(::getpid());
        platform::CreateFolder(path);
        // Every damaged input logs; keep the log quiet.
        CLogManager::Instance().SetMinimumSeverity(LogSeverity::Off);
        return path;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string& folder = Folder();
    {
        // A plain write: the store reads the file back at once, nothing needs to reach the disk.
        std::ofstream out(folder + "/outbox.dat", std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            return 0;
        }
    }
    MessageRecordList loaded;
    {
        CMgmtSMS store(folder);
        store.OutboxGetRecords(loaded, 0);
    }
    std::string written;
    if (!CMgmtMessages::WriteFolderData(loaded, written)) {
        std::abort();
    }
    MessageRecordList again;
    std::string error;
    if (!CMgmtMessages::ReadFolderData(written, again, error) || again.size() != loaded.size()) {
        std::abort();
    }
    std::string rewritten;
    if (!CMgmtMessages::WriteFolderData(again, rewritten) || rewritten != written) {
        std::abort();
    }
    return 0;
}
