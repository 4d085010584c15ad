// The registered window messages through which every part of the program, and other
// processes, ask the dialog manager for something. A name gives the same number in every
// process of the session, so the names are the contract.
#pragma once

#include "platform/Win.h"

struct GuiMessageIds {
    win::UINT showNewSMS = 0;
    win::UINT showNewMMS = 0;
    win::UINT showNewSMSForward = 0;
    win::UINT showNewMMSForward = 0;
    win::UINT showNewSMSModify = 0;
    win::UINT showNewMMSModify = 0;
    win::UINT showSentSMS = 0;
    win::UINT showSentMMS = 0;
    win::UINT showNewReply = 0;
    win::UINT showViewSMS = 0;
    win::UINT showFolders = 0;
    win::UINT showOptions = 0;
    win::UINT showAddressBook = 0;
    win::UINT showHelp = 0;
    win::UINT showAbout = 0;
    win::UINT showOeWindow = 0;
    win::UINT showSysTrayIcon = 0;
    win::UINT showUsageReminder = 0;
    win::UINT notifyChangeSettings = 0;
    win::UINT trayNotify = 0;
    win::UINT threadEndNotify = 0;
    win::UINT threadEndRequest = 0;
    win::UINT showThreadDlg = 0;
};

class CGuiMessages {
public:
    // The numbers, registered on first use (thread-safe).
    static const GuiMessageIds& Get();
    // The number of one message by name (for a verb forwarded to a running instance); 0 when
    // it cannot be registered.
    static win::UINT Register(const char* name);
};
