// The rows of the message status list: one per recipient, in record order, with the
// recipient's number and delivery status text. A recipient without a status text shows why:
// "Scheduled" while the message is not yet due, "Not avalible" once it has left the "not yet
// sent" state or while the computer is online, otherwise "Awaiting internet connection...".
#pragma once

#include "messages/CMessageRecord.h"

#include <string>
#include <utility>
#include <vector>

struct StatusFallbackTexts {
    std::string scheduled = "Scheduled";
    std::string notAvailable = "Not avalible";
    std::string awaitingConnection = "Awaiting internet connection...";
};

class CStatusRows {
public:
    using Row = std::pair<std::string, std::string>; // number, status text

    static std::vector<Row> Build(const CMessageRecord& record, bool online,
                                  const StatusFallbackTexts& texts);
    // The fallback texts through the current translator.
    static StatusFallbackTexts TranslatedTexts();
};
