// Starting the GUI only when the program needs one. The generator verbs, forwarding to a
// running instance and "Shutdown" run without a display; a normal start asks for the
// QApplication here, which reports a missing display instead of aborting the process.
#pragma once

#include <QApplication>

#include <memory>
#include <string>

class CQtEventPump;

class CGuiStartup {
public:
    // Whether a Qt platform plugin can be expected to start: QT_QPA_PLATFORM names one that
    // needs no display (offscreen, minimal, vnc, ...), or a Wayland socket or an X display
    // answers. `why` tells what is missing when it returns false.
    static bool DisplayAvailable(std::string& why);
    // Whether a window shown now reaches a person: a display is available and the platform is
    // not one that draws into memory only (offscreen, minimal), where a modal box would wait
    // for ever.
    static bool SomeoneCanSeeWindows();

    // The QApplication (with the platform queue pump and the Qt message boxes installed), or
    // null when no display is available: then the reason is logged and written to standard
    // error. `argc` must outlive the application.
    static std::unique_ptr<QApplication> TryCreateApplication(int& argc, char** argv,
                                                              std::string* why = nullptr);

    // Ends what TryCreateApplication installed (message boxes back to the console, pump
    // removed); call before the QApplication is destroyed.
    static void Shutdown();
};
