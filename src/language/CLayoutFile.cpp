#include "language/CLayoutFile.h"

#include "log/LogManager.h"
#include "language/LangStrings.h"
#include "platform/MsgBox.h"

#include <fstream>
#include <vector>

namespace {

// One line without its line end (LF, CR LF or a lone CR at the end of the file).
std::string StripLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
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

    std::string line;
    if (!std::getline(file, line))
        return true;
    std::vector<std::string> keys;
    std::string names = StripLineEnd(line);
    size_t begin = 0;
    while (true) {
        const size_t comma = names.find(',', begin);
        keys.push_back(lang::Trim(
            names.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin)));
        if (comma == std::string::npos)
            break;
        begin = comma + 1;
    }

    size_t index = 0;
    while (index < keys.size() && std::getline(file, line)) {
        if (!keys[index].empty())
            values[keys[index]] = StripLineEnd(line);
        ++index;
    }
    return true;
}
