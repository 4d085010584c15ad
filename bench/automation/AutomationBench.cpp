// The automation call's work on long texts: a megabyte of numbers through the loaded
// country-code library (home country GB), and megabytes of names and text for two numbers.
#include "automation/CQVApplication.h"
#include "compose/CDllHandler.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

CDllHandler& Handler() {
    static std::unique_ptr<CDllHandler> handler = [] {
        const std::string root = std::filesystem::temp_directory_path().string() +
                                 "/twbench-automation-" + std::to_string(::getpid());
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

void BM_MegabyteOfNumbers(benchmark::State& state) {
    CDllHandler& handler = Handler();
    std::string numbers;
    for (int i = 0; numbers.size() < (1u << 20); ++i) {
        numbers += "07400 1" + std::to_string(10000 + i % 90000) + ";";
    }
    auto convert = [&](const std::string& n) { return handler.ConvertToMsisdn(n); };
    std::size_t recipients = 0;
    for (auto _ : state) {
        CSMSRecord record = CQVApplication::BuildRecord("Ann;Bob", numbers, "Hello", convert);
        recipients = record.Recipients.size();
        benchmark::DoNotOptimize(record);
    }
    state.counters["recipients"] = static_cast<double>(recipients);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * numbers.size()));
}
BENCHMARK(BM_MegabyteOfNumbers)->Unit(benchmark::kMillisecond);

void BM_MegabytesOfNamesAndText(benchmark::State& state) {
    CDllHandler& handler = Handler();
    std::string names;
    while (names.size() < (4u << 20)) {
        names += "Name 42;";
    }
    const std::string text(4u << 20, 'x');
    auto convert = [&](const std::string& n) { return handler.ConvertToMsisdn(n); };
    for (auto _ : state) {
        CSMSRecord record =
            CQVApplication::BuildRecord(names, "07400 123456;07400 123457", text, convert);
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(BM_MegabytesOfNamesAndText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
