#include "automation/CQVApplication.h"

#include "automation/AutomationIds.h"
#include "compose/CComposeSettings.h"
#include "gui/CGuiMessages.h"
#include "log/LogManager.h"
#include "platform/StringUtil.h"
#include "platform/Win.h"

#include <string_view>

namespace {

const char* const kShow = "CQVApplication::ShowDlgSMS";

// Calls `take` with each part of `text` between `separator`s, in order, until it returns
// false. An empty text has one empty part, as has the text after a trailing separator.
template <typename Take> void ForEachPart(std::string_view text, char separator, Take take) {
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(separator, begin);
        const std::string_view part = text.substr(
            begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
        if (!take(part) || end == std::string_view::npos) {
            return;
        }
        begin = end + 1;
    }
}

// The name as it may stand in a recipient text: no digits, and no comma, which would split
// the recipient. A comma becomes one blank ("Smith, John" and "Smith,John" give "Smith John").
std::string CleanName(std::string_view part) {
    std::string name;
    name.reserve(part.size());
    bool afterComma = false;
    for (char c : part) {
        if (c >= '0' && c <= '9') {
            continue;
        }
        if (c == ',' || (c == ' ' && afterComma)) {
            if (!afterComma && !name.empty() && name.back() != ' ') {
                name.push_back(' ');
            }
            afterComma = afterComma || c == ',';
            continue;
        }
        afterComma = false;
        name.push_back(c);
    }
    return platform::Trim(name);
}

} // namespace

CQVApplication::CQVApplication(Host host) : m_host(std::move(host)) {
    if (!m_host.announce) {
        m_host.announce = &CQVApplication::BroadcastShowNewSMS;
    }
}

std::vector<std::string>
CQVApplication::SplitNumbers(const std::string& numbers,
                             const std::function<std::string(const std::string&)>& convert) {
    std::vector<std::string> result;
    ForEachPart(numbers, ';', [&](std::string_view part) {
        std::string number = platform::Trim(part);
        if (!number.empty()) {
            std::string international = convert ? convert(number) : std::string();
            result.push_back(international.empty() ? std::move(number) : std::move(international));
        }
        return true;
    });
    return result;
}

std::size_t CQVApplication::CountNumbers(const std::string& numbers, std::size_t limit) {
    std::size_t count = 0;
    ForEachPart(numbers, ';', [&](std::string_view part) {
        for (char c : part) {
            if (!platform::IsSpace(c)) {
                ++count;
                break;
            }
        }
        return count <= limit;
    });
    return count;
}

bool CQVApplication::TooManyRecipients(const std::string& numbers) {
    if (CountNumbers(numbers, automation::kMaxRecipients) <= automation::kMaxRecipients) {
        return false;
    }
    Log(kShow, "Refused: more than " + std::to_string(automation::kMaxRecipients) + " recipients",
        LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    return true;
}

std::vector<std::string> CQVApplication::SplitNames(const std::string& names, std::size_t count) {
    std::vector<std::string> result;
    result.reserve(count);
    if (count > 0) {
        // Names beyond the number count are dropped: they are not even looked at.
        ForEachPart(names, ';', [&](std::string_view part) {
            result.push_back(CleanName(part));
            return result.size() < count;
        });
    }
    result.resize(count);
    return result;
}

std::string CQVApplication::CutCharacters(const std::string& text, std::size_t characters) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that is not a continuation byte (10xxxxxx).
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == characters) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::string CQVApplication::RecipientText(const std::vector<std::string>& names,
                                          const std::vector<std::string>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string& name = i < names.size() ? names[i] : std::string();
        if (name.empty()) {
            text += numbers[i] + ";";
        } else {
            text += name + " (" + numbers[i] + ");";
        }
    }
    return text;
}

CSMSRecord
CQVApplication::BuildRecord(const std::string& names, const std::string& numbers,
                            const std::string& message,
                            const std::function<std::string(const std::string&)>& convert) {
    // The texts arrive as UTF-8, which is the program's 8-bit character set: nothing to
    // convert. Digits go from the names before they are split (CleanName).
    const std::vector<std::string> numberList = SplitNumbers(numbers, convert);
    const std::vector<std::string> nameList = SplitNames(names, numberList.size());
    CSMSRecord record;
    record.SetRecipients(RecipientText(nameList, numberList));
    record.MessageText = CutCharacters(message, CComposeSettings::kMaxSplitUpCharLimit);
    return record;
}

void CQVApplication::BroadcastShowNewSMS(std::uint32_t key) {
    const win::UINT show = CGuiMessages::Get().showNewSMS;
    if (show == 0 || !win::PostMessage(win::HWND_BROADCAST, show, key, 0)) {
        Log(kShow, "Failed to post QVShowNewSMS for reference " + std::to_string(key),
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
}

std::int32_t CQVApplication::ShowDlgSMS(const std::string& names, const std::string& numbers,
                                        const std::string& message) {
    Log(kShow, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    if (TooManyRecipients(numbers)) {
        return automation::kInvalidArgument;
    }
    const CSMSRecord record = BuildRecord(names, numbers, message, m_host.convertNumber);
    const std::uint32_t key = m_host.msgRefAdd ? m_host.msgRefAdd(record) : 0;
    if (key != 0) {
        m_host.announce(key);
    } else {
        // The caller still hears success; only the log knows.
        Log(kShow, "No reference for the requested message; no dialog is opened",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    return automation::kSuccess;
}
