// Seeds for the fuzz targets (fuzz/), written by the tests' own fixtures: with the environment
// variable TW_FUZZ_SEED_DIR set, every file a test writes in a format a fuzz target reads
// (twtest::WriteFile picks the target by the file name) and every buffer a test hands to
// SaveFuzzSeed is kept as <dir>/<target>/<hash of the bytes>. Without the variable nothing is
// written. `scripts/fuzz seeds` refreshes fuzz/corpus this way.
#pragma once

#include <string>
#include <string_view>

namespace twtest {

// Keeps `bytes` as a seed of the fuzz target `target` (e.g. "winipc"); inputs longer than the
// fuzzers' input limit are left out.
void SaveFuzzSeed(const std::string& target, std::string_view bytes);
// The same for a file the test writes: the target follows from the file's name.
void SaveFuzzSeedForFile(const std::string& path, std::string_view bytes);

} // namespace twtest
