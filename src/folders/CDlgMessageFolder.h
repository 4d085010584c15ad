// The message folder dialog: lists the sentbox or the outbox in a sortable list, keeps the
// list current while the core works, and is where the user forwards, views, reschedules and
// deletes messages. It lives in the dialog manager's long-lived Folders session.
//
// The store posts WM_STORE_DATACHANGED to the dialog's platform window after every change;
// that only marks a refresh as pending, and the refresh timer (every 1000 ms) rebuilds the
// list when one is pending, so a burst of changes costs one refresh. Requests to other dialogs
// are broadcast as registered messages; a record travels with them as a key into the
// application's message reference map.
#pragma once

#include "folders/IFolderHost.h"
#include "gui/CDlgBase.h"

#include <QPointer>

#include <array>
#include <memory>
#include <string>

class CMessageRecord;
class CSortListCtrl;
class QAction;
class QComboBox;
class QLabel;
class QToolButton;

class CDlgMessageFolder : public CDlgBase {
    Q_OBJECT

public:
    // Message the store posts on a change, and the refresh timer.
    static constexpr win::UINT WM_STORE_DATACHANGED = 0x047C;
    static constexpr win::UINT_PTR TIMER_REFRESH = 0x047D;
    static constexpr win::UINT REFRESH_PERIOD_MS = 1000;
    // Folder selector entries.
    enum Folder : int { FOLDER_SENT = 0, FOLDER_OUTBOX = 1 };
    // Position of the delete confirmation among the alert flags.
    static constexpr int ALERT_DELETE = 6;

    explicit CDlgMessageFolder(IFolderHost& host, QWidget* parent = nullptr);
    ~CDlgMessageFolder() override;

    // Rebuilds the list from the selected folder.
    void UpdateList();
    // Enables the commands that fit the selection.
    void UpdateGUIStatus();
    void OnEditDelete();
    void OnForward();
    void OnDblclkViewSentSMS();
    void OnMessageOptions();
    void OnViewMessagestatus();
    void OnEditSelectall();
    // Unsubscribes, stops the timer and closes the window.
    void OnClose();
    // Selects a folder (FOLDER_SENT or FOLDER_OUTBOX) and lists it.
    void SelectFolder(int folder);

    // For tests and screenshots.
    CSortListCtrl* List() const { return m_list; }
    QComboBox* FolderSelector() const { return m_folder; }
    bool IsRefreshPending() const { return m_refreshPending; }
    int RefreshCount() const { return m_refreshCount; }
    const std::array<int, 9>& AlertFlags() const { return m_alerts; }
    QAction* DeleteAction() const { return m_actDelete; }
    QAction* ForwardAction() const { return m_actForward; }
    QAction* StatusAction() const { return m_actStatus; }
    QToolButton* ForwardButton() const { return m_btnForward; }
    QToolButton* StatusButton() const { return m_btnStatus; }
    QToolButton* MessageOptionsButton() const { return m_btnMsgOptions; }
    QToolButton* LogoButton() const { return m_btnLogo; }

protected:
    win::LRESULT OnPlatformMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;
    void OnCommand(win::WPARAM command) override;
    void OnPlatformTimer(win::UINT_PTR id) override;
    void OnNotifyChangeSettings() override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildMenus();
    void BuildControls();
    void ReadAlertFlags();
    // GUID of the first selected row (at most 259 characters); empty when none.
    std::string FirstSelectedGuid() const;
    // The record of a GUID: outbox first, then sentbox (or the other way round).
    std::unique_ptr<CMessageRecord> FindRecord(const std::string& guid, bool sentboxFirst);
    // Puts a copy into the reference map and broadcasts `message` with its key.
    void PostWithReference(const CMessageRecord& record, win::UINT message, const char* location,
                           const char* failure);
    void ShowAbout();
    void Unsubscribe();

    IFolderHost& m_host;
    std::array<int, 9> m_alerts{1, 1, 1, 1, 1, 1, 1, 1, 1};
    bool m_refreshPending = false;
    bool m_subscribed = false;
    bool m_closed = false;
    int m_refreshCount = 0;

    CSortListCtrl* m_list = nullptr;
    QComboBox* m_folder = nullptr;
    QLabel* m_folderLabel = nullptr;
    QAction* m_actNewSms = nullptr;
    QAction* m_actForward = nullptr;
    QAction* m_actClose = nullptr;
    QAction* m_actDelete = nullptr;
    QAction* m_actSelectAll = nullptr;
    QAction* m_actOutbox = nullptr;
    QAction* m_actSent = nullptr;
    QAction* m_actStatus = nullptr;
    QAction* m_actAddressBook = nullptr;
    QAction* m_actOptions = nullptr;
    QAction* m_actHelp = nullptr;
    QAction* m_actAbout = nullptr;
    QToolButton* m_btnNewSms = nullptr;
    QToolButton* m_btnNewMms = nullptr;
    QToolButton* m_btnForward = nullptr;
    QToolButton* m_btnStatus = nullptr;
    QToolButton* m_btnMsgOptions = nullptr;
    QToolButton* m_btnAddressBook = nullptr;
    QToolButton* m_btnOptions = nullptr;
    QToolButton* m_btnLogo = nullptr;
};
