// The country-code library loaded as the program loads it, with home country GB, for the
// benchmarks that convert numbers. Its settings live in private folders under the temporary
// folder (named after `name` and the process), removed when the benchmark ends. A library
// that cannot be loaded or set up ends the benchmark: its numbers would mean nothing.
#pragma once

#include "compose/CDllHandler.h"
#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

inline CDllHandler& BenchCountryCodes(const char* name) {
    static std::unique_ptr<CDllHandler> handler = [name] {
        const std::string root = std::filesystem::temp_directory_path().string() + "/twbench-" +
                                 name + "-" + std::to_string(::getpid());
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
