// One dialog under the dialog manager: what a dialog thread of its own would do, done on the
// GUI thread. The session creates its dialog on the first show, re-centres and raises it on
// later shows, and ends when its dialog is closed (per-request sessions) or when the manager
// ends every session at shutdown (the long-lived Folders and Options sessions keep going when
// their dialog is closed; the next show creates it again).
#pragma once

#include "gui/CDialogFactory.h"
#include "gui/CDlgBase.h"
#include "platform/Win.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <string>

struct DialogSessionParams {
    int type = 0;
    win::WPARAM reference = 0;
    bool showAtStart = true;
    bool mayEndItself = true;
};

class CDialogSession : public QObject {
    Q_OBJECT

public:
    // `hiddenWindow` receives the end notification ("QVThreadEndNotifyMsg", lParam = id).
    CDialogSession(uint32_t id, const DialogSessionParams& params, const CDialogFactory& factory,
                   win::HWND hiddenWindow);
    ~CDialogSession() override;

    // Starts the session: a show at start is queued when wanted.
    void Start();
    // Shows the dialog (creating it when it does not exist).
    void Show();
    // Queues a show, as a show signal or the start-up message does.
    void QueueShow();
    // The dialog asks to end its session (it may be refused; see MayEndItself).
    void RequestEnd();
    // Shutdown: the dialog is destroyed and the session ends without an end notification.
    void EndAll();
    // Sends a command (WM_COMMAND) to the dialog's window when it exists.
    void SendCommand(win::WPARAM command);

    uint32_t Id() const { return m_id; }
    int Type() const { return m_params.type; }
    bool MayEndItself() const { return m_params.mayEndItself; }
    bool IsEnded() const { return m_ended; }
    const std::string& LogName() const { return m_logName; }
    // The dialog while its window exists, else null.
    CDlgBase* Dialog() const { return m_dialog.data(); }
    // How many times the dialog was created (tests of the long-lived sessions).
    int CreateCount() const { return m_createCount; }

private:
    void OnEndRequest();
    void OnDialogDestroyed();
    void DropDialog(bool immediately);

    uint32_t m_id;
    DialogSessionParams m_params;
    const CDialogFactory& m_factory;
    win::HWND m_hiddenWindow;
    std::string m_logName;
    QPointer<CDlgBase> m_dialog;
    bool m_ended = false;
    int m_createCount = 0;
};
