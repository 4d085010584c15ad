// The layout files of the About and first-start dialogs ("about.cfg", "firststart.cfg" in
// the install root). The first line lists the key names separated by ","; each following line
// is the value of the key at the same position. Surplus value lines are ignored, keys without
// a value line get none.
#pragma once

#include <map>
#include <string>
#include <string_view>

class CLayoutFile {
public:
    using Values = std::map<std::string, std::string>;

    // Reads the file into `values` (emptied first). A file that cannot be opened is shown to
    // the user in a file-error box (caption `caption`, or the product's short name when empty)
    // and leaves the map empty. True when the file was read.
    static bool Read(const std::string& path, Values& values, const std::string& caption = {});
    // The reader behind Read: the text of a layout file into `values` (emptied first).
    static void Parse(std::string_view text, Values& values);
    // The text of a layout file that reads back as `values` (keys without ",", line breaks or
    // surrounding blanks; values without line feeds and not ending in a carriage return).
    static std::string Format(const Values& values);
    // "<installRoot>/<name>".
    static std::string PathFor(const std::string& installRoot, const std::string& name);
    // The text of the file-error box.
    static std::string FileErrorText(const std::string& path);
};
