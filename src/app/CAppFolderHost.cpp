#include "app/CAppFolderHost.h"

#include "app/CTidewellWindowsApp.h"
#include "core/CMgmtCore.h"
#include "folders/CFolderUi.h"
#include "messages/CMgmtSMS.h"
#include "options/CDlgMsgOptionsSMS.h"
#include "platform/MsgBox.h"

CMgmtMessages& CAppFolderHost::Store() {
    return *m_app.Store();
}

CQVRegClass& CAppFolderHost::Reg() {
    return m_app.Reg();
}

std::uint32_t CAppFolderHost::MSGRefAdd(const CMessageRecord& record) {
    return m_app.MSGRefAdd(record);
}

bool CAppFolderHost::SMSRefGetGuid(std::uint32_t key, CSMSRecord& out) {
    return m_app.SMSRefGetGuid(key, out);
}

bool CAppFolderHost::MSGRefRemove(std::uint32_t key) {
    return m_app.MSGRefRemove(key);
}

bool CAppFolderHost::RequestAccountUpdate() {
    CMgmtCore* core = m_app.Core();
    return core != nullptr && core->CORE_RequestAccountUpdate();
}

bool CAppFolderHost::IsInternetAvailable() {
    CMgmtCore* core = m_app.Core();
    return core != nullptr && core->IsInternetAvalible();
}

std::string CAppFolderHost::GetInstallRoot() {
    return m_app.GetInstallRoot();
}

bool CAppFolderHost::RunMessageOptions(QWidget* parent, MessageOptionsValues& values) {
    CDlgMsgOptionsSMS dialog(m_app.Reg(), parent);
    dialog.truncationMode = values.truncateMode;
    dialog.scheduled = values.scheduled;
    dialog.scheduleTime = CFolderUi::ToQDateTime(values.scheduleTime);
    if (dialog.RunModal() != win::IDOK) {
        return false;
    }
    values.truncateMode = dialog.truncationMode;
    values.scheduled = dialog.scheduled;
    values.scheduleTime = CFolderUi::FromQDateTime(dialog.scheduleTime);
    return true;
}
