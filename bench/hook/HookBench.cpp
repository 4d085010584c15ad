// The hook library's text table: loading a language file and looking texts up.
#include "hook/OeTextTable.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string MakeLanguageFile(int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        text += "Twox.Key" + std::to_string(i) + "=&Text number " + std::to_string(i) +
                "<newline>second line\r\n";
    }
    return text;
}

void BM_TextTableLoad(benchmark::State& state) {
    const std::string file = MakeLanguageFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        OeTextTable table;
        table.LoadText(file);
        benchmark::DoNotOptimize(table.Size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TextTableLoad)->Arg(40)->Arg(400);

void BM_TextTableTranslate(benchmark::State& state) {
    OeTextTable table;
    table.LoadText(MakeLanguageFile(400));
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Translate("Twox.Key" + std::to_string(i++ % 400), "x"));
    }
}
BENCHMARK(BM_TextTableTranslate);

} // namespace

BENCHMARK_MAIN();
