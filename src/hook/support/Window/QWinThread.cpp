#include "hook/support/Window/QWinThread.h"

namespace qsupport {

QWinThread::~QWinThread() {
    // The window belongs to the thread; the thread must have ended (and destroyed it) before
    // the object goes. A derived class ends it in its own destructor.
    Wait();
}

bool QWinThread::InitInstance(void*) {
    CreateParams params;
    PreCreate(params);
    CreateWin(params.className, params.windowName, params.style, params.x, params.y, params.width,
              params.height);
    SetAcceleratorWindow(GetHwnd());
    try {
        OnWindowCreated();
    } catch (...) {
        // An aborted start leaves no window behind on the ended thread.
        DestroyWin();
        throw;
    }
    return true;
}

void QWinThread::ExitInstance() {
    DestroyWin();
}

} // namespace qsupport
