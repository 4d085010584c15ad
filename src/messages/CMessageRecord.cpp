#include "messages/CMessageRecord.h"
#include "platform/StringUtil.h"

#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"
#include "messages/MessagesText.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kBaseMagic = "TWDMSG353";

void TrimRight(std::string& text) {
    text = platform::TrimRight(text);
}

void TrimRightChar(std::string& text, char c) {
    while (!text.empty() && text.back() == c) {
        text.pop_back();
    }
}

using platform::Trim;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

} // namespace

void CMessageRecord::AssignBase(const CMessageRecord& other) {
    const std::int32_t type = MessageType;
    CMessageRecord::operator=(other);
    MessageType = type;
}

int CMessageRecord::SetRecipients(const std::string& numbers) {
    std::string list = numbers;
    std::replace(list.begin(), list.end(), ';', ',');
    TrimRight(list);
    TrimRightChar(list, ',');
    Recipients.clear();
    for (const std::string& piece : Split(list, ',')) {
        std::string number = Trim(piece);
        if (!number.empty()) {
            Recipients.push_back(MessageRecipient{std::move(number), {}, {}, false});
        }
    }
    return static_cast<int>(Recipients.size());
}

std::string CMessageRecord::GetRecipients(char separator) const {
    std::string joined;
    for (const MessageRecipient& r : Recipients) {
        joined += r.Number;
        joined.push_back(separator);
    }
    TrimRight(joined);
    TrimRightChar(joined, separator);
    return joined;
}

void CMessageRecord::UpdateRecipientStatus(const std::string& numbers,
                                           const std::string& statusText,
                                           const std::string& statusCode,
                                           const CLangTranslator* translator) {
    ++StatusQueryCount;
    const bool final = !statusCode.empty() && statusCode[0] == 'F';
    const bool tooManyReports = StatusQueryCount > 10;
    std::string unknownText;
    if (tooManyReports) {
        unknownText = messages::TranslateText(translator, "sendMessage.LabelRecipientStatusUnknown",
                                              "Unknown");
    }
    // An empty list is one number "+", which matches no recipient.
    for (std::string number : Split(numbers, ',')) {
        number = Trim(number);
        if (number.empty() || number[0] != '+') {
            number.insert(number.begin(), '+');
        }
        const bool everyone = number == "+0";
        for (MessageRecipient& r : Recipients) {
            if (everyone || r.Number == number) {
                r.StatusText = statusText;
                r.Final = final;
            }
        }
    }
    // The status is decided once every number of the report has been applied, so a report
    // that finalises several recipients at once leaves a final record.
    std::int32_t result = MSGSTATUS_FINAL;
    for (MessageRecipient& r : Recipients) {
        if (tooManyReports && r.StatusText.empty()) {
            r.StatusText = unknownText;
            r.Final = true;
        }
        if (!r.Final) {
            result = MSGSTATUS_AWAITING_STATUS;
        }
    }
    Status = result;
}

MessageDateTime CMessageRecord::GetDateTime() const {
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    int fields = std::sscanf(DateTime.c_str(), "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    if (fields < 5) {
        h = 0;
        mi = 0;
    }
    const local_days zero{year(1899) / December / 30};
    if (fields < 3 || y < -32767 || y > 32767 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 ||
        h > 23 || mi < 0 || mi > 59) {
        return zero;
    }
    const year_month_day ymd{year(y), month(static_cast<unsigned>(mo)),
                             day(static_cast<unsigned>(d))};
    if (!ymd.ok()) {
        return zero;
    }
    return local_days{ymd} + hours(h) + minutes(mi);
}

void CMessageRecord::SetDateTime(std::optional<MessageDateTime> when) {
    DateTime = FormatDateTime(when.has_value() ? *when : CMessageClock::Now());
}

bool CMessageRecord::IsDue() const {
    return GetDateTime() <= CMessageClock::Now();
}

std::string CMessageRecord::FormatDateTime(MessageDateTime when) {
    using namespace std::chrono;
    const local_days day = floor<days>(when);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> time{when - day};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d-%02u-%02u %02d:%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return buffer;
}

const char* CMessageRecord::StatusDumpText(std::int32_t status) {
    switch (status) {
    case MSGSTATUS_FINAL:
        return "Message has been sent and all recipients recieved final status";
    case MSGSTATUS_ERROR:
        return "An error occured while sending the message";
    case MSGSTATUS_NOT_SENT:
        return "Message is not yet sent";
    case MSGSTATUS_AWAITING_ID:
        return "Message is awaiting a MessageID";
    case MSGSTATUS_AWAITING_STATUS:
        return "Message has been sent but not all recipients have recieved final status";
    default:
        return "";
    }
}

