// The numbered table of every text key the client is expected to have: its default text, a
// description for translators and a group heading. Texts looked up by row number (about and
// first-start pages, help addresses, tray texts), the language section of the branding report
// and the generated template language file all come from here.
//
// Not locked by itself: the branding object guards it with its own lock.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct TextRow {
    int32_t row = 0;
    std::string key;
    std::string defaultText;
    std::string description;
    std::string translation;
    std::string group;
    std::string sourceFile;
    int32_t defined = 0;
};

class CTextTable {
public:
    // Row numbers of the texts that stand for "<appname>" and "<version>".
    static constexpr int kNameRow = 0;
    static constexpr int kVersionRow = 1;

    // Inserts a row, or re-sets default text, description and group of an existing one (its
    // key, translation and defined flag stay).
    void SetTextRow(int row, const std::string& key, const std::string& defaultText,
                    const std::string& description, const std::string& group);

    // The 272 rows every edition has (0 to 273, 55 and 83 free); rows 0 and 1 default to the
    // product name and the program version text.
    void FillBase(const std::string& productName, const std::string& versionText);
    // The Outlook Express rows: 55 and 274 to 292, and its own web addresses for 254 and
    // 260 to 266.
    void FillOutlookExpress();

    // Product name and version text used when rows 0 and 1 give no text, and in the template.
    void SetEditionTexts(const std::string& productName, const std::string& versionText);
    // The rows that stand for "<appname>" and "<version>" (0 and 1 unless set).
    void SetTokenRows(int nameRow, int versionRow);

    // The row's translation when a language file defined it, else its default text, with
    // "<appname>", "<version>" and "<newline>" replaced. Unknown rows give an empty text.
    std::string GetText(int row) const;

    // Merges one language file into the table and reports to `report`.
    void LoadLanguageFile(const std::string& path, std::ostream& report);
    // The same for the text of a language file named `fileName`.
    void LoadLanguageText(std::string_view content, const std::string& fileName,
                          std::ostream& report);
    // Forgets what the language files loaded so far defined.
    void ClearTranslations();
    // Lists every row that no language file defined (nothing when all are defined).
    void WriteMissingRows(std::ostream& report) const;

    // Writes a template language file with every row and its default text. True when written.
    bool WriteLanguageTemplate(const std::string& path, const std::string& fileName,
                               const std::string& customer, const std::string& language) const;
    // The template's text, as WriteLanguageTemplate writes it.
    std::string LanguageTemplate(const std::string& fileName, const std::string& customer,
                                 const std::string& language) const;

    const TextRow* FindRow(int row) const;
    size_t RowCount() const { return m_rows.size(); }
    const std::map<int, TextRow>& Rows() const { return m_rows; }
    // The rows the language files loaded since the last ClearTranslations defined, in the
    // order they were first defined.
    const std::vector<int>& DefinedRows() const { return m_definedRows; }

private:
    std::string GetTextImpl(int row, int depth) const;

    std::map<int, TextRow> m_rows;
    std::unordered_map<std::string, int> m_rowByKey; // lower-cased key -> row
    std::vector<int> m_definedRows;                  // rows with defined != 0
    std::string m_productName;
    std::string m_versionText;
    int m_nameRow = kNameRow;
    int m_versionRow = kVersionRow;
};
