// The automation call's work on long texts, with the loaded country-code library (home
// country GB): the most recipients a call may name, a megabyte of numbers (refused), and
// megabytes of names and text for two numbers.
#include "automation/AutomationIds.h"
#include "automation/CQVApplication.h"
#include "common/BenchCountryCodes.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

CDllHandler& Handler() {
    return BenchCountryCodes("automation");
}

// The object as the program has it, with the loaded library; the reference map keeps only
// a count, and nothing is announced.
CQVApplication MakeObject(std::size_t& parked) {
    CDllHandler& handler = Handler();
    CQVApplication::Host host;
    host.convertNumber = [&handler](const std::string& n) { return handler.ConvertToMsisdn(n); };
    host.msgRefAdd = [&parked](const CMessageRecord&) {
        return static_cast<std::uint32_t>(++parked);
    };
    host.announce = [](std::uint32_t) {};
    return CQVApplication(std::move(host));
}

// As many national numbers as one call may name, each converted.
void BM_MostRecipients(benchmark::State& state) {
    std::size_t parked = 0;
    CQVApplication object = MakeObject(parked);
    std::string numbers;
    for (unsigned i = 0; i < automation::kMaxRecipients; ++i) {
        numbers += "07400 1" + std::to_string(10000 + i) + ";";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(object.ShowDlgSMS("Ann;Bob", numbers, "Hello"));
    }
    state.counters["recipients"] = automation::kMaxRecipients;
}
BENCHMARK(BM_MostRecipients)->Unit(benchmark::kMillisecond);

// A megabyte of numbers: refused before any conversion.
void BM_MegabyteOfNumbersRefused(benchmark::State& state) {
    std::size_t parked = 0;
    CQVApplication object = MakeObject(parked);
    std::string numbers;
    while (numbers.size() < (1u << 20)) {
        numbers += "07400 123456;";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(object.ShowDlgSMS("", numbers, ""));
    }
}
BENCHMARK(BM_MegabyteOfNumbersRefused)->Unit(benchmark::kMillisecond);

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
