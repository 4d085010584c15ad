// Finding the program's windows in app tests: the Qt loop run until a condition holds, and the
// visible top-level dialog of a type.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <functional>

namespace appdlg {

// Runs the Qt loop until `done` holds or `timeoutMs` passed; returns `done()`.
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// The visible top-level window of type T, or null.
template <typename T> T* Visible() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<T*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

} // namespace appdlg
