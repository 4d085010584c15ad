#include "hook/OeTextTable.h"

#include "hook/support/Exception/QFileException.h"
#include "hook/support/File/QFile.h"
#include "hook/support/Utility/QStringTools.h"

#include <string_view>

using qsupport::QStringTools;

std::string OeTextTable::ExpandNewlines(const std::string& text) {
    return QStringTools::ReplaceAll(text, "<newline>", "\r\n");
}

char OeTextTable::MnemonicOf(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            continue;
        }
        if (i + 1 >= text.size()) {
            return 0;
        }
        if (text[i + 1] == '&') {
            ++i; // a doubled ampersand is a literal one
            continue;
        }
        return text[i + 1];
    }
    return 0;
}

void OeTextTable::LoadText(const std::string& content) {
    std::string_view rest(content);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        rest.remove_prefix(3);
    }
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t eq = line.find('=');
        std::string key(line.substr(0, eq));
        Entry entry;
        if (eq != std::string_view::npos) {
            entry.text = ExpandNewlines(std::string(line.substr(eq + 1)));
        }
        entry.mnemonic = MnemonicOf(entry.text);
        m_entries.emplace(std::move(key), std::move(entry));
    }
    m_loaded = true;
}

void OeTextTable::Load(const std::string& path) {
    m_path = path;
    qsupport::QFile file;
    file.Open(path);
    LoadText(file.ReadAll());
}

std::string OeTextTable::Translate(const std::string& key, const std::string& fallback) {
    if (!m_loaded && !m_retried && !m_path.empty()) {
        m_retried = true;
        try {
            Load(m_path);
        } catch (const qsupport::QFileException&) {
            // Still no file: the callers' defaults serve.
        }
    }
    auto it = m_entries.find(key);
    return it != m_entries.end() ? it->second.text : ExpandNewlines(fallback);
}

std::string OeTextTable::TranslateTokens(const std::string& key, const Tokens& tokens,
                                         const std::string& fallback) {
    std::string text = Translate(key, fallback);
    for (const auto& [name, value] : tokens) {
        text = QStringTools::ReplaceAll(text, "<" + name + ">", value);
    }
    return text;
}

char OeTextTable::Mnemonic(const std::string& key, char fallback) const {
    auto it = m_entries.find(key);
    if (it == m_entries.end() || it->second.mnemonic == 0) {
        return fallback;
    }
    return it->second.mnemonic;
}
