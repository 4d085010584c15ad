// A thread that owns one window and runs its message loop.
//
// InitInstance (on the new thread, before CreateThread returns) asks PreCreate for the
// window's class, name, style, position and size, creates the window and calls
// OnWindowCreated; a failure there aborts the start (CreateThread raises 7003). So the window
// exists when CreateThread returns. Run() is the message loop; ExitInstance destroys the
// window on its own thread. A handler ends the thread with win::PostQuitMessage.
#pragma once

#include "hook/support/System/QThread.h"
#include "hook/support/Window/QWinBase.h"

#include <string>

namespace qsupport {

class QWinThread : public QWinBase, public QThread {
public:
    struct CreateParams {
        std::string className;
        std::string windowName;
        win::DWORD style = 0;
        int x = QWinBase::kUseDefault;
        int y = QWinBase::kUseDefault;
        int width = QWinBase::kUseDefault;
        int height = QWinBase::kUseDefault;
    };

    QWinThread() = default;
    ~QWinThread() override;

protected:
    // Supplies the values of the window to create; the class must be registered.
    virtual void PreCreate(CreateParams& params) = 0;
    // Called on the thread right after the window was created.
    virtual void OnWindowCreated() {}

    bool InitInstance(void* parameter) override;
    void ExitInstance() override;
};

} // namespace qsupport
