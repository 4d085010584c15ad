#include "folders/CFolderDialogs.h"

#include "folders/CDlgMessageFolder.h"
#include "folders/CDlgSentSMS.h"
#include "folders/CDlgViewSMS.h"
#include "gui/CDialogFactory.h"
#include "gui/GuiDefs.h"

void CFolderDialogs::Register(CDialogFactory& factory, IFolderHost& host) {
    factory.Register(gui::DLG_FOLDERS, [&host](const DialogRequest&) -> CDlgBase* {
        return new CDlgMessageFolder(host);
    });
    factory.Register(gui::DLG_SENTSMS, [&host](const DialogRequest& request) -> CDlgBase* {
        return new CDlgSentSMS(host, static_cast<std::uint32_t>(request.reference));
    });
    factory.Register(gui::DLG_VIEWSMS, [&host](const DialogRequest& request) -> CDlgBase* {
        return new CDlgViewSMS(host, static_cast<std::uint32_t>(request.reference));
    });
}
