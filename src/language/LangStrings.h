// Small text helpers shared by the translator and the text table. Texts are 8-bit (UTF-8);
// letter case is folded for ASCII letters only, so multi-byte characters pass unchanged.
#pragma once

#include <string>
#include <string_view>

namespace lang {

// True for blank, tab, CR, LF, vertical tab and form feed.
bool IsSpace(char c);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string Trim(std::string_view text);
std::string ToLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Replaces every occurrence of `token`; the inserted text is not searched again.
void ReplaceAll(std::string& text, std::string_view token, std::string_view replacement);
// The part of a path after its last "/" or "\".
std::string FileNameOf(const std::string& path);
// "%d.%d.%d" of the compiled-in program version, "Undefined" when it was not compiled in.
std::string ProgramVersionText();
// True when `path` names something that can be read as a file (not a folder).
bool IsReadableFile(const std::string& path);
// The "Quorvane" folder below the temporary folder, created when absent (mode 0700); an empty
// text when it is refused (a link, or another user's folder): then no file is written there.
std::string QuorvaneTempFolder();

} // namespace lang
