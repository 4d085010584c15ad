// The message-box back-end that shows real dialogs. Boxes always appear on the GUI thread;
// a call from another thread hands the box over to the GUI thread and waits for the answer,
// handling its own thread's messages meanwhile (so a window of the calling thread stays
// reachable by SendMessage while the user reads the box).
#pragma once

#include "platform/MsgBox.h"

class QMessageBox;
class QWidget;

class CQtMessageBox : public win::MessageBoxBackend {
public:
    int Show(win::HWND owner, const std::string& text, const std::string& caption,
             unsigned type) override;

    // Builds the box of a type (buttons, default and escape button, icon, caption, text)
    // without showing it; the caller owns it.
    static QMessageBox* Build(QWidget* parent, const std::string& text, const std::string& caption,
                              unsigned type);
    // The answer (IDOK, ...) of the button the user pressed in a box built by Build; the
    // default answer when the box was closed without one.
    static int Answer(const QMessageBox& box, unsigned type);

    // Once the GUI is closed (its loop has ended) no box is shown any more: every box asked
    // for from another thread, also one already waiting, answers its default button at once,
    // so no thread waits for a loop that will never run again. Open again with true.
    static void SetGuiClosed(bool closed);
    static bool IsGuiClosed();

private:
    static int ShowOnGuiThread(win::HWND owner, const std::string& text, const std::string& caption,
                               unsigned type);
};
