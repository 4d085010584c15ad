#include "templates/CTemplateRules.h"

#include "platform/StringUtil.h"

#include <cstdio>

namespace {

int IndexOf(const CTemplateRecord& record) {
    const std::string& text = record.TemplateIndex;
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stoi(text);
}

} // namespace

std::string CTemplateRules::CounterText(std::size_t characters) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld [%ld]", static_cast<long>(characters),
                  static_cast<long>(characters / 161 + 1));
    return text;
}

std::size_t CTemplateRules::AddLimit(unsigned truncationMode, unsigned splitUpCharLimit) {
    return truncationMode == 0 ? 160 : EditLimit(splitUpCharLimit);
}

std::size_t CTemplateRules::EditLimit(unsigned splitUpCharLimit) {
    return splitUpCharLimit == 0 ? kNoLimitChars : splitUpCharLimit;
}

std::string CTemplateRules::ListText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        if (c == '\n') {
            shown += ' ';
        } else if (c != '\r') {
            shown += c;
        }
    }
    return shown;
}

std::string CTemplateRules::TrimName(const std::string& name) {
    return platform::Trim(name);
}

std::string CTemplateRules::TrimText(const std::string& text) {
    return platform::TrimRight(text);
}

std::vector<CTemplateRecord> CTemplateRules::InListOrder(CTemplateHandler& store) {
    auto lock = store.Lock();
    store.LoadTemplates();
    std::vector<CTemplateRecord> rows;
    const int count = store.GetTemplateCount();
    for (int i = 0; i < count; ++i) {
        CTemplateRecord record = store.GetTemplateByIndex(std::to_string(i));
        if (!record.IsEmpty()) {
            rows.push_back(std::move(record));
        }
    }
    return rows;
}

std::optional<CTemplateRecord> CTemplateRules::FindSignature(CTemplateHandler& store) {
    auto lock = store.Lock();
    store.LoadTemplates();
    for (CTemplateRecord record = store.GetFirstTemplate(); !record.IsEmpty();
         record = store.GetNextTemplate()) {
        if (record.IsSignature()) {
            return record;
        }
    }
    return std::nullopt;
}

bool CTemplateRules::NameTaken(CTemplateHandler& store, const std::string& name,
                               const std::string& except) {
    auto lock = store.Lock();
    store.LoadTemplates();
    return name != except && !store.GetTemplate(name).IsEmpty();
}

TemplateResult CTemplateRules::Add(CTemplateHandler& store, const std::string& name,
                                   const std::string& text, bool signature,
                                   const std::optional<CTemplateRecord>& replacing) {
    const std::string trimmedName = TrimName(name);
    const std::string trimmedText = TrimText(text);
    if (trimmedName.empty() || trimmedText.empty()) {
        return TemplateResult::Empty;
    }
    auto lock = store.Lock();
    store.LoadTemplates();
    CTemplateRecord record;
    record.TemplateName = trimmedName;
    record.TemplateText = trimmedText;
    if (replacing) {
        // The new template takes the old signature's place. A name that another template
        // already has would replace that template and leave a gap in the list: refused.
        if (NameTaken(store, trimmedName, replacing->TemplateName)) {
            return TemplateResult::NameExists;
        }
        store.RemoveTemplate(replacing->TemplateName);
        record.TemplateSignature = "YES";
        record.TemplateIndex = replacing->TemplateIndex;
    } else {
        if (!store.GetTemplate(trimmedName).IsEmpty()) {
            return TemplateResult::NameExists;
        }
        if (store.GetTemplateCount() > kMaxTemplates - 1) {
            return TemplateResult::Full;
        }
        record.TemplateSignature = signature ? "YES" : "NO";
        record.TemplateIndex = std::to_string(store.GetTemplateCount());
    }
    store.AddTemplate(trimmedName, record);
    store.SaveTemplates();
    return TemplateResult::Ok;
}

TemplateResult CTemplateRules::Edit(CTemplateHandler& store, const std::string& oldName,
                                    const std::string& oldIndex, const std::string& name,
                                    const std::string& text, bool signature) {
    const std::string trimmedName = TrimName(name);
    const std::string trimmedText = TrimText(text);
    if (trimmedName.empty() || trimmedText.empty()) {
        return TemplateResult::Empty;
    }
    auto lock = store.Lock();
    store.LoadTemplates();
    if (trimmedName != oldName && !store.GetTemplate(trimmedName).IsEmpty()) {
        return TemplateResult::NameExists;
    }
    CTemplateRecord record = store.GetTemplate(oldName);
    if (record.IsEmpty()) {
        record.TemplateIndex = oldIndex; // removed by another window meanwhile
    }
    record.TemplateSignature = signature ? "YES" : "NO";
    record.TemplateText = trimmedText;
    record.TemplateName = trimmedName;
    store.ModifyTemplate(trimmedName, record);
    if (trimmedName != oldName) {
        store.RemoveTemplate(oldName);
    }
    store.SaveTemplates();
    return TemplateResult::Ok;
}

void CTemplateRules::Remove(CTemplateHandler& store, const std::string& name) {
    auto lock = store.Lock();
    store.LoadTemplates();
    const CTemplateRecord removed = store.GetTemplate(name);
    if (removed.IsEmpty()) {
        return;
    }
    const int k = IndexOf(removed);
    const int count = store.GetTemplateCount();
    if (k >= 0) {
        for (int j = k + 1; j < count; ++j) {
            CTemplateRecord later = store.GetTemplateByIndex(std::to_string(j));
            if (later.IsEmpty()) {
                continue;
            }
            later.TemplateIndex = std::to_string(j - 1);
            store.ModifyTemplate(later.TemplateName, later);
        }
    }
    store.RemoveTemplate(name);
    store.SaveTemplates();
}

std::optional<int> CTemplateRules::Move(CTemplateHandler& store, const std::string& name,
                                        int delta) {
    auto lock = store.Lock();
    store.LoadTemplates();
    CTemplateRecord moved = store.GetTemplate(name);
    const int k = IndexOf(moved);
    const int target = k + delta;
    if (k < 0 || target < 0 || target >= store.GetTemplateCount()) {
        return std::nullopt;
    }
    CTemplateRecord neighbour = store.GetTemplateByIndex(std::to_string(target));
    if (neighbour.IsEmpty()) {
        return std::nullopt;
    }
    moved.TemplateIndex = std::to_string(target);
    neighbour.TemplateIndex = std::to_string(k);
    store.ModifyTemplate(moved.TemplateName, moved);
    store.ModifyTemplate(neighbour.TemplateName, neighbour);
    store.SaveTemplates();
    return target;
}
