#include "common/FuzzSeed.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace twtest {

namespace {

// The fuzzers' input limit (scripts/fuzz passes -max_len with this value).
constexpr std::size_t kMaxSeedBytes = 4096;

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

void SaveFuzzSeed(const std::string& target, std::string_view bytes) {
    const char* dir = std::getenv("TW_FUZZ_SEED_DIR");
    if (dir == nullptr || *dir == '\0' || bytes.size() > kMaxSeedBytes) {
        return;
    }
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    const std::filesystem::path folder = std::filesystem::path(dir) / target;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void SaveFuzzSeedForFile(const std::string& path, std::string_view bytes) {
    const std::string name = std::filesystem::path(path).filename().string();
    if (name == "outbox.dat" || name == "sentbox.dat") {
        // The legacy layout's target supplies the version text itself.
        const std::string_view legacy("\x06TWD350", 7);
        if (bytes.substr(0, legacy.size()) == legacy) {
            SaveFuzzSeed("folder_legacy", bytes.substr(legacy.size()));
        } else {
            SaveFuzzSeed("folder", bytes);
        }
    } else if (name == "autocomplete.dat") {
        SaveFuzzSeed("autocomplete", bytes);
    } else if (EndsWith(name, ".reg")) {
        // The hive target's first byte picks the hive: even the user's, odd the machine's.
        const char root = name == "system.reg" ? '\x01' : '\x00';
        SaveFuzzSeed("hive", std::string(1, root) + std::string(bytes));
    } else if (EndsWith(name, ".lang")) {
        SaveFuzzSeed("language", bytes);
    } else if (EndsWith(name, ".cfg")) {
        SaveFuzzSeed("layout", bytes);
    } else if (EndsWith(name, ".vcf") || EndsWith(name, ".VCF")) {
        SaveFuzzSeed("vcard", bytes);
    }
}

} // namespace twtest
