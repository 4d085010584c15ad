// The hook library's own text lookup: key -> text and its menu mnemonic, filled from the
// language files "twoxcompany.lang" and "twox.lang".
//
// A file is read whole and split into lines at CR LF (a lone LF ends a line too, so files
// saved with Unix line ends work; a leading UTF-8 byte order mark is skipped). Empty lines
// and lines that begin with "#" are skipped. The key is the text before the first "=", the
// value the text after it (a line without "=" is a key with an empty value); nothing is
// trimmed, so blanks around "=" belong to key and value. Every "<newline>" in a value
// becomes CR LF. The first definition of a key wins, in the file and across files: the
// company file is loaded first so that its texts override the product's.
//
// The mnemonic of a text is the character after its first "&" that is not part of a doubled
// "&&" (which stands for a literal ampersand); a text without one has none (0).
//
// Not locked: one process fills it once (before the hook handler or the hook exists) and
// only reads it afterwards.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

class OeTextTable {
public:
    using Tokens = std::vector<std::pair<std::string, std::string>>;

    // Adds the entries of the file; raises qsupport::QFileException when it cannot be read.
    // The table counts as loaded afterwards, and the path is remembered.
    void Load(const std::string& path);
    // Adds the entries of a file's content (the same rules, no file involved).
    void LoadText(const std::string& content);

    bool IsLoaded() const { return m_loaded; }
    const std::string& LastPath() const { return m_path; }
    std::size_t Size() const { return m_entries.size(); }

    // The text of `key`; else `fallback` with every "<newline>" replaced by CR LF. While
    // nothing is loaded, the last file is tried once more (a failure is swallowed).
    std::string Translate(const std::string& key, const std::string& fallback);
    // Translate, then each "<name>" replaced by its value, pair by pair in order.
    std::string TranslateTokens(const std::string& key, const Tokens& tokens,
                                const std::string& fallback);
    // The mnemonic of the key's text; `fallback` when the key is absent or its text has none.
    char Mnemonic(const std::string& key, char fallback) const;

    static char MnemonicOf(const std::string& text);
    static std::string ExpandNewlines(const std::string& text);

private:
    struct Entry {
        std::string text;
        char mnemonic = 0;
    };

    std::map<std::string, Entry> m_entries;
    std::string m_path;
    bool m_loaded = false;
    bool m_retried = false;
};
