// One message the program sends or has sent: recipients, due date, sending progress and the
// delivery status of every recipient. Records are plain values: copying copies every field,
// the recipient list included. The store owns the records in its folders and hands out copies.
#pragma once

#include "messages/CMessageClock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CArchiveReader;
class CArchiveWriter;
class CLangTranslator;

enum MSGSTATUS : std::int32_t {
    MSGSTATUS_FINAL = 1,
    MSGSTATUS_ERROR = 2,
    MSGSTATUS_NOT_SENT = 3,
    MSGSTATUS_AWAITING_ID = 4,
    MSGSTATUS_AWAITING_STATUS = 5,
};

enum : std::int32_t { MSGTYPE_NONE = -1, MSGTYPE_SMS = 0, MSGTYPE_MMS = 1 };

struct MessageRecipient {
    std::string Number;     // international form with a leading "+"
    std::string SecondText; // carried through the files, never filled here
    std::string StatusText; // delivery status from the service; empty until a report arrives
    bool Final = false;     // no further reports expected for this recipient

    bool operator==(const MessageRecipient&) const = default;
};

class CMessageRecord {
public:
    CMessageRecord() = default;
    CMessageRecord(const CMessageRecord&) = default;
    CMessageRecord(CMessageRecord&&) = default;
    CMessageRecord& operator=(const CMessageRecord&) = default;
    CMessageRecord& operator=(CMessageRecord&&) = default;
    virtual ~CMessageRecord() = default;

    // Replaces the recipients from a list of numbers separated by "," or ";". Returns the new
    // number of recipients.
    int SetRecipients(const std::string& numbers);
    // The numbers joined by `separator`, with no separator at the end.
    std::string GetRecipients(char separator) const;
    // Applies one delivery report: the numbers it is for ("," separated; "+0" means every
    // recipient), the service's status text and code (a code starting with "F" is final).
    // `translator` may be null (built-in texts).
    void UpdateRecipientStatus(const std::string& numbers, const std::string& statusText,
                               const std::string& statusCode,
                               const CLangTranslator* translator = nullptr);

    // True when DateTime is not later than the current local time.
    bool IsDue() const;
    // DateTime as a value; a text that is no valid date gives the zero date 1899-12-30 00:00.
    MessageDateTime GetDateTime() const;
    // Sets DateTime from the value, or from the current local time when none is given.
    void SetDateTime(std::optional<MessageDateTime> when = std::nullopt);

    // Diagnostic text of the record, for the log.
    std::string Dump() const;

    // Loads the record from the archive or stores it into it. False (with a log line) when the
    // data cannot be read or written; what was read before a failure stays in the record.
    virtual bool Serialize(CArchiveReader& archive);
    virtual bool Serialize(CArchiveWriter& archive) const;

    // The dump text of a status value; empty for a value outside MSGSTATUS.
    static const char* StatusDumpText(std::int32_t status);
    static std::string FormatDateTime(MessageDateTime when);
    static const char* ZeroDateText() { return "1899-12-30 00:00"; }

    std::int32_t MessageType = MSGTYPE_NONE;
    std::int32_t Status = MSGSTATUS_NOT_SENT;
    std::string GUID;
    std::string Sender;
    std::string DateTime = ZeroDateText();
    std::string StatusLabel;
    std::string AccountID;
    std::string Originator;
    std::string ErrorText;
    std::int32_t iLowID = 0;
    std::int32_t HighID = 0;
    std::int32_t ReservedValue = 0;
    std::int32_t StatusQueryCount = 0;
    std::vector<MessageRecipient> Recipients;

protected:
    explicit CMessageRecord(std::int32_t type) : MessageType(type) {}
    // Copies every base field except MessageType, which belongs to the class.
    void AssignBase(const CMessageRecord& other);
    // Reads or writes the recipient entries of a record (count already handled).
    static bool ReadRecipients(CArchiveReader& archive, std::int32_t count,
                               std::vector<MessageRecipient>& recipients);
    static void WriteRecipients(CArchiveWriter& archive,
                                const std::vector<MessageRecipient>& recipients, bool& ok);
    // Writes a derived record: its format tag, the base block, then what `body` writes. False,
    // logged under `location`, when a write fails or `body` answers false.
    bool WriteTagged(CArchiveWriter& archive, const char* tag, const char* location,
                     const std::function<bool(CArchiveWriter&)>& body) const;
};
