// The application's side of the folder dialogs: hands them the store, the settings, the
// message reference map, the core and the message options dialog of the running program.
#pragma once

#include "folders/IFolderHost.h"

class CTidewellWindowsApp;

class CAppFolderHost : public IFolderHost {
public:
    explicit CAppFolderHost(CTidewellWindowsApp& app) : m_app(app) {}

    CMgmtMessages& Store() override;
    CQVRegClass& Reg() override;
    std::uint32_t MSGRefAdd(const CMessageRecord& record) override;
    bool SMSRefGetGuid(std::uint32_t key, CSMSRecord& out) override;
    bool MSGRefRemove(std::uint32_t key) override;
    bool RequestAccountUpdate() override;
    bool IsInternetAvailable() override;
    std::string GetInstallRoot() override;
    bool RunMessageOptions(QWidget* parent, MessageOptionsValues& values) override;

private:
    CTidewellWindowsApp& m_app;
};
