#include "options/COptionsRules.h"

#include "config/CQVRegClass.h"

#include <string_view>

namespace {

constexpr const char* kStartWithDesktop = "StartWithDesktop";

bool IsLabelChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c >= 0x80;
}

bool IsLocalChar(unsigned char c) {
    if (c >= 0x80) {
        return true; // an internationalised address
    }
    if (c <= 0x20 || c == 0x7F) {
        return false;
    }
    return std::string_view("\"(),:;<>@[\\]").find(static_cast<char>(c)) == std::string_view::npos;
}

} // namespace

std::array<bool, 8> COptionsRules::AlertBoxes(const std::array<int, 9>& flags) {
    std::array<bool, 8> boxes{};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i] = flags[kAlertPositions[i]] != 0;
    }
    return boxes;
}

std::string COptionsRules::AlertListboxText(const std::array<bool, 8>& boxes) {
    std::array<int, 9> flags{};
    flags[2] = 1;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        flags[kAlertPositions[i]] = boxes[i] ? 1 : 0;
    }
    std::string text;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        text += (i == 0 ? "" : ",") + std::to_string(flags[i]);
    }
    return text;
}

TruncationChoice COptionsRules::ChoiceOf(unsigned truncationMode) {
    if (truncationMode == 0) {
        return TruncationChoice::OneSms;
    }
    return truncationMode == 1 ? TruncationChoice::LongMessages
                               : TruncationChoice::RememberLastUsed;
}

void COptionsRules::ApplyTruncation(const CQVRegClass& reg, TruncationChoice choice) {
    switch (choice) {
    case TruncationChoice::OneSms:
        reg.SetTruncationMode(0);
        return;
    case TruncationChoice::LongMessages:
        reg.SetTruncationMode(1);
        return;
    case TruncationChoice::RememberLastUsed:
        if (const unsigned before = reg.GetTruncationMode(); before != 3) {
            reg.SetRememberTruncMode(before);
        }
        reg.SetTruncationMode(3);
        return;
    }
}

OriginatorChoices COptionsRules::Originators(const OriginatorTexts& texts, bool rememberOriginator,
                                             unsigned accDefOriginator) {
    OriginatorChoices box;
    const std::pair<const std::string*, const std::string*> senders[] = {
        {&texts.msisdn, &texts.toMobile},
        {&texts.reply, &texts.toInbox},
        {&texts.text, &texts.noReply},
    };
    for (const auto& [sender, suffix] : senders) {
        if (!sender->empty()) {
            box.entries.push_back(*sender + " " + *suffix);
        }
    }
    if (box.entries.size() >= 2) {
        box.rememberEntry = box.entries.size();
        box.entries.push_back(texts.remember);
    }
    if (rememberOriginator && box.rememberEntry) {
        box.selected = *box.rememberEntry;
    } else if (accDefOriginator < box.entries.size() &&
               (!box.rememberEntry || accDefOriginator != *box.rememberEntry)) {
        box.selected = accDefOriginator;
    }
    return box;
}

void COptionsRules::ApplyOriginator(const CQVRegClass& reg, const OriginatorChoices& box,
                                    std::size_t chosen) {
    if (chosen >= box.entries.size()) {
        return; // an empty box writes nothing
    }
    if (box.rememberEntry && chosen == *box.rememberEntry) {
        reg.SetRememberOriginator(1);
        return;
    }
    reg.SetAccDefOriginator(static_cast<CQVRegClass::DWORD>(chosen));
    reg.SetRememberOriginator(0);
}

bool COptionsRules::LooksLikeEmail(const std::string& text) {
    const std::size_t at = text.find('@');
    if (at == std::string::npos || at == 0 || text.find('@', at + 1) != std::string::npos) {
        return false;
    }
    for (std::size_t i = 0; i < at; ++i) {
        if (!IsLocalChar(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    const std::string_view domain = std::string_view(text).substr(at + 1);
    std::size_t labels = 0;
    std::size_t start = 0;
    while (start <= domain.size()) {
        std::size_t end = domain.find('.', start);
        if (end == std::string_view::npos) {
            end = domain.size();
        }
        const std::string_view label = domain.substr(start, end - start);
        if (label.empty() || label.front() == '-' || label.back() == '-') {
            return false;
        }
        for (char c : label) {
            if (!IsLabelChar(static_cast<unsigned char>(c))) {
                return false;
            }
        }
        ++labels;
        start = end + 1;
    }
    return labels >= 2;
}

bool COptionsRules::GetStartWithDesktop(const CQVRegClass& reg) {
    return reg.ReadDWORD(1, reg.GetRootPaths().rootWithSeparator, kStartWithDesktop) != 0;
}

int COptionsRules::SetStartWithDesktop(const CQVRegClass& reg, bool enabled) {
    return reg.WriteDWORD(enabled ? 1 : 0, reg.GetRootPaths().rootWithSeparator, kStartWithDesktop);
}
