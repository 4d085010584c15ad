// The dialog manager: owns everything the user sees outside the dialogs themselves. Its
// hidden top-level window "TWD_HIDDEN_WND" receives every request, from the program's own
// threads and from other processes, as registered window messages; it opens dialogs in
// sessions (one per request for the compose and viewer kinds, one long-lived session each for
// Folders and Options), keeps the tray icon, and shows the About window and the usage
// reminder. Everything here runs on the GUI thread.
#pragma once

#include "gui/CDesktopNotifier.h"
#include "gui/CDialogFactory.h"
#include "gui/CDialogSession.h"
#include "gui/CShowSignal.h"
#include "gui/IGuiApplication.h"
#include "platform/Win.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class CDlgAbout;
class CTrayIcon;

class CMgmtGUI : public QObject {
    Q_OBJECT

public:
    using SessionTable = std::map<uint32_t, std::unique_ptr<CDialogSession>>;

    // Sets the start-up flags from the command-line verb, creates the About window and
    // initialises. On a failed initialisation the critical error has been shown and logged;
    // IsInitialized() is false and the program should end (exit code 0).
    CMgmtGUI(const std::string& verb, IGuiApplication& app, const CDialogFactory& factory);
    ~CMgmtGUI() override;
    CMgmtGUI(const CMgmtGUI&) = delete;
    CMgmtGUI& operator=(const CMgmtGUI&) = delete;

    bool IsInitialized() const { return m_initialized; }
    win::HWND HiddenWindow() const { return m_hwnd; }

    // The single entry for opening any dialog.
    void ShowDialog(int type, win::WPARAM wParam);
    // Starts a per-request session, or in one-instance mode wakes an open new-message dialog.
    void ShowMultipleInstanceDlg(int type, win::WPARAM wParam);
    // A per-request session has ended: reap it.
    void OnThreadEndNotify(uint32_t sessionId);
    // 1 shows the tray icon, 0 removes it.
    win::LRESULT OnShowSysTrayIcon(win::WPARAM show);
    // A tray notification (lParam of "QVTrayNotifyMsg").
    void OnTrayNotify(win::LPARAM notification);
    // A command of the tray menu.
    void OnTrayCommand(int command);
    // A request of the mail-client bridge ("QVShowOeWindow").
    void OnMailClientAction(win::WPARAM action, win::LPARAM message);
    // The usage reminder check ("QVShowUsageReminder").
    void OnUsageReminder();

    // How "QVShowAddressBook" opens the address book; without one the request is logged.
    void SetAddressBookOpener(std::function<bool()> opener) { m_addressBook = std::move(opener); }

    // For tests and for the shell.
    const SessionTable& ComposeTable() const { return m_compose; }
    const SessionTable& SentTable() const { return m_sent; }
    CDialogSession* FoldersSession() const { return m_folders.get(); }
    CDialogSession* OptionsSession() const { return m_options.get(); }
    CDlgAbout* AboutWindow() const { return m_about; }
    CTrayIcon* Tray() const { return m_tray.get(); }
    bool IsTrayIconShown() const { return m_trayShown; }
    bool StartFlagOptions() const { return m_flagOptions; }
    bool StartFlagAddressBook() const { return m_flagAddressBook; }
    bool StartFlagFolders() const { return m_flagFolders; }
    bool StartFlagNewSMS() const { return m_flagNewSMS; }
    bool StartFlagNewMMS() const { return m_flagNewMMS; }

private:
    bool Initialize(std::string& failure);
    void Uninitialize();
    win::LRESULT WindowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    std::unique_ptr<CDialogSession> MakeSession(const DialogSessionParams& params);
    CShowSignal& SignalOf(int type);
    void Signal(CShowSignal& signal);
    void Forget(CDialogSession& session);
    void OnShowAddressBook();
    void OnShowHelp();
    void OnShowAbout();
    void OnReminderTimer();
    void ShowReminderBalloon();
    // Where a balloon goes now: the tray icon, the desktop's notification service, or nowhere.
    CDesktopNotifier::Route BalloonRoute();

    IGuiApplication& m_app;
    const CDialogFactory& m_factory;

    bool m_flagOptions = false;
    bool m_flagAddressBook = false;
    bool m_flagFolders = false;
    bool m_flagNewSMS = false;
    bool m_flagNewMMS = false;
    bool m_trayWanted = true;
    bool m_trayShown = false;
    bool m_initialized = false;
    // The notification service client, made when a balloon first needs it.
    CDesktopNotifier& Notifier();

    CShowSignal m_optionsSignal;
    CShowSignal m_foldersSignal;
    CShowSignal m_newSmsSignal;
    CShowSignal m_sharedSignal;

    std::unique_ptr<CDialogSession> m_folders;
    std::unique_ptr<CDialogSession> m_options;
    SessionTable m_compose;
    SessionTable m_sent;
    uint32_t m_nextSessionId = 1;

    win::HWND m_hwnd = 0;
    std::unique_ptr<CTrayIcon> m_tray;
    std::unique_ptr<CDesktopNotifier> m_notifier;
    CDlgAbout* m_about = nullptr;
    std::function<bool()> m_addressBook;
};
