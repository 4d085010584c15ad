#include "language/CLayoutFile.h"

#include "language/LangStrings.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// One line without its line end (LF, CR LF or a lone CR at the end of the file).
std::string_view StripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

} // namespace

std::string CLayoutFile::PathFor(const std::string& installRoot, const std::string& name) {
    return installRoot + "/" + name;
}

std::string CLayoutFile::FileErrorText(const std::string& path) {
    return "The file \"" + path + "\" could not be opened.";
}

bool CLayoutFile::Read(const std::string& path, Values& values, const std::string& caption) {
    values.clear();
    std::ifstream file;
    if (lang::IsReadableFile(path))
        file.open(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        ::Log("CLayoutFile::Read", "Could not open layout file " + path, LOG_CAT_FILEIO,
              LOG_SEV_ERROR);
        win::MessageBox(0, FileErrorText(path), caption.empty() ? "Tidewell" : caption,
                        win::MB_OK | win::MB_ICONEXCLAMATION);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    Parse(text, values);
    return true;
}

void CLayoutFile::Parse(std::string_view text, Values& values) {
    values.clear();
    size_t pos = 0;
    // The next line without its line feed; false at the end of the text.
    auto nextLine = [&text, &pos](std::string_view& line) {
        if (pos >= text.size())
            return false;
        const size_t newline = text.find('\n', pos);
        const size_t end = newline == std::string_view::npos ? text.size() : newline;
        line = text.substr(pos, end - pos);
        pos = end + 1;
        return true;
    };

    std::string_view line;
    if (!nextLine(line))
        return;
    std::vector<std::string_view> keys;
    const std::string_view names = StripLineEnd(line);
    keys.reserve(static_cast<size_t>(std::count(names.begin(), names.end(), ',')) + 1);
    size_t begin = 0;
    while (true) {
        const size_t comma = names.find(',', begin);
        keys.push_back(platform::TrimView(names.substr(
            begin, comma == std::string_view::npos ? std::string_view::npos : comma - begin)));
        if (comma == std::string_view::npos)
            break;
        begin = comma + 1;
    }

    // A later line of the same key replaces the earlier one. Each key is inserted with the
    // place after the previous one as hint: keys in order (as Format writes them) cost no
    // search of the map, other keys one comparison more than a plain insertion.
    size_t index = 0;
    auto hint = values.end();
    while (index < keys.size() && nextLine(line)) {
        if (!keys[index].empty())
            hint = std::next(
                values.insert_or_assign(hint, std::string(keys[index]), StripLineEnd(line)));
        ++index;
    }
}

std::string CLayoutFile::Format(const Values& values) {
    std::size_t size = 1;
    for (const auto& [key, value] : values)
        size += key.size() + value.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& [key, value] : values) {
        if (!text.empty())
            text += ',';
        text += key;
    }
    text += '\n';
    for (const auto& [key, value] : values) {
        text += value;
        text += '\n';
    }
    return text;
}
