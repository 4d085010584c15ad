// Cost of one log line: written (severity 2) and filtered (severity 0 below the minimum).
#include "log/LogManager.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string BenchFolder() {
    static std::string folder = [] {
        std::string f = std::filesystem::temp_directory_path().string() + "/twlog-bench-" +
                        std::to_string(::getpid());
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

void BM_LogWritten(benchmark::State& state) {
    CLogManager log(BenchFolder() + "/written");
    for (auto _ : state) {
        log.Log("CMgmtMessages::OutboxAddRecord", "Storing data to file \"outbox.dat\"",
                LOG_CAT_DATA, LOG_SEV_ERROR);
    }
}
BENCHMARK(BM_LogWritten);

void BM_LogFiltered(benchmark::State& state) {
    CLogManager log(BenchFolder() + "/filtered");
    for (auto _ : state) {
        log.Log("CMgmtMessages::OutboxAddRecord", "Enter", LOG_CAT_DATA, LOG_SEV_TRACE);
    }
}
BENCHMARK(BM_LogFiltered);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchFolder());
    return 0;
}
