#include "language/CTextTable.h"

#include "language/LangStrings.h"
#include "language/TextTableData.h"
#include "platform/Paths.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <unordered_map>
#include <vector>

namespace {

const std::string kStars91(91, '*');

// One "key=value" line of a language file: views into the file's text, and the key
// lower-cased (owned by the duplicate index, whose keys never move).
struct LanguageRecord {
    std::string_view key;
    std::string_view value;
    const std::string* lowerKey;
};

} // namespace

void CTextTable::SetTextRow(int row, const std::string& key, const std::string& defaultText,
                            const std::string& description, const std::string& group) {
    auto found = m_rows.find(row);
    if (found != m_rows.end()) {
        found->second.defaultText = defaultText;
        found->second.description = description;
        found->second.group = group;
        return;
    }
    TextRow entry;
    entry.row = row;
    entry.key = key;
    entry.defaultText = defaultText;
    entry.description = description;
    entry.group = group;
    m_rows.emplace(row, std::move(entry));
    // A key names the lowest row that has it.
    auto [indexed, isNew] = m_rowByKey.try_emplace(lang::ToLower(key), row);
    if (!isNew && row < indexed->second)
        indexed->second = row;
}

void CTextTable::ClearTranslations() {
    for (int number : m_definedRows) {
        TextRow& row = m_rows.at(number);
        row.translation.clear();
        row.sourceFile.clear();
        row.defined = 0;
    }
    m_definedRows.clear();
}

void CTextTable::FillBase(const std::string& productName, const std::string& versionText) {
    for (size_t i = 0; i < kBaseTextRowCount; ++i) {
        const TextRowData& data = kBaseTextRows[i];
        std::string defaultText;
        if (data.defaultText != nullptr)
            defaultText = data.defaultText;
        else if (data.row == kNameRow)
            defaultText = productName;
        else if (data.row == kVersionRow)
            defaultText = versionText;
        SetTextRow(data.row, data.key, defaultText, data.description, data.group);
    }
}

void CTextTable::FillOutlookExpress() {
    for (size_t i = 0; i < kOutlookTextRowCount; ++i) {
        const TextRowData& data = kOutlookTextRows[i];
        SetTextRow(data.row, data.key, data.defaultText != nullptr ? data.defaultText : "",
                   data.description, data.group);
    }
}

void CTextTable::SetEditionTexts(const std::string& productName, const std::string& versionText) {
    m_productName = productName;
    m_versionText = versionText;
}

void CTextTable::SetTokenRows(int nameRow, int versionRow) {
    m_nameRow = nameRow;
    m_versionRow = versionRow;
}

const TextRow* CTextTable::FindRow(int row) const {
    auto found = m_rows.find(row);
    return found == m_rows.end() ? nullptr : &found->second;
}

std::string CTextTable::GetText(int row) const {
    return GetTextImpl(row, 0);
}

std::string CTextTable::GetTextImpl(int row, int depth) const {
    const TextRow* entry = FindRow(row);
    if (entry == nullptr)
        return {};
    std::string text = entry->defined != 0 ? entry->translation : entry->defaultText;

    // Rows 0 and 1 are looked up once for the tokens; a token inside those rows stands for
    // the product name or the version text itself, which ends the replacement.
    if (text.find("<appname>") != std::string::npos) {
        std::string name =
            depth == 0 && row != m_nameRow ? GetTextImpl(m_nameRow, depth + 1) : std::string();
        if (name.empty())
            name = m_productName;
        lang::ReplaceAll(text, "<appname>", name);
    }
    if (text.find("<version>") != std::string::npos) {
        std::string version = depth == 0 && row != m_versionRow
                                  ? GetTextImpl(m_versionRow, depth + 1)
                                  : std::string();
        if (version.empty())
            version = m_versionText;
        lang::ReplaceAll(text, "<version>", version);
    }
    lang::ReplaceAll(text, "<newline>", "\n");
    return text;
}

