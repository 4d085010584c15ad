// Language files ("twd.lang" and the like), read by both of their readers: the translator
// and the numbered text table. What each reads, written back as "key=value" lines, reads
// again to the same entries.
#include "FuzzCheck.h"

#include "language/CLangEdition.h"
#include "language/CLangTranslator.h"
#include "language/CTextTable.h"
#include "log/LogManager.h"

#include <algorithm>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Swallows the load report.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

const CLangEdition& Edition() {
    static const CLangEdition edition("Tidewell Windows", "2.0.353", false);
    return edition;
}

CTextTable MakeTable() {
    CLogManager::Instance().SetMinimumSeverity(LogSeverity::Off);
    CTextTable table;
    table.FillBase("Tidewell Outlook Express", "2.0.353");
    table.FillOutlookExpress();
    return table;
}

// The table every edition has; the target reuses two copies, cleared before each load.
CTextTable& BaseTable(int which) {
    static CTextTable tables[2] = {MakeTable(), MakeTable()};
    return tables[which];
}

// The defined rows as (row, translation), by row number.
std::vector<std::pair<int, std::string_view>> Translations(const CTextTable& table) {
    std::vector<std::pair<int, std::string_view>> out;
    out.reserve(table.DefinedRows().size());
    for (int number : table.DefinedRows()) {
        out.emplace_back(number, table.FindRow(number)->translation);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void CheckTranslator(std::string_view text) {
    CLangTranslator translator(Edition(), CLangTranslator::NoLog{});
    fuzz::Check(translator.ParseText(text, "fuzz.lang"), "the translator reads any text");
    const auto entries = translator.Entries();
    std::string written;
    written.reserve(text.size() + entries.size() * 2);
    for (const auto& [key, value] : entries) {
        written += key;
        written += '=';
        written += value;
        written += '\n';
    }
    CLangTranslator again(Edition(), CLangTranslator::NoLog{});
    fuzz::Check(again.ParseText(written, "fuzz.lang"), "the written entries read");
    fuzz::Check(again.Entries() == entries, "the translator reads its entries back the same");
    // Token replacement, with the application name looked up through the entries.
    translator.Translate("TWD.AppName", "<appname> <version><newline>");
    if (!entries.empty()) {
        translator.Translate(entries.front().first, nullptr);
    }
}

void CheckTextTable(std::string_view text) {
    static NullBuffer sink;
    static std::ostream report(&sink);
    CTextTable& table = BaseTable(0);
    table.ClearTranslations();
    table.LoadLanguageText(text, "fuzz.lang", report);
    const auto translations = Translations(table);
    std::string written;
    written.reserve(text.size() + translations.size() * 16);
    for (const auto& [number, value] : translations) {
        written += table.FindRow(number)->key;
        written += '=';
        written += value;
        written += '\n';
    }
    CTextTable& again = BaseTable(1);
    again.ClearTranslations();
    again.LoadLanguageText(written, "fuzz.lang", report);
    fuzz::Check(Translations(again) == translations, "the text table reads its rows back the same");
    for (const auto& [number, value] : translations) {
        table.GetText(number);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::Bytes(data, size);
    CheckTranslator(text);
    CheckTextTable(text);
    return 0;
}
