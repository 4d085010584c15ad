#include "gui/CDialogFactory.h"

#include "log/LogManager.h"
#include "gui/CDlgBase.h"

void CDialogFactory::Register(int type, Creator creator) {
    m_creators[type] = std::move(creator);
}

bool CDialogFactory::Has(int type) const {
    return m_creators.count(type) != 0;
}

CDlgBase* CDialogFactory::Create(const DialogRequest& request) const {
    auto it = m_creators.find(request.type);
    if (it == m_creators.end() || !it->second) {
        Log("CDialogFactory::Create",
            "No dialog is available for dialog type " + std::to_string(request.type),
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return nullptr;
    }
    try {
        return it->second(request);
    } catch (const std::exception& e) {
        Log("CDialogFactory::Create", std::string("Caught exception. ") + e.what(),
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    } catch (...) {
        Log("CDialogFactory::Create", "Unknown exception caught.", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
    }
    return nullptr;
}
