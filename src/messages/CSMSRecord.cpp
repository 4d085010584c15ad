#include "messages/CSMSRecord.h"

#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"

namespace {
constexpr const char* kReadLocation = "CSMSRecord::Serialize(readfile)";
constexpr const char* kWriteLocation = "CSMSRecord::Serialize(writefile)";
} // namespace

CSMSRecord CSMSRecord::FromBase(const CMessageRecord& base) {
    CSMSRecord record;
    record.AssignBase(base);
    return record;
}

// The flat layout of old files: no base block, and iLowID before HighID.
bool CSMSRecord::ReadFlatLayout(CArchiveReader& archive) {
    std::int32_t count = 0;
    return archive.ReadString(GUID) && archive.ReadInt32(iLowID) && archive.ReadInt32(HighID) &&
           archive.ReadString(MessageText) && archive.ReadString(Sender) &&
           archive.ReadString(DateTime) && archive.ReadString(StatusLabel) &&
           archive.ReadString(AccountID) && archive.ReadString(Originator) &&
           archive.ReadString(FlashMode) && archive.ReadString(ErrorText) &&
           archive.ReadInt32(Status) && archive.ReadInt32(ReservedValue) &&
           archive.ReadInt32(StatusQueryCount) && archive.ReadInt32(TruncateMode) &&
           archive.ReadInt32(count) && ReadRecipients(archive, count, Recipients);
}

bool CSMSRecord::Serialize(CArchiveReader& archive) {
    try {
        std::string magic;
        if (!archive.ReadString(magic)) {
            Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        if (magic == "TWDSMS353") {
            if (!CMessageRecord::Serialize(archive)) {
                return false;
            }
            if (!archive.ReadString(MessageText) || !archive.ReadString(FlashMode) ||
                !archive.ReadInt32(TruncateMode)) {
                Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
                return false;
            }
            return true;
        }
        if (magic == "TWD350SMS") {
            if (!ReadFlatLayout(archive)) {
                Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
                return false;
            }
            return true;
        }
        Log(kReadLocation, "Unknown SMS record format", LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    } catch (...) {
        Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    }
}

bool CSMSRecord::Serialize(CArchiveWriter& archive) const {
    return WriteTagged(archive, "TWDSMS353", kWriteLocation, [this](CArchiveWriter& out) {
        bool ok = out.WriteString(MessageText);
        ok = out.WriteString(FlashMode) && ok;
        out.WriteInt32(TruncateMode);
        return ok;
    });
}
