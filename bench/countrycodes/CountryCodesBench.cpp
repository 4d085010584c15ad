// Number conversion as the program does it (through the loaded library with the home-country
// record), for a valid national number and for a text refused before parsing; and the
// country list with every name as the options page fills it.
#include "compose/CDllHandler.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// A loaded library with home country GB, in private settings folders.
CDllHandler& Handler() {
    static std::unique_ptr<CDllHandler> handler = [] {
        const std::string root = std::filesystem::temp_directory_path().string() +
                                 "/twbench-countrycodes-" + std::to_string(::getpid());
        std::filesystem::create_directories(root + "/config");
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (root + "/etc-xdg").c_str(), 1);
        auto h = std::make_unique<CDllHandler>(platform::ProgramFolder());
        if (!h->Load() || h->Init("Software\\Quorvane\\Tidewell Windows\\2.0") != 0 ||
            h->SetHomeCountry("GB") != 0) {
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(
                std::filesystem::path(std::getenv("XDG_CONFIG_HOME")).parent_path(), ec);
        });
        return h;
    }();
    return *handler;
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
