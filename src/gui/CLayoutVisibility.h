// Which lines of the About and first-start windows appear, from their layout files
// ("about.cfg", "firststart.cfg"). The file's keys are the line names ("lblTitle",
// "lblInfo2", ..., "lblLink9", "lblBullet13"); a value "0", or a rectangle "x,y,w,h" with no
// width or no height, hides the line; any other value ("1", a real rectangle) shows it. When
// a layout file is present, lines it does not name stay hidden; without a file every line
// that has a text appears.
#pragma once

#include <map>
#include <string>

class CLayoutVisibility {
public:
    using Values = std::map<std::string, std::string>;

    CLayoutVisibility() = default; // no file: everything shows
    explicit CLayoutVisibility(Values values) : m_haveFile(true), m_values(std::move(values)) {}

    // Reads "<installRoot>/<name>". A missing file (or no install root) is no error: the
    // default layout is used. A file that exists but cannot be read is reported to the user.
    static CLayoutVisibility Load(const std::string& installRoot, const std::string& name);

    bool Shows(const std::string& line) const;
    bool HasFile() const { return m_haveFile; }
    // Whether one value shows its line.
    static bool ValueShows(const std::string& value);

private:
    bool m_haveFile = false;
    Values m_values;
};
