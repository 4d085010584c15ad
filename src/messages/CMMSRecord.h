// A multimedia message. The program reads, stores, lists and deletes these but does not
// compose them; MMSText2, MMSValue1 and MMSValue2 are carried as they are.
#pragma once

#include "messages/CMessageRecord.h"

class CMMSRecord : public CMessageRecord {
public:
    CMMSRecord() : CMessageRecord(MSGTYPE_MMS) {}
    CMMSRecord(const CMMSRecord&) = default;
    CMMSRecord(CMMSRecord&&) = default;
    CMMSRecord& operator=(const CMMSRecord&) = default;
    CMMSRecord& operator=(CMMSRecord&&) = default;
    // An MMS carrying the base fields of `base` (its own fields keep their initial values).
    static CMMSRecord FromBase(const CMessageRecord& base);

    bool Serialize(CArchiveReader& archive) override;
    bool Serialize(CArchiveWriter& archive) const override;

    std::string MessageText; // the body shown in lists
    std::string MMSText2;
    std::int32_t MMSValue1 = 100;
    std::int32_t MMSValue2 = 1;
};
