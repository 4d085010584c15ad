#include "gui/CGuiMessages.h"

#include "log/LogManager.h"

win::UINT CGuiMessages::Register(const char* name) {
    win::UINT id = win::RegisterWindowMessage(name);
    if (id == 0) {
        Log("CGuiMessages::Register", std::string("Failed to register window message ") + name,
            LOG_CAT_APPLICATION, LOG_SEV_ERROR, true);
    }
    return id;
}

const GuiMessageIds& CGuiMessages::Get() {
    static const GuiMessageIds ids = [] {
        GuiMessageIds m;
        m.showNewSMS = Register("QVShowNewSMS");
        m.showNewMMS = Register("QVShowNewMMS");
        m.showNewSMSForward = Register("QVShowNewSMSForward");
        m.showNewMMSForward = Register("QVShowNewMMSForward");
        m.showNewSMSModify = Register("QVShowNewSMSModify");
        m.showNewMMSModify = Register("QVShowNewMMSModify");
        m.showSentSMS = Register("QVShowSentSMS");
        m.showSentMMS = Register("QVShowSentMMS");
        m.showNewReply = Register("QVShowNewReply");
        m.showViewSMS = Register("QVShowViewSMS");
        m.showFolders = Register("QVShowFolders");
        m.showOptions = Register("QVShowOptions");
        m.showAddressBook = Register("QVShowAddressBook");
        m.showHelp = Register("QVShowHelp");
        m.showAbout = Register("QVShowAbout");
        m.showOeWindow = Register("QVShowOeWindow");
        m.showSysTrayIcon = Register("QVShowSysTrayIcon");
        m.showUsageReminder = Register("QVShowUsageReminder");
        m.notifyChangeSettings = Register("QVNotifyChangeSettings");
        m.trayNotify = Register("QVTrayNotifyMsg");
        m.threadEndNotify = Register("QVThreadEndNotifyMsg");
        m.threadEndRequest = Register("QVThreadEndRequestMsg");
        m.showThreadDlg = Register("QVShowThreadDlgMsg");
        return m;
    }();
    return ids;
}
