// Helpers of the country-code tests: locale variables set for one test and restored after.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace twtest {

// Sets (or, with nullopt, removes) environment variables for its lifetime; the previous
// values come back when it goes.
class ScopedEnv {
public:
    ScopedEnv(std::initializer_list<std::pair<const char*, std::optional<std::string>>> values);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace twtest
