#include "app/CAppFolderHost.h"

#include "app/CTidewellWindowsApp.h"
#include "app/log/LogManager.h"
#include "core/CMgmtCore.h"
#include "messages/CMgmtSMS.h"

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

bool CAppFolderHost::RunMessageOptions(QWidget* /*parent*/, MessageOptionsValues& /*values*/) {
    // The SMS message options dialog is not part of this build yet.
    Log("CAppFolderHost::RunMessageOptions",
        "The message options dialog is not available; the message keeps its schedule", LOG_CAT_GUI,
        LOG_SEV_ERROR);
    return false;
}
