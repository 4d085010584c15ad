#include "language/LangStrings.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <cstdio>
#include <filesystem>
#include <utility>

namespace lang {

void ReplaceAll(std::string& text, std::string_view token, std::string_view replacement) {
    if (token.empty())
        return;
    size_t pos = text.find(token);
    if (pos == std::string::npos)
        return;
    // Copies into a new text of the exact size: replacing in place would move the rest of the
    // text once for every token (work that grows with the square of the text's length), and a
    // text grown step by step is copied again at every step.
    size_t count = 0;
    for (size_t at = pos; at != std::string::npos; at = text.find(token, at + token.size()))
        ++count;
    std::string out;
    out.reserve(text.size() - count * token.size() + count * replacement.size());
    size_t from = 0;
    while (pos != std::string::npos) {
        out.append(text, from, pos - from);
        out.append(replacement);
        from = pos + token.size();
        pos = text.find(token, from);
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
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
