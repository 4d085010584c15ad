// libFuzzer target for the language file readers: the translator's parser, the text table's
// branding-check reader and the layout file reader get the same bytes as a file.
#include "language/CLangTranslator.h"
#include "language/CLayoutFile.h"
#include "language/CTextTable.h"
#include "platform/MsgBox.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("tw-language-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        win::SetMessageBoxBackend(std::make_shared<win::ScriptedMessageBox>());
        return path.string();
    }();
    static CTextTable base = [] {
        CTextTable table;
        table.FillBase("Tidewell Outlook Express", "2.0.353");
        table.FillOutlookExpress();
        return table;
    }();
    static CLangTranslator translator(CLangEdition("Tidewell Windows", "2.0.353", false),
                                      folder + "/language.log");

    const std::string path = folder + "/input.lang";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    translator.ParseFile(path);
    translator.Translate("TWD.AppName", "<appname><version><newline>");

    CTextTable table = base;
    std::ostringstream report;
    table.LoadLanguageFile(path, report);
    table.WriteMissingRows(report);
    for (int row = 0; row <= 292; ++row)
        table.GetText(row);

    CLayoutFile::Values values;
    CLayoutFile::Read(path, values);
    return 0;
}
