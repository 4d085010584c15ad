// A private X server for one test: Xvfb on a display number it picks itself, ended with the
// object. It does not reset when its last client goes (a reset would refuse the next client
// for a while). Name() is empty when Xvfb could not be started; tests then skip.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace twtest {

class VirtualDisplay {
public:
    // `screen`: Xvfb's "-screen 0" value (e.g. "1280x800x24"); empty for its default.
    explicit VirtualDisplay(const std::string& screen = "");
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":<number>", or empty.
    const std::string& Name() const { return m_name; }
    // Points this process (and the children it starts) at the display with Qt's X back-end.
    // The X keyboard library hands strndup a buffer without a terminator, which ASan's strict
    // string checks report although strndup reads only up to its bound: those are relaxed.
    void UseForQt() const;
    // Titles of the windows on the display (xwininfo's tree).
    std::string WindowTitles() const;

private:
    pid_t m_pid = -1;
    std::string m_name;
};

} // namespace twtest