std::string CMessageRecord::Dump() const {
    std::string text = "Message record dump:\nStatus: ";
    text += StatusDumpText(Status);
    char ids[80];
    std::snprintf(ids, sizeof ids, "\niLowID: %d\nHighID: %d", static_cast<int>(iLowID),
                  static_cast<int>(HighID));
    text += ids;
    text += "\nGUID: " + GUID;
    text += "\nRecipients: " + GetRecipients(',');
    text += "\nSender: " + Sender;
    text += "\nDateTime: " + DateTime;
    text += "\nStatusLabel: " + StatusLabel;
    text += "\nAccountID: " + AccountID;
    text += "\nOriginator: " + Originator;
    text += "\nErrorText: " + ErrorText;
    return text;
}

bool CMessageRecord::ReadRecipients(CArchiveReader& archive, std::int32_t count,
                                    std::vector<MessageRecipient>& recipients) {
    recipients.clear();
    // Each entry takes at least 7 bytes, which bounds what a damaged count can reserve.
    if (count > 0) {
        recipients.reserve(
            std::min<std::size_t>(static_cast<std::size_t>(count), archive.Remaining() / 7));
    }
    for (std::int32_t i = 0; i < count; ++i) {
        MessageRecipient r;
        if (!archive.ReadBool(r.Final) || !archive.ReadString(r.Number) ||
            !archive.ReadString(r.SecondText) || !archive.ReadString(r.StatusText)) {
            return false;
        }
        recipients.push_back(std::move(r));
    }
    return true;
}

void CMessageRecord::WriteRecipients(CArchiveWriter& archive,
                                     const std::vector<MessageRecipient>& recipients, bool& ok) {
    for (const MessageRecipient& r : recipients) {
        archive.WriteBool(r.Final);
        ok = archive.WriteString(r.Number) && ok;
        ok = archive.WriteString(r.SecondText) && ok;
        ok = archive.WriteString(r.StatusText) && ok;
    }
}

bool CMessageRecord::Serialize(CArchiveReader& archive) {
    static constexpr const char* kLocation = "CMessageRecord::Serialize(load)";
    try {
        std::string magic;
        if (!archive.ReadString(magic)) {
            Log(kLocation, "Error: Unknown exception caught.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        if (magic != kBaseMagic) {
            Log(kLocation, "Error: Unknown record format.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        std::int32_t count = 0;
        bool ok = archive.ReadInt32(HighID) && archive.ReadInt32(iLowID) &&
                  archive.ReadInt32(ReservedValue) && archive.ReadInt32(StatusQueryCount) &&
                  archive.ReadInt32(Status) && archive.ReadInt32(count) &&
                  archive.ReadString(AccountID) && archive.ReadString(DateTime) &&
                  archive.ReadString(ErrorText) && archive.ReadString(GUID) &&
                  archive.ReadString(Originator) && archive.ReadString(Sender) &&
                  archive.ReadString(StatusLabel) && ReadRecipients(archive, count, Recipients);
        if (!ok) {
            Log(kLocation, "Error: Unknown exception caught.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        return true;
    } catch (...) {
        Log(kLocation, "Error: Unknown exception caught.", LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    }
}

bool CMessageRecord::Serialize(CArchiveWriter& archive) const {
    try {
        bool ok = archive.WriteString(kBaseMagic);
        archive.WriteInt32(HighID);
        archive.WriteInt32(iLowID);
        archive.WriteInt32(ReservedValue);
        archive.WriteInt32(StatusQueryCount);
        archive.WriteInt32(Status);
        archive.WriteInt32(static_cast<std::int32_t>(Recipients.size()));
        for (const std::string* text :
             {&AccountID, &DateTime, &ErrorText, &GUID, &Originator, &Sender, &StatusLabel}) {
            ok = archive.WriteString(*text) && ok;
        }
        WriteRecipients(archive, Recipients, ok);
        if (!ok || Recipients.size() > 0x7FFFFFFFu) {
            Log("CMessageRecord::Serialize(writefile)", "Error storing data to file.", LOG_CAT_DATA,
                LOG_SEV_ERROR);
            return false;
        }
        return true;
    } catch (...) {
        Log("CMessageRecord::Serialize(writefile)", "Error storing data to file.", LOG_CAT_DATA,
            LOG_SEV_ERROR);
        return false;
    }
}

bool CMessageRecord::WriteTagged(CArchiveWriter& archive, const char* tag, const char* location,
                                 const std::function<bool(CArchiveWriter&)>& body) const {
    try {
        if (!archive.WriteString(tag)) {
            Log(location, "Error storing data to file.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        if (!CMessageRecord::Serialize(archive)) {
            return false;
        }
        if (!body(archive)) {
            Log(location, "Error storing data to file.", LOG_CAT_DATA, LOG_SEV_ERROR);
            return false;
        }
        return true;
    } catch (...) {
        Log(location, "Error storing data to file.", LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    }
}
