// A text message.
#pragma once

#include "messages/CMessageRecord.h"

class CSMSRecord : public CMessageRecord {
public:
    CSMSRecord() : CMessageRecord(MSGTYPE_SMS) {}
    CSMSRecord(const CSMSRecord&) = default;
    CSMSRecord(CSMSRecord&&) = default;
    CSMSRecord& operator=(const CSMSRecord&) = default;
    CSMSRecord& operator=(CSMSRecord&&) = default;
    // An SMS carrying the base fields of `base` (its own fields keep their initial values).
    static CSMSRecord FromBase(const CMessageRecord& base);

    bool Serialize(CArchiveReader& archive) override;
    bool Serialize(CArchiveWriter& archive) const override;

    std::string FlashMode;   // "16" for a flash SMS, "0" for a normal one
    std::string MessageText; // line breaks stored as "\n" only
    std::int32_t TruncateMode = 0;

private:
    bool ReadFlatLayout(CArchiveReader& archive);
};
