#include "messages/CMMSRecord.h"

#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"

namespace {
constexpr const char* kReadLocation = "CMMSRecord::Serialize(readfile)";
constexpr const char* kWriteLocation = "CMMSRecord::Serialize(writefile)";
} // namespace

CMMSRecord CMMSRecord::FromBase(const CMessageRecord& base) {
    CMMSRecord record;
    record.AssignBase(base);
    return record;
}

bool CMMSRecord::Serialize(CArchiveReader& archive) {
    try {
        // The magic is only checked after the base block, so every MMS entry consumes one.
        std::string magic;
        if (!archive.ReadString(magic)) {
            Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        if (!CMessageRecord::Serialize(archive)) {
            return false;
        }
        int extraValues = 0;
        if (magic == "TWDMMS355") {
            extraValues = 2;
        } else if (magic == "TWDMMS354") {
            extraValues = 1;
        } else if (magic != "TWDMMS353") {
            Log(kReadLocation, "Unknown MMS record format", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        bool ok = archive.ReadString(MessageText) && archive.ReadString(MMSText2);
        if (ok && extraValues >= 1) {
            ok = archive.ReadInt32(MMSValue1);
        }
        if (ok && extraValues >= 2) {
            ok = archive.ReadInt32(MMSValue2);
        }
        if (!ok) {
            Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        return true;
    } catch (...) {
        Log(kReadLocation, "Error loading data from file.", LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    }
}

bool CMMSRecord::Serialize(CArchiveWriter& archive) const {
    return WriteTagged(archive, "TWDMMS355", kWriteLocation, [this](CArchiveWriter& out) {
        bool ok = out.WriteString(MessageText);
        ok = out.WriteString(MMSText2) && ok;
        out.WriteInt32(MMSValue1);
        out.WriteInt32(MMSValue2);
        return ok;
    });
}
