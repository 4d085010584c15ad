#include "language/LangStrings.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <cstdio>
#include <filesystem>

namespace lang {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimLeft(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && IsSpace(text[begin]))
        ++begin;
    return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) {
    return TrimLeft(TrimRight(text));
}

static char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = LowerAscii(c);
    return result;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

void ReplaceAll(std::string& text, std::string_view token, std::string_view replacement) {
    if (token.empty())
        return;
    size_t pos = text.find(token);
    while (pos != std::string::npos) {
        text.replace(pos, token.size(), replacement);
        pos = text.find(token, pos + replacement.size());
    }
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ProgramVersionText() {
#if defined(TW_VERSION_MAJOR) && defined(TW_VERSION_MINOR) && defined(TW_VERSION_BUILD)
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d", TW_VERSION_MAJOR, TW_VERSION_MINOR,
                  TW_VERSION_BUILD);
    return text;
#else
    return "Undefined";
#endif
}

bool IsReadableFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && !std::filesystem::is_directory(path, error);
}

std::string QuorvaneTempFolder() {
    return platform::PrivateTempFolder();
}

} // namespace lang