void CTextTable::LoadLanguageFile(const std::string& path, std::ostream& report) {
    const std::string fileName = lang::FileNameOf(path);
    std::ifstream file;
    if (lang::IsReadableFile(path))
        file.open(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        report << "\n" << kStars91 << "\n***** Loading " << fileName << "\n\n";
        report << "\tError: Could not open file: " << path << "\n";
        report << "\n***** Done loading " << fileName << "\n" << kStars91 << "\n\n\n";
        return;
    }
    const std::string content((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
    LoadLanguageText(content, fileName, report);
}

void CTextTable::LoadLanguageText(std::string_view content, const std::string& fileName,
                                  std::ostream& report) {
    report << "\n" << kStars91 << "\n***** Loading " << fileName << "\n\n";

    std::vector<LanguageRecord> records;
    // Lower-cased key -> index of its latest record, for the duplicate report.
    std::unordered_map<std::string, size_t> seen;
    size_t pos = 0;
    while (pos < content.size()) {
        while (pos < content.size() && lang::IsSpace(content[pos]))
            ++pos;
        if (pos >= content.size())
            break;
        const size_t end = content.find_first_of("\r\n", pos);
        const std::string_view record =
            content.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? content.size() : end;
        if (record[0] == '#' || record[0] == '[')
            continue;
        const size_t equals = record.find('=');
        if (equals == std::string_view::npos) {
            report << "\tError: Invalid line detected: " << record;
            continue;
        }
        const std::string_view key = platform::TrimView(record.substr(0, equals));
        const std::string_view value = record.substr(equals + 1);
        auto [earlier, isNew] = seen.try_emplace(lang::ToLower(key), records.size());
        if (!isNew) {
            report << "\tError: Duplicate entries detected for: " << key
                   << "\n\t\tTranslation 1: " << value
                   << "\n\t\tTranslation 2: " << records[earlier->second].value << "\n";
            earlier->second = records.size();
        }
        records.push_back({key, value, &earlier->first});
    }

    std::vector<const LanguageRecord*> unknown;
    for (const LanguageRecord& record : records) {
        auto found = m_rowByKey.find(*record.lowerKey);
        if (found == m_rowByKey.end()) {
            unknown.push_back(&record);
            continue;
        }
        TextRow* target = &m_rows.at(found->second);
        if (target->defined != 0) {
            report << "\tOverriding value for " << target->key << ":\n\t\tPrevious translation ("
                   << target->sourceFile << "): " << target->translation
                   << "\n\t\tNew translation (" << fileName << "): " << record.value << "\n";
        }
        target->translation = record.value;
        target->sourceFile = fileName;
        if (target->defined == 0)
            m_definedRows.push_back(target->row);
        target->defined = 1;
    }
    if (!unknown.empty()) {
        report << "\n\t" << std::string(69, '-')
               << "\n\tWARNING: One or more entries are misspelled or not in use.\n\t"
                  "         Correct or remove the following entries:\n\n";
        for (const LanguageRecord* record : unknown)
            report << "\t" << fileName << ": " << record->key << "=" << record->value << "\n";
    }

    report << "\n***** Done loading " << fileName << "\n" << kStars91 << "\n\n\n";
}

void CTextTable::WriteMissingRows(std::ostream& report) const {
    bool first = true;
    for (const auto& [number, row] : m_rows) {
        if (row.defined != 0)
            continue;
        if (first) {
            report << "\n\n"
                   << std::string(89, '-')
                   << "\nERROR: One or more required entries are not defined in any language "
                      "file.\nAdd the following lines:\n";
            first = false;
        }
        report << "\n\t# " << row.key << " : " << row.description << "\n\t" << row.key << "="
               << row.defaultText << "\n";
    }
}

std::string CTextTable::LanguageTemplate(const std::string& fileName, const std::string& customer,
                                         const std::string& language) const {
    std::vector<std::string> groups;
    for (const auto& [number, row] : m_rows) {
        bool known = false;
        for (const std::string& group : groups)
            known = known || group == row.group;
        if (!known)
            groups.push_back(row.group);
    }

    const std::string dashes80(80, '-');
    std::ostringstream out;
    out << "# Generated by: " << m_productName << " Version: " << m_versionText << "\n"
        << "\n"
        << "# This is a template language file for this client\n"
        << "\n"
        << "# @client=" << m_productName << "\n"
        << "# @version=" << m_versionText << "\n"
        << "# @filename=" << fileName << "\n"
        << "# @customer=" << customer << "\n"
        << "# @language=" << language << "\n"
        << "\n# Total:\t" << m_rows.size() << " entries(s):\n\n\n";
    for (const std::string& group : groups) {
        out << "\n\n# " << dashes80 << "\n# [ " << group << " ]\n# " << dashes80 << "\n";
        for (const auto& [number, row] : m_rows) {
            if (row.group != group)
                continue;
            out << "\n# " << row.key << " : " << row.description << "\n"
                << row.key << "=" << row.defaultText << "\n";
        }
    }
    return out.str();
}

bool CTextTable::WriteLanguageTemplate(const std::string& path, const std::string& fileName,
                                       const std::string& customer,
                                       const std::string& language) const {
    return platform::WriteFileAtomic(path, LanguageTemplate(fileName, customer, language));
}
