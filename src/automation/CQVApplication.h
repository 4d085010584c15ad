// The automation object: other programs ask it to open the compose dialog prefilled with
// recipients and a text. It never shows anything itself. ShowDlgSMS builds an SMS record,
// parks a copy in the application's message reference map and broadcasts "QVShowNewSMS"
// with the key, on which the running program's hidden window opens the compose dialog.
//
// Plain C++ without Qt: the D-Bus side (CAutomationServer) hands the three texts over as
// UTF-8. What it needs of the application comes in through Host, read at each call (the
// country-code library is loaded after the object is registered).
//
// The algorithm, for names, numbers and the message:
//   - every decimal digit is removed from the names text;
//   - the numbers text is split at ";", each part trimmed, empty parts skipped, each part
//     converted to an international number with the home country (kept as given when the
//     conversion yields nothing);
//   - the names text is split at ";", each part trimmed, empty ones kept, then cut or padded
//     with empty names to the number count;
//   - the recipient text is "%s (%s);" of name and number for a named recipient, "%s;" of the
//     number otherwise; the record gets those recipients and the message as its text;
//   - the result is 0 whether or not a key could be obtained (a failure is logged).
// A numbers text with more than automation::kMaxRecipients non-empty parts is refused with
// automation::kInvalidArgument before anything is converted or parked: no message can go to
// so many, and converting and showing them would hold the program up for minutes.
// The message text is cut (at a character boundary) after the most characters the compose
// dialog ever keeps (CComposeSettings::kMaxSplitUpCharLimit; every character takes at least
// one unit): the dialog would cut it there anyway, and megabytes would hold it up for minutes.
// A comma inside a name becomes a blank: records separate recipients at "," as well as ";",
// and a name must not split its recipient in two.
//
// Called on the thread that serves the bus (the main thread); the reference map guards
// itself. Texts of any length are handled in time linear in their size.
#pragma once

#include "messages/CSMSRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CQVApplication {
public:
    struct Host {
        // The international number for a typed number; empty when it does not convert (or
        // no country-code library is there).
        std::function<std::string(const std::string&)> convertNumber;
        // MSGRefAdd of the application: the key (at least 1), or 0 on failure.
        std::function<std::uint32_t(const CMessageRecord&)> msgRefAdd;
        // Tells the program's windows about the key; by default "QVShowNewSMS" is posted to
        // every top-level window with the key as first parameter and 0 as second.
        std::function<void(std::uint32_t key)> announce;
    };

    explicit CQVApplication(Host host);

    // Returns the result code: 0, or kInvalidArgument for too many recipients.
    std::int32_t ShowDlgSMS(const std::string& names, const std::string& numbers,
                            const std::string& message);

    // The steps, for callers and tests that need one of them.
    static std::vector<std::string>
    SplitNumbers(const std::string& numbers,
                 const std::function<std::string(const std::string&)>& convert);
    static std::vector<std::string> SplitNames(const std::string& names, std::size_t count);
    // True (and logged) when the numbers text names more recipients than a call may.
    static bool TooManyRecipients(const std::string& numbers);
    // The non-empty parts of a numbers text (what SplitNumbers would return, without
    // converting); stops counting beyond `limit`.
    static std::size_t CountNumbers(const std::string& numbers, std::size_t limit);
    // The beginning of a UTF-8 text of at most `characters` characters.
    static std::string CutCharacters(const std::string& text, std::size_t characters);
    static std::string RecipientText(const std::vector<std::string>& names,
                                     const std::vector<std::string>& numbers);
    static CSMSRecord BuildRecord(const std::string& names, const std::string& numbers,
                                  const std::string& message,
                                  const std::function<std::string(const std::string&)>& convert);

    // Posts "QVShowNewSMS" (key, 0) to every top-level window of the session.
    static void BroadcastShowNewSMS(std::uint32_t key);

private:
    Host m_host;
};
