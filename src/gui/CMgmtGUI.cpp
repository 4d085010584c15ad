#include "gui/CMgmtGUI.h"
#include "platform/StringUtil.h"

#include "gui/CCriticalError.h"
#include "gui/CDialogKinds.h"
#include "gui/CDlgAbout.h"
#include "gui/CDlgUsageReminder.h"
#include "gui/CGuiMessages.h"
#include "gui/CGuiText.h"
#include "gui/CTrayIcon.h"
#include "gui/CUsageReminder.h"
#include "gui/GuiDefs.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"

#include <QMetaObject>

#include <cctype>
#include <ctime>
#include <stdexcept>

using namespace gui;

namespace {

bool VerbIs(const std::string& verb, const char* name) {
    return platform::EqualsNoCase(verb, name);
}

} // namespace

CMgmtGUI::CMgmtGUI(const std::string& verb, IGuiApplication& app, const CDialogFactory& factory)
    : m_app(app), m_factory(factory) {
    m_flagOptions = VerbIs(verb, "SMSOptions");
    m_flagAddressBook = VerbIs(verb, "AddressBook");
    m_flagFolders = VerbIs(verb, "MessageFolders") || VerbIs(verb, "MessageFolder");
    m_flagNewSMS = VerbIs(verb, "NewSMS") || VerbIs(verb, "NewMessage");
    m_flagNewMMS = VerbIs(verb, "NewMMS");
    m_trayWanted = m_app.GetDispSystemTray();

    m_about = new CDlgAbout(m_app.GetInstallRoot());

    std::string failure;
    if (!Initialize(failure)) {
        Log("CMgmtGUI::Initialize", failure, LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        ShowCriticalErrorBox();
    }
}

CMgmtGUI::~CMgmtGUI() {
    try {
        Uninitialize();
    } catch (const std::exception& e) {
        Log("CMgmtGUI::Uninitialize", std::string("Caught CException: ") + e.what(),
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    } catch (...) {
        Log("CMgmtGUI::Uninitialize", "Unknown exception caught.", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
    }
    delete m_about;
    m_about = nullptr;
}

bool CMgmtGUI::Initialize(std::string& failure) {
    const GuiMessageIds& ids = CGuiMessages::Get();
    if (ids.showNewSMS == 0 || ids.threadEndNotify == 0) {
        failure = "Failed to create event";
        return false;
    }

    win::WindowDesc desc;
    desc.className = kHiddenWindowTitle;
    desc.title = kHiddenWindowTitle;
    m_hwnd = win::CreateWindow(
        desc,
        [this](win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) -> win::LRESULT {
            try {
                return WindowProc(msg, wParam, lParam);
            } catch (const std::exception& e) {
                Log("CMgmtGUI::WindowProc", std::string("Caught exception. ") + e.what(),
                    LOG_CAT_APPLICATION, LOG_SEV_ERROR);
            } catch (...) {
                Log("CMgmtGUI::WindowProc", "Unknown exception caught.", LOG_CAT_APPLICATION,
                    LOG_SEV_ERROR);
            }
            return 0;
        });
    if (m_hwnd == 0) {
        failure = "Failed to create GUI main window";
        return false;
    }

    CTrayIcon::Callbacks callbacks;
    callbacks.command = [this](int command) { OnTrayCommand(command); };
    callbacks.doubleClick = [this] {
        win::PostMessage(m_hwnd, CGuiMessages::Get().trayNotify, 0, TRAY_LBUTTONDBLCLK);
    };
    callbacks.balloonClick = [this] {
        win::PostMessage(m_hwnd, CGuiMessages::Get().trayNotify, 0, TRAY_BALLOONUSERCLICK);
    };
    m_tray = std::make_unique<CTrayIcon>(CMgmtBranding::Instance().GetIcon(0, 16, 16),
                                         CGuiText::Tr("GUIMgmt.SystemTrayToolTip", "<appname>"),
                                         std::move(callbacks));
    if (m_trayWanted) {
        win::PostMessage(m_hwnd, ids.showSysTrayIcon, 1, 0);
    }

    DialogSessionParams folders{DLG_FOLDERS, 0, m_flagFolders, false};
    m_folders = MakeSession(folders);
    if (!m_folders) {
        failure = "Failed to create GUI thread for SMS folders";
        return false;
    }
    m_foldersSignal.AddWaiter(m_folders->Id());
    m_folders->Start();
    DialogSessionParams options{DLG_OPTIONS, 0, m_flagOptions, false};
    m_options = MakeSession(options);
    if (!m_options) {
        failure = "Failed to create GUI thread for SMS Options";
        return false;
    }
    m_optionsSignal.AddWaiter(m_options->Id());
    m_options->Start();

    if (m_flagNewSMS) {
        win::PostMessage(m_hwnd, ids.showNewSMS, 0, 0);
    }
    if (m_flagNewMMS) {
        win::PostMessage(m_hwnd, ids.showNewMMS, 0, 0);
    }
    if (m_flagAddressBook) {
        win::PostMessage(m_hwnd, ids.showAddressBook, 0, 0);
    }
    win::PostMessage(m_hwnd, ids.showUsageReminder, 0, 0);
    m_initialized = true;
    return true;
}

std::unique_ptr<CDialogSession> CMgmtGUI::MakeSession(const DialogSessionParams& params) {
    uint32_t id = m_nextSessionId++;
    if (m_nextSessionId == 0) {
        m_nextSessionId = 1;
    }
    return std::make_unique<CDialogSession>(id, params, m_factory, m_hwnd);
}

void CMgmtGUI::Uninitialize() {
    const char* fn = "CMgmtGUI::Uninitialize";
    Log(fn, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    OnShowSysTrayIcon(0);
    if (m_hwnd != 0) {
        win::KillTimer(m_hwnd, TIMER_USAGE_REMINDER);
        win::HWND hwnd = m_hwnd;
        m_hwnd = 0;
        win::DestroyWindow(hwnd);
    }
    // Every session ends at once: the dialogs live on this thread, so nothing can keep
    // shutdown waiting.
    for (auto& [id, session] : m_compose) {
        session->EndAll();
    }
    for (auto& [id, session] : m_sent) {
        session->EndAll();
    }
    if (m_folders) {
        m_folders->EndAll();
    }
    if (m_options) {
        m_options->EndAll();
    }
    m_compose.clear();
    m_sent.clear();
    m_folders.reset();
    m_options.reset();
    m_tray.reset();
}

CShowSignal& CMgmtGUI::SignalOf(int type) {
    switch (CDialogKinds::SignalFor(type)) {
    case ShowSignalKind::Options:
        return m_optionsSignal;
    case ShowSignalKind::Folders:
        return m_foldersSignal;
    case ShowSignalKind::NewSMS:
        return m_newSmsSignal;
    case ShowSignalKind::Shared:
    default:
        return m_sharedSignal;
    }
}

void CMgmtGUI::Signal(CShowSignal& signal) {
    std::optional<uint32_t> woken = signal.Set();
    if (!woken) {
        return;
    }
    if (m_folders && m_folders->Id() == *woken) {
        m_folders->QueueShow();
    } else if (m_options && m_options->Id() == *woken) {
        m_options->QueueShow();
    } else if (auto it = m_compose.find(*woken); it != m_compose.end()) {
        it->second->QueueShow();
    } else if (auto sent = m_sent.find(*woken); sent != m_sent.end()) {
        sent->second->QueueShow();
    }
}

void CMgmtGUI::ShowDialog(int type, win::WPARAM wParam) {
    const char* fn = "CMgmtGUI::ShowDialog";
    Log(fn, "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    m_app.SetLastUsedDate();
    if (m_app.ShowRegistration() != 1 || m_app.GetAccountID().empty()) {
        return;
    }
    if (CDialogKinds::IsPerRequest(type)) {
        ShowMultipleInstanceDlg(type, wParam);
    } else if (type == DLG_FOLDERS) {
        Signal(m_foldersSignal);
    } else if (type == DLG_OPTIONS) {
        Signal(m_optionsSignal);
    } else {
        Log(fn, "Warning: undefined dialogtype requested, skipping.", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
    }
}

void CMgmtGUI::ShowMultipleInstanceDlg(int type, win::WPARAM wParam) {
    const char* fn = "CMgmtGUI::ShowMultipleInstanceDlg";
    std::optional<LaunchRow> row = CDialogKinds::Launch(type);
    if (!row) {
        Log("CMgmtGUI::ShowDialog", "Warning: undefined dialogtype requested, skipping.",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return;
    }
    Log(fn, row->logLine, LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    bool newSession = row->alwaysNewSession || !m_app.GetDispAllowOneInstance();
    if (!newSession) {
        if (m_compose.empty()) {
            newSession = true;
        } else {
            // One-instance mode: the open new-message dialog comes to the front; the
            // request's reference is not handed to it.
            Signal(m_newSmsSignal);
            return;
        }
    }
    DialogSessionParams params{type, wParam, true, true};
    std::unique_ptr<CDialogSession> session = MakeSession(params);
    if (!session) {
        Log(fn, std::string("Caught exception. ") + row->failureText + " at #1",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return;
    }
    SessionTable& table = row->sentTable ? m_sent : m_compose;
    uint32_t id = session->Id();
    auto [it, inserted] = table.emplace(id, std::move(session));
    if (!inserted) {
        Log(fn, std::string("Caught exception. ") + row->failureText + " at #2",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return;
    }
    SignalOf(type).AddWaiter(id);
    it->second->Start();
}

void CMgmtGUI::Forget(CDialogSession& session) {
    SignalOf(session.Type()).RemoveWaiter(session.Id());
}

void CMgmtGUI::OnThreadEndNotify(uint32_t sessionId) {
    const char* fn = "CMgmtGUI::OnThreadEndNotify";
    std::unique_ptr<CDialogSession> session;
    for (SessionTable* table : {&m_compose, &m_sent}) {
        auto it = table->find(sessionId);
        if (it != table->end()) {
            session = std::move(it->second);
            table->erase(it);
            break;
        }
    }
    if (!session) {
        // Not one of ours (or already reaped): nothing to do.
        Log(fn, "End notification for unknown thread id " + std::to_string(sessionId),
            LOG_CAT_APPLICATION, LOG_SEV_TRACE);
        return;
    }
    Forget(*session);
    if (!session->IsEnded()) {
        session->EndAll();
        Log(fn,
            "Problem ending thread with id: " + std::to_string(sessionId) +
                " Warning, thread had to be terminated. This wait timeout should not occur.",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
}

win::LRESULT CMgmtGUI::OnShowSysTrayIcon(win::WPARAM show) {
    if (!m_tray) {
        return 0;
    }
    bool ok = true;
    if (show == 1 && !m_trayShown) {
        ok = m_tray->Show();
        m_trayShown = ok;
    } else if (show == 0 && m_trayShown) {
        m_tray->Hide();
        m_trayShown = false;
    }
    if (!ok) {
        Log("CMgmtGUI::OnShowSysTrayIcon", "Warning: Problem showing or removing system tray icon",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    return 0;
}

void CMgmtGUI::OnTrayCommand(int command) {
    switch (command) {
    case TRAY_CMD_NEWSMS:
        ShowDialog(DLG_NEWSMS, 0);
        break;
    case TRAY_CMD_NEWMMS:
        ShowDialog(DLG_NEWMMS, 0);
        break;
    case TRAY_CMD_FOLDERS:
        ShowDialog(DLG_FOLDERS, 0);
        break;
    case TRAY_CMD_OPTIONS:
        ShowDialog(DLG_OPTIONS, 0);
        break;
    case TRAY_CMD_ADDRESSBOOK:
        win::PostMessage(m_hwnd, CGuiMessages::Get().showAddressBook, 0, 0);
        break;
    case TRAY_CMD_QUIT:
        win::PostMessage(m_hwnd, WM_TW_SHUTDOWN, 0, 0);
        break;
    default:
        break;
    }
}

void CMgmtGUI::OnTrayNotify(win::LPARAM notification) {
    if (notification == TRAY_RBUTTONUP || notification == TRAY_CONTEXTMENU) {
        if (!m_tray) {
            return;
        }
        win::SetForegroundWindow(m_hwnd);
        int command = m_tray->TrackMenu();
        win::PostMessage(m_hwnd, win::WM_NULL, 0, 0);
        OnTrayCommand(command);
    } else if (notification == TRAY_LBUTTONDBLCLK) {
        ShowDialog(m_app.GetSysTrayDefaultAction(), 0);
    } else if (notification == TRAY_BALLOONUSERCLICK) {
        win::PostMessage(m_hwnd, CGuiMessages::Get().showNewSMS, 0, 0);
    }
}

void CMgmtGUI::OnMailClientAction(win::WPARAM action, win::LPARAM message) {
    const GuiMessageIds& ids = CGuiMessages::Get();
    win::WPARAM reference = 0;
    // From another process the parameter is a number, never a message to read: the action
    // is carried out without it.
    if (message != 0 && !win::InMessageFromOtherProcess()) {
        GuiSmsFields texts;
        if (m_app.ReadMailClientMessage(message, texts)) {
            GuiSmsFields fields;
            if (action == OE_VIEWSMS) {
                fields.sender = texts.sender;
                fields.recipients = texts.recipients;
                fields.messageText = texts.messageText;
            } else if (action == OE_REPLY) {
                fields.recipients = texts.sender; // the reply goes to the sender
            } else if (action == OE_FORWARD) {
                fields.messageText = texts.messageText;
            }
            fields.dateTime = texts.dateTime;
            reference = m_app.AddMessageReference(fields);
            Log("CMgmtGUI::OnMailClientAction",
                "Action " + std::to_string(action) + ", reference " + std::to_string(reference) +
                    ": sender \"" + fields.sender + "\", recipients \"" + fields.recipients +
                    "\", text \"" + fields.messageText + "\", date \"" + fields.dateTime + "\"",
                LOG_CAT_APPLICATION, LOG_SEV_TRACE);
        } else {
            Log("CMgmtGUI::OnMailClientAction", "Could not read the mail client's message",
                LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        }
    }
    if (message == 0) {
        Log("CMgmtGUI::OnMailClientAction", "Action " + std::to_string(action), LOG_CAT_APPLICATION,
            LOG_SEV_TRACE);
    }
    switch (static_cast<int>(action)) {
    case OE_NEWSMS:
        win::SendMessage(m_hwnd, ids.showNewSMS, 0, 0);
        break;
    case OE_VIEWSMS:
        win::SendMessage(m_hwnd, ids.showViewSMS, reference, 0);
        break;
    case OE_REPLY:
        win::SendMessage(m_hwnd, ids.showNewReply, reference, 0);
        break;
    case OE_FORWARD:
        win::SendMessage(m_hwnd, ids.showNewSMSForward, reference, 0);
        break;
    case OE_OUTBOX:
    case OE_SENT: {
        win::SendMessage(m_hwnd, ids.showFolders, 0, 0);
        win::WPARAM command = action == OE_OUTBOX ? CMD_FOLDERS_SHOW_OUTBOX : CMD_FOLDERS_SHOW_SENT;
        // Queued behind the folders dialog's show, so the dialog exists when it arrives.
        QMetaObject::invokeMethod(
            this,
            [this, command] {
                if (m_folders) {
                    m_folders->SendCommand(command);
                }
            },
            Qt::QueuedConnection);
        break;
    }
    case OE_HELP:
        win::SendMessage(m_hwnd, ids.showHelp, 0, 0);
        break;
    case OE_ABOUT:
        win::SendMessage(m_hwnd, ids.showAbout, 0, 0);
        break;
    case OE_OPTIONS:
        win::SendMessage(m_hwnd, ids.showOptions, 0, 0);
        break;
    case OE_NEWMMS:
        win::SendMessage(m_hwnd, ids.showNewMMS, 0, 0);
        break;
    default:
        break;
    }
}

void CMgmtGUI::OnShowAddressBook() {
    if (m_addressBook) {
        if (!m_addressBook()) {
            Log("CMgmtGUI::OnShowAddressBook", "Failed to open the address book",
                LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        }
        return;
    }
    Log("CMgmtGUI::OnShowAddressBook", "No address book program is available", LOG_CAT_APPLICATION,
        LOG_SEV_INFO);
}

void CMgmtGUI::OnShowHelp() {
    std::string target = CGuiText::Tr("Help.MessageFolder", CGuiText::Row(261));
    if (target.empty()) {
        return;
    }
    if (!platform::ShellOpen(target)) {
        Log("CMgmtGUI::OnShowHelp", "Failed to open the help page " + target, LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
    }
}

void CMgmtGUI::OnShowAbout() {
    if (m_about == nullptr) {
        return;
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void CMgmtGUI::OnUsageReminder() {
    UsageReminderSettings settings;
    settings.disable = m_app.GetUsageReminderDisable();
    settings.alertListbox = m_app.GetAlertListbox();
    settings.timeSpanDays = m_app.GetTimeSpan();
    settings.lastUsed = m_app.GetLastUsed();
    if (CUsageReminder::Decide(settings, std::time(nullptr)) != CUsageReminder::Decision::Remind) {
        return;
    }
    m_app.SetLastUsedDate();
    // A balloon where the notification area shows one, else a desktop notification.
    if (BalloonRoute() != CDesktopNotifier::Route::None) {
        win::SetTimer(m_hwnd, TIMER_USAGE_REMINDER, USAGE_REMINDER_DELAY_MS);
        return;
    }
    // A start with the desktop opens no window by itself.
    if (m_app.StartedWithDesktop()) {
        Log("CMgmtGUI::OnUsageReminder",
            "Started with the desktop and no balloon can be shown: the usage reminder waits",
            LOG_CAT_GUI, LOG_SEV_INFO);
        return;
    }
    CDlgUsageReminder dialog(m_app);
    if (dialog.exec() == QDialog::Accepted) {
        win::PostMessage(m_hwnd, CGuiMessages::Get().showNewSMS, 0, 0);
    }
}

void CMgmtGUI::OnReminderTimer() {
    win::KillTimer(m_hwnd, TIMER_USAGE_REMINDER);
    ShowReminderBalloon();
}

CDesktopNotifier& CMgmtGUI::Notifier() {
    if (!m_notifier) {
        m_notifier = std::make_unique<CDesktopNotifier>(
            QDBusConnection::sessionBus(), CGuiText::Tr("TWD.AppName", "<appname>"), TW_DESKTOP_ID,
            TW_DESKTOP_ID, [this] {
                // A click on the notification is a click on the balloon.
                win::PostMessage(m_hwnd, CGuiMessages::Get().trayNotify, 0, TRAY_BALLOONUSERCLICK);
            });
    }
    return *m_notifier;
}

CDesktopNotifier::Route CMgmtGUI::BalloonRoute() {
    const bool trayBalloon = m_trayShown && m_tray && m_tray->SupportsMessages();
    // The session bus is asked only when the tray cannot show the balloon.
    const bool notifications = !trayBalloon && Notifier().IsAvailable();
    return CDesktopNotifier::ChooseRoute(m_trayShown, trayBalloon, notifications);
}

void CMgmtGUI::ShowReminderBalloon() {
    const std::string title = CGuiText::Tr("GUIMgmt.SysTrayReminderBalloonTitle", "<appname>");
    const std::string text =
        CGuiText::Tr("GUIMgmt.SysTrayReminderBalloonText",
                     "You have not sent a message for a while. Click here to write one.");
    const int timeout = static_cast<int>(USAGE_REMINDER_DELAY_MS);
    switch (BalloonRoute()) {
    case CDesktopNotifier::Route::TrayBalloon:
        m_tray->ShowBalloon(title, text, timeout);
        return;
    case CDesktopNotifier::Route::DesktopNotification:
        if (Notifier().Notify(title, text, timeout)) {
            return;
        }
        break;
    case CDesktopNotifier::Route::None:
        break;
    }
    Log("CMgmtGUI::ShowReminderBalloon",
        "No balloon in the notification area and no desktop notification service; would have "
        "shown: " +
            title + ": " + text,
        LOG_CAT_GUI, LOG_SEV_INFO);
}

win::LRESULT CMgmtGUI::WindowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const GuiMessageIds& ids = CGuiMessages::Get();
    if (msg == WM_TW_SHUTDOWN) {
        m_app.OnShutDown();
    } else if (msg == WM_TW_FORCEDSHUTDOWN) {
        m_app.OnForcedShutDown();
    } else if (msg == win::WM_TIMER) {
        if (wParam == TIMER_USAGE_REMINDER) {
            OnReminderTimer();
        }
    } else if (msg < 0xC000) {
        return 0;
    } else if (msg == ids.showNewSMS) {
        ShowDialog(DLG_NEWSMS, wParam);
    } else if (msg == ids.showNewMMS) {
        ShowDialog(DLG_NEWMMS, wParam);
    } else if (msg == ids.showNewSMSForward) {
        ShowDialog(DLG_FORWARDSMS, wParam);
    } else if (msg == ids.showNewMMSForward) {
        ShowDialog(DLG_FORWARDMMS, wParam);
    } else if (msg == ids.showNewSMSModify) {
        ShowDialog(DLG_MODIFYSMS, wParam);
    } else if (msg == ids.showNewMMSModify) {
        ShowDialog(DLG_MODIFYMMS, wParam);
    } else if (msg == ids.showSentSMS) {
        ShowDialog(DLG_SENTSMS, wParam);
    } else if (msg == ids.showSentMMS) {
        ShowDialog(DLG_SENTMMS, wParam);
    } else if (msg == ids.showNewReply) {
        ShowDialog(DLG_REPLYSMS, wParam);
    } else if (msg == ids.showViewSMS) {
        ShowDialog(DLG_VIEWSMS, wParam);
    } else if (msg == ids.showFolders) {
        ShowDialog(DLG_FOLDERS, 0);
    } else if (msg == ids.showOptions) {
        ShowDialog(DLG_OPTIONS, 0);
    } else if (msg == ids.showAddressBook) {
        OnShowAddressBook();
    } else if (msg == ids.showHelp) {
        OnShowHelp();
    } else if (msg == ids.showAbout) {
        OnShowAbout();
    } else if (msg == ids.showOeWindow) {
        OnMailClientAction(wParam, lParam);
    } else if (msg == ids.showSysTrayIcon) {
        return OnShowSysTrayIcon(wParam);
    } else if (msg == ids.showUsageReminder) {
        OnUsageReminder();
    } else if (msg == ids.trayNotify) {
        OnTrayNotify(lParam);
    } else if (msg == ids.threadEndNotify) {
        OnThreadEndNotify(static_cast<uint32_t>(lParam));
    }
    return 0;
}
