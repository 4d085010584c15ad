#include "compose/CComposeRules.h"

#include "messages/CSmsText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

TextCount CComposeRules::CountText(const std::string& text, const CComposeSettings& settings,
                                   int truncationMode) {
    CSmsText::Limits limits;
    limits.messageLength = static_cast<std::size_t>(settings.messageLength);
    limits.concatLength = static_cast<std::size_t>(settings.concatMessageLength);
    limits.concat = settings.splitUpType != 0;

    TextCount count;
    std::size_t gsmMax = 0;
    std::size_t ucsMax = 0;
    if (truncationMode == 0) {
        gsmMax = limits.messageLength;
        ucsMax = std::min<std::size_t>(limits.messageLength, 70);
    } else {
        gsmMax = ucsMax = static_cast<std::size_t>(settings.splitUpCharLimit);
    }
    // Every keystroke comes here: a text of one-unit characters within the limit needs one
    // quick pass and no per-character bookkeeping.
    const CSmsText::Scan scan = CSmsText::ScanLenient(text);
    count.maximum = scan.ucs2 ? ucsMax : gsmMax;
    if (scan.uniform && scan.length <= count.maximum) {
        count.characters = scan.length;
        count.parts = CSmsText::UniformParts(scan.length, scan.ucs2, limits);
        count.keepBytes = text.size();
        return count;
    }
    const CSmsText measured = CSmsText::MeasureLenient(text);
    if (measured.Length() > count.maximum) {
        count.tooLong = true;
        count.keepBytes = measured.FitBytes(gsmMax, ucsMax);
        const CSmsText kept = CSmsText::MeasureLenient(text.substr(0, count.keepBytes));
        count.characters = kept.Length();
        count.parts = kept.Parts(limits);
        count.maximum = kept.IsUcs2() ? ucsMax : gsmMax;
        return count;
    }
    count.characters = measured.Length();
    count.parts = measured.Parts(limits);
    count.keepBytes = text.size();
    return count;
}

std::vector<OriginatorEntry> CComposeRules::OriginatorEntries(const CComposeSettings& settings,
                                                              const OriginatorSuffixes& suffixes) {
    std::vector<OriginatorEntry> entries;
    const std::pair<const std::string*, std::pair<const std::string*, const char*>> rows[] = {
        {&settings.msisdnOriginator, {&suffixes.mobile, "MSISDNORIGINATOR"}},
        {&settings.replyOriginator, {&suffixes.inbox, "REPLYORIGINATOR"}},
        {&settings.textOriginator, {&suffixes.noReply, "TEXTORIGINATOR"}},
    };
    for (const auto& [account, suffix] : rows) {
        if (!account->empty()) {
            entries.push_back({*account + " " + *suffix.first, suffix.second});
        }
    }
    return entries;
}

OriginatorCheck
CComposeRules::CheckOriginator(const std::string& boxText, const CComposeSettings& settings,
                               const OriginatorSuffixes& suffixes,
                               const std::function<std::string(const std::string&)>& convert) {
    OriginatorCheck check;
    const std::pair<const std::string*, const char*> marks[] = {
        {&suffixes.mobile, "MSISDNORIGINATOR"},
        {&suffixes.inbox, "REPLYORIGINATOR"},
        {&suffixes.noReply, "TEXTORIGINATOR"},
    };
    for (const auto& [suffix, value] : marks) {
        if (!suffix->empty() && boxText.find(*suffix) != std::string::npos) {
            check.ok = true;
            check.value = value;
            return check;
        }
    }
    // Typed by the user.
    if (!settings.allowOriginator && !settings.allowMsIsdnOriginator) {
        return check;
    }
    if (settings.allowOriginator && settings.allowMsIsdnOriginator) {
        check.ok = true;
        check.value = boxText;
        return check;
    }
    const std::string number = convert ? convert(boxText) : std::string();
    if (settings.allowMsIsdnOriginator) {
        if (number.empty()) {
            check.alertKey = "Alert.AlertOriginatorMustBeMSISDN";
            return check;
        }
        check.ok = true;
        check.value = number;
        return check;
    }
    // Free text only: at most 11 characters, and no phone number.
    std::size_t characters = 0;
    for (unsigned char c : boxText) {
        characters += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    if (characters > 11) {
        check.alertKey = "Alert.AlertCustomTextExceed";
        return check;
    }
    if (!number.empty()) {
        check.alertKey = "Alert.AlertOriginatorMustNotBeMSISDN";
        return check;
    }
    check.ok = true;
    check.value = boxText;
    return check;
}

namespace {

const char* const kPlaceholders[] = {"<name>", "<firstname>", "<lastname>"};

bool MatchesNoCase(const std::string& text, std::size_t pos, const char* token) {
    for (std::size_t i = 0; token[i] != '\0'; ++i) {
        if (pos + i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[pos + i])) != token[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CComposeRules::NormalizePlaceholders(std::string& text) {
    bool any = false;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != '<') {
            continue;
        }
        for (const char* token : kPlaceholders) {
            if (MatchesNoCase(text, pos, token)) {
                const std::size_t length = std::char_traits<char>::length(token);
                text.replace(pos, length, token);
                pos += length - 1;
                any = true;
                break;
            }
        }
    }
    return any;
}

std::string CComposeRules::FillPlaceholders(const std::string& text,
                                            const RecipientContact& contact) {
    // One pass, so a name that itself reads like a placeholder stays as it is.
    const std::string* values[] = {&contact.displayName, &contact.firstName, &contact.lastName};
    std::string result;
    result.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        bool replaced = false;
        for (std::size_t i = 0; i < 3 && !replaced; ++i) {
            const std::size_t length = std::char_traits<char>::length(kPlaceholders[i]);
            if (text.compare(pos, length, kPlaceholders[i]) == 0) {
                result += *values[i];
                pos += length;
                replaced = true;
            }
        }
        if (!replaced) {
            result += text[pos++];
        }
    }
    return result;
}

std::optional<std::array<int, 4>> CComposeRules::ParseWindowRect(const std::string& text) {
    std::array<int, 4> rect{};
    if (std::sscanf(text.c_str(), "%d-%d-%d-%d", &rect[0], &rect[1], &rect[2], &rect[3]) != 4) {
        return std::nullopt;
    }
    return rect;
}

std::optional<std::string> CComposeRules::FormatWindowRect(int left, int top, int right,
                                                           int bottom) {
    if (left <= -6 || top <= -6 || right <= -6 || bottom <= -6) {
        return std::nullopt;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d-%d", left, top, right, bottom);
    return std::string(text);
}

std::string CComposeRules::WithoutCarriageReturns(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != '\r') {
            result += c;
        }
    }
    return result;
}
