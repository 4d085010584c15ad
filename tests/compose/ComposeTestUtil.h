// Helpers for the recipient tests: a number converter with simple, predictable rules, a
// look into the captured log lines, and access to the vCard fixtures.
#pragma once

#include "common/FakeCountryCodes.h"
#include "common/LogCapture.h"
#include "common/TestEnv.h"

#include <string>
#include <vector>

namespace twtest {

// "+<digits>" stays international, "00<digits>" becomes "+<digits>", "0<digits>" becomes
// "+49<digits>"; spaces, "-", "/", "(" and ")" are ignored; anything else, or fewer than six
// digits, is not a number.
inline std::string FakeConversion(const std::string& text) {
    std::string digits;
    bool plus = false;
    for (const char c : text) {
        if (c == '+' && digits.empty() && !plus) {
            plus = true;
        } else if (c >= '0' && c <= '9') {
            digits.push_back(c);
        } else if (c != ' ' && c != '-' && c != '/' && c != '(' && c != ')') {
            return {};
        }
    }
    if (digits.size() < 6) {
        return {};
    }
    if (plus) {
        return "+" + digits;
    }
    if (digits.rfind("00", 0) == 0) {
        return "+" + digits.substr(2);
    }
    if (digits[0] == '0') {
        return "+49" + digits.substr(1);
    }
    return {};
}

class FakeConverter : public FakeCountryCodes {
public:
    FakeConverter() { convert = FakeConversion; }
};

// Number of error lines logged while `log` was capturing whose message contains `part`.
inline int ErrorsContaining(const LogCapture& log, const std::string& part) {
    int count = 0;
    for (const LoggedLine& line : log.Errors()) {
        count += line.message.find(part) != std::string::npos ? 1 : 0;
    }
    return count;
}

inline std::string FixturePath(const std::string& name) {
    return std::string(TW_COMPOSE_FIXTURES) + "/" + name;
}

inline std::string Fixture(const std::string& name) {
    return ReadFile(FixturePath(name));
}

// Copies a fixture into a fresh folder and returns the copy's path.
inline std::string CopyFixture(const std::string& name) {
    const std::string path = MakeTempDir("book") + "/" + name;
    WriteFile(path, Fixture(name));
    return path;
}

} // namespace twtest
