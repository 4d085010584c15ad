#include "core/CMgmtCore.h"

#include "core/COutboxMonitor.h"
#include "log/LogManager.h"
#include "messages/CMgmtMessages.h"
#include "platform/MsgBox.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace {

const char* const kCallbackTitle = "TWD_CORE_CALLBACK_WND";
const char* const kCallbackClass = "TWDCoreCallbackWnd";
constexpr int kCallbackControlId = 666;

} // namespace

CMgmtCore::CMgmtCore(std::shared_ptr<ICoreSettings> settings, std::shared_ptr<CMgmtMessages> store,
                     std::shared_ptr<const CLangTranslator> translator, std::string productName,
                     std::string applicationId, std::string accountsKey,
                     std::shared_ptr<IClientCore> core, CoreOptions options)
    : m_context(std::make_shared<CCoreContext>(
          std::move(settings), std::move(store), std::move(translator), std::move(productName),
          std::move(applicationId), std::move(accountsKey), std::move(core), std::move(options))),
      m_results(*m_context), m_account(*m_context) {
    const char* const where = "CMgmtCore::CMgmtCore";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    m_context->LoadIdentity();
    {
        std::weak_ptr<CCoreContext> weak = m_context;
        m_context->Store().SetSaveListener([weak](std::uint64_t saved) {
            if (auto context = weak.lock()) {
                context->OnStoreSaved(saved);
            }
        });
    }

    m_coreThread = std::make_unique<win::Thread>([this] { return ThreadProcCore(); });

    Log(where, "Calling InternetOpen() to initialize Wininet.dll", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (!m_context->OpenInternet()) {
        Log(where,
            "ERROR: Call to InternetOpen() failed. Wininet.dll could not be configured for "
            "internet access.",
            LOG_CAT_CORE, LOG_SEV_ERROR, true);
    }

    win::WaitForSingleObject(m_context->coreReady, win::INFINITE);

    if (m_context->initialised) {
        // Messages accepted before an earlier exit still wait for their final reports.
        m_results.ResumeSubscription();
        // Fresh account data; an account the service no longer knows is forgotten, so that
        // the first-start signup is offered again.
        if (!m_context->Identity().accountId.empty()) {
            m_account.CORE_RequestAccountUpdate();
        }
        if (m_context->Options().startMonitor) {
            std::shared_ptr<CCoreContext> context = m_context;
            m_monitorThread = std::make_unique<win::Thread>(
                [context] { return COutboxMonitor::ThreadProcOutboxMonitor(context); });
        }
    } else {
        win::MessageBox(win::HWND_DESKTOP,
                        m_context->Translate("TWD.CriticalErrorReinstall",
                                             "An error occured due to incorrect settings. Please "
                                             "reinstall <appname>"),
                        m_context->Translate("TWD.AppName", m_context->ProductName()),
                        win::MB_SYSTEMMODAL | win::MB_ICONSTOP | win::MB_OK);
    }
}

CMgmtCore::~CMgmtCore() {
    const char* const where = "CMgmtCore::~CMgmtCore";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (m_context->initialised) {
        try {
            StopCoreSession(where);
        } catch (...) {
            Log(where, "Error: Exception caught while shutting down core", LOG_CAT_CORE,
                LOG_SEV_ERROR);
        }
    }
    // The core thread runs this object's handlers: it always ends before the object does.
    if (m_coreThread != nullptr && m_coreThread->IsRunning()) {
        m_context->coreStop.Set();
        m_coreThread->Join();
    }
    m_coreThread.reset();
    m_monitorThread.reset(); // detaches a monitor that is still running
    m_context->Store().SetSaveListener(nullptr);
    m_context->CloseInternet();
}

// Stops the monitor, then the core's session, saving and confirming everything handled before
// the core closes its files. Each failed step is logged under the destructor's name.
void CMgmtCore::StopCoreSession(const char* where) {
    if (m_monitorThread != nullptr) {
        m_context->monitorStopRequested = true;
        m_context->monitorStop.Set();
        if (!m_monitorThread->Join(m_context->Options().monitorStopTimeoutMs)) {
            // No thread can be killed safely: it is left to end by itself and keeps what it
            // uses alive through the shared context.
            Log(where, "Warning: Terminating Outbox monitor thread. Internet connection problem?",
                LOG_CAT_CORE, LOG_SEV_ERROR);
        }
    }

    Log(where, "Calling QVStartShutdown()", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (m_context->Core().StartShutdown() != 1) {
        LogFailure(where, "ERROR: Call to QVStartShutdown failed", LOG_CAT_CORE);
        return;
    }
    if (!m_coreThread->Join(m_context->Options().coreShutdownTimeoutMs)) {
        Log(where, "Warning: The core did not report the end of its shutdown in time", LOG_CAT_CORE,
            LOG_SEV_ERROR);
        m_context->coreStop.Set();
        m_coreThread->Join();
    }
    // Everything handled is saved and confirmed before the core closes its files.
    m_context->FlushAndConfirm();
    Log(where, "Calling QVShutdown()", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (m_context->Core().Shutdown() != 1) {
        LogFailure(where, "ERROR: Call to QVShutdown failed", LOG_CAT_CORE);
    }
}

void CMgmtCore::SignalOutboxUpdate() {
    m_context->monitorUpdate.Set();
}

win::DWORD CMgmtCore::ThreadProcCore() {
    Log("ThreadProcCore", "Thread started", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        ThreadSession();
    } catch (...) {
        Log("ThreadProcCore", "Error: Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
        m_context->coreReady.Set();
    }
    Log("ThreadProcCore", "Thread ended", LOG_CAT_CORE, LOG_SEV_TRACE);
    return 0;
}

void CMgmtCore::ThreadSession() {
    const char* const where = "CMgmtCore::ThreadSession";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (!InitializeThread()) {
        return;
    }
    win::Waitable* objects[] = {&m_context->coreStop};
    for (;;) {
        win::DWORD wait = win::MsgWaitForMultipleObjects(objects, false, win::INFINITE);
        if (wait == win::WAIT_OBJECT_0) {
            Log(where, "Responding to stop thread event", LOG_CAT_CORE, LOG_SEV_TRACE);
            break;
        }
        if (wait == win::WAIT_OBJECT_0 + 1) {
            // Everything queued for this thread is taken; only the callback window's messages
            // are handled, so nothing else can keep the loop awake.
            win::MSG msg;
            while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
                win::HWND window = m_callbackWindow;
                if (window != 0 && msg.hwnd == window) {
                    win::DispatchMessage(msg);
                }
            }
        }
    }
    UnInitializeThread();
}

bool CMgmtCore::InitializeThread() {
    const char* const where = "CMgmtCore::InitializeThread";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        if (StartCoreSession(where)) {
            return true;
        }
    } catch (...) {
        Log(where, "Error: Unknownd exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    win::HWND window = m_callbackWindow.exchange(0);
    if (!m_context->initialised && window != 0) {
        win::DestroyWindow(window);
    }
    m_context->coreReady.Set();
    return false;
}

// Creates the callback window and initialises the core with it; true once the core runs.
bool CMgmtCore::StartCoreSession(const char* where) {
    win::WindowDesc desc;
    desc.className = kCallbackClass;
    desc.title = kCallbackTitle;
    desc.parent = win::HWND_DESKTOP;
    desc.controlId = kCallbackControlId;
    win::HWND window = win::CreateWindow(
        desc, [this](win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
            if (msg == WM_CORE_EVENT) {
                if (win::InMessageFromOtherProcess()) {
                    // Only the core in this process sends events; from elsewhere the parameter
                    // is a plain number, never a text to read.
                    Log("CMgmtCore::OnCoreMessage",
                        "Warning: A core event from another process was ignored", LOG_CAT_CORE,
                        LOG_SEV_ERROR);
                    return win::LRESULT{0};
                }
                return OnCoreMessage(wParam, reinterpret_cast<const char*>(lParam));
            }
            return win::DefWindowProc(hwnd, msg, wParam, lParam);
        });
    if (window == 0) {
        return LogFailure(where, "Error: Failed to create core callback window", LOG_CAT_CORE);
    }
    m_callbackWindow = window;

    Log(where, "Calling QVInitialize", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (m_context->Core().Initialize(m_context->ProductName().c_str(), window, 0) == 1) {
        m_context->initialised = true;
        m_context->coreReady.Set();
        return true;
    }
    std::string reason = m_context->Core().GetLastErrorText();
    if (!reason.empty()) {
        Log(where, "The core reports: " + reason, LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    return LogFailure(where, "Error: QVInitialize call failed", LOG_CAT_CORE);
}

void CMgmtCore::UnInitializeThread() {
    Log("CMgmtCore::UnInitializeThread", "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    win::HWND window = m_callbackWindow.exchange(0);
    if (window != 0 && win::IsWindow(window)) {
        win::DestroyWindow(window);
    }
}

win::LRESULT CMgmtCore::OnCoreMessage(win::WPARAM code, const char* text) {
    const char* const where = "CMgmtCore::OnCoreMessage";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    // The text belongs to the core: copied before anything else happens.
    std::string guid = text != nullptr ? std::string(text) : std::string();
    switch (code) {
    case QVStatusAccountInfoID:
        m_account.OnQVStatusAccountInfoID(guid);
        break;
    case QVStatusMessageInfoID:
        m_results.OnQVStatusMessageInfoID(guid);
        break;
    case QVStatusErrorID:
        m_results.OnQVStatusErrorID(guid);
        break;
    case QVStatusSendMessageInfoID:
        m_results.OnQVStatusSendMessageInfoID(guid);
        break;
    case QVShutdownID:
        OnQVShutdownID();
        break;
    default: {
        char message[96];
        std::snprintf(message, sizeof(message), "Unknown message [%d] recived from core",
                      static_cast<int>(code));
        Log(where, message, LOG_CAT_CORE, LOG_SEV_ERROR);
        break;
    }
    }
    return 0;
}

int CMgmtCore::OnQVShutdownID() {
    Log("CMgmtCore::OnQVShutdownID", "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    win::HWND window = m_callbackWindow.exchange(0);
    if (window != 0) {
        win::DestroyWindow(window);
    }
    m_context->coreStop.Set();
    return 0;
}
