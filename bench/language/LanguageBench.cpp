// Lookup costs with the full text table loaded as a language file: a present key, a missing
// key (which writes one warning line to the language log), a key with "<appname>", and a
// text-table row by number.
#include "language/CLangTranslator.h"
#include "language/CTextTable.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct Fixture {
    Fixture() {
        folder = std::filesystem::temp_directory_path() /
                 ("tw-language-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        table.FillBase("Tidewell Outlook Express", "2.0.353");
        table.FillOutlookExpress();
        table.SetEditionTexts("Tidewell Outlook Express", "2.0.353");
        const std::string file = (folder / "twd.lang").string();
        std::ofstream(file) << table.LanguageTemplate("twd.lang", "Quorvane", "English");
        translator = std::make_unique<CLangTranslator>(
            CLangEdition("Tidewell Outlook Express", "2.0.353", true),
            (folder / "language.log").string());
        translator->ParseFile(file);
    }
    ~Fixture() {
        translator.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    CTextTable table;
    std::unique_ptr<CLangTranslator> translator;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_TranslatePresentKey(benchmark::State& state) {
    const CLangTranslator& translator = *Shared().translator;
    const std::string key = "SMSOptions.Display.chkClearRecipients";
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.Translate(key, "Clear the recipients"));
    state.counters["entries"] = static_cast<double>(translator.EntryCount());
}
BENCHMARK(BM_TranslatePresentKey);

void BM_TranslatePresentKeyWithAppName(benchmark::State& state) {
    const CLangTranslator& translator = *Shared().translator;
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.Translate("About.txtDialogName", "About <appname>"));
}
BENCHMARK(BM_TranslatePresentKeyWithAppName);

void BM_TranslateMissingKey(benchmark::State& state) {
    const CLangTranslator& translator = *Shared().translator;
    const std::string key = "MMSOptions.txtDialogTitle";
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.Translate(key, "MMS Options"));
}
BENCHMARK(BM_TranslateMissingKey);

void BM_TranslatePresentKeyThreads(benchmark::State& state) {
    const CLangTranslator& translator = *Shared().translator;
    for (auto _ : state)
        benchmark::DoNotOptimize(translator.Translate("NewMessage.btnSend", "Send"));
}
BENCHMARK(BM_TranslatePresentKeyThreads)->Threads(2);

void BM_TextTableGetText(benchmark::State& state) {
    const CTextTable& table = Shared().table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.GetText(226));
}
BENCHMARK(BM_TextTableGetText);

} // namespace

BENCHMARK_MAIN();
