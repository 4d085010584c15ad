// Number conversion as the program does it (through the loaded library with the home-country
// record), for a valid national number and for a text refused before parsing; and the
// country list with every name as the options page fills it.
#include "common/BenchCountryCodes.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

CDllHandler& Handler() {
    return BenchCountryCodes("countrycodes");
}

void BM_ConvertNationalMobile(benchmark::State& state) {
    CDllHandler& handler = Handler();
    for (auto _ : state) {
        std::string number = handler.ConvertToMsisdn("07400 123-456");
        benchmark::DoNotOptimize(number);
    }
}
BENCHMARK(BM_ConvertNationalMobile);

void BM_ConvertRefusedText(benchmark::State& state) {
    CDllHandler& handler = Handler();
    for (auto _ : state) {
        std::string number = handler.ConvertToMsisdn("Alice Example");
        benchmark::DoNotOptimize(number);
    }
}
BENCHMARK(BM_ConvertRefusedText);

void BM_CountryListWithTranslatedNames(benchmark::State& state) {
    CDllHandler& handler = Handler();
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    for (auto _ : state) {
        for (const std::string& key : handler.Countries()) {
            auto details = handler.CountryInfo(key);
            benchmark::DoNotOptimize(details);
        }
    }
    ::unsetenv("LC_ALL");
}
BENCHMARK(BM_CountryListWithTranslatedNames)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
