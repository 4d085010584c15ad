#include "gui/CDialogSession.h"

#include "gui/CDialogKinds.h"
#include "gui/CDlgBase.h"
#include "gui/CGuiMessages.h"
#include "log/LogManager.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

namespace {
const char* const kFn = "CMgmtGUI::DlgThreadSession";

} // namespace

CDialogSession::CDialogSession(uint32_t id, const DialogSessionParams& params,
                               const CDialogFactory& factory, win::HWND hiddenWindow)
    : m_id(id), m_params(params), m_factory(factory), m_hiddenWindow(hiddenWindow),
      m_logName(CDialogKinds::LogName(params.type)) {}

CDialogSession::~CDialogSession() {
    DropDialog(true);
}

void CDialogSession::Start() {
    Log(kFn, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    if (m_params.showAtStart) {
        QueueShow();
    }
    Log(kFn, "A thread managing a " + m_logName + " was initialized.", LOG_CAT_APPLICATION,
        LOG_SEV_TRACE);
}

void CDialogSession::QueueShow() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_ended) {
                Show();
            }
        },
        Qt::QueuedConnection);
}

void CDialogSession::Show() {
    if (m_ended) {
        return;
    }
    Log(kFn, "Showing a " + m_logName, LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    if (m_dialog.isNull()) {
        Log(kFn, "Creating a " + m_logName, LOG_CAT_APPLICATION, LOG_SEV_TRACE);
        DialogRequest request;
        request.type = m_params.type;
        request.mode = m_params.type;
        request.reference = m_params.reference;
        CDlgBase* dialog = m_factory.Create(request);
        if (dialog == nullptr) {
            Log(kFn, "Failed to create a " + m_logName, LOG_CAT_APPLICATION, LOG_SEV_ERROR);
            // A per-request session without its dialog has nothing left to do.
            if (m_params.mayEndItself) {
                RequestEnd();
            }
            return;
        }
        ++m_createCount;
        // Closing the dialog destroys its window; the session decides what follows.
        dialog->setAttribute(Qt::WA_DeleteOnClose, true);
        dialog->setModal(false);
        m_dialog = dialog;
        connect(dialog, &QObject::destroyed, this, [this] { OnDialogDestroyed(); });
    }
    CDlgBase* dialog = m_dialog.data();
    dialog->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(area.center());
        dialog->move(frame.topLeft());
    }
    dialog->showNormal();
    dialog->raise();
    dialog->activateWindow();
    if (dialog->PlatformWindow() != 0) {
        win::SetForegroundWindow(dialog->PlatformWindow());
    }
}

void CDialogSession::RequestEnd() {
    QMetaObject::invokeMethod(
        this, [this] { OnEndRequest(); }, Qt::QueuedConnection);
}

void CDialogSession::OnDialogDestroyed() {
    // The dialog's window is gone; a per-request dialog now asks to end its session.
    if (m_params.mayEndItself && !m_ended) {
        RequestEnd();
    }
}

void CDialogSession::OnEndRequest() {
    if (m_ended) {
        return;
    }
    if (!m_params.mayEndItself) {
        Log(kFn,
            "Warning: A dialog has requested to end its controlling thread. " + m_logName +
                " is not allowed to make such a request. Request discarded.",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return;
    }
    Log(kFn, m_logName + " posted QVTHREAD_ENDREQUEST", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    DropDialog(false);
    m_ended = true;
    Log(kFn, m_logName + " Thread ended.", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    if (m_hiddenWindow != 0) {
        win::PostMessage(m_hiddenWindow, CGuiMessages::Get().threadEndNotify, 0,
                         static_cast<win::LPARAM>(m_id));
    }
}

void CDialogSession::EndAll() {
    if (m_ended) {
        return;
    }
    Log(kFn, "Destroying a " + m_logName, LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    DropDialog(true);
    m_ended = true;
    Log(kFn, m_logName + " Thread ended.", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
}

void CDialogSession::SendCommand(win::WPARAM command) {
    if (!m_dialog.isNull() && m_dialog->PlatformWindow() != 0) {
        win::SendMessage(m_dialog->PlatformWindow(), win::WM_COMMAND, command, 0);
    }
}

void CDialogSession::DropDialog(bool immediately) {
    if (m_dialog.isNull()) {
        return;
    }
    CDlgBase* dialog = m_dialog.data();
    m_dialog.clear();
    disconnect(dialog, nullptr, this, nullptr);
    dialog->hide();
    if (immediately) {
        delete dialog;
    } else {
        // The request may come from inside one of the dialog's own handlers.
        dialog->deleteLater();
    }
}
