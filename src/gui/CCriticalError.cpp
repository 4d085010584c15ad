#include "gui/CCriticalError.h"

#include "gui/CGuiText.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"
#include "platform/Win.h"

namespace gui {

void ShowCriticalErrorBox() {
    win::MessageBox(0,
                    CGuiText::Tr("TWD.CriticalErrorAbort",
                                 "An internal error occured, if this error persists please "
                                 "reistall <appname><newline>Closing application"),
                    CGuiText::Tr("TWD.AppName", CGuiText::Row(0)),
                    win::MB_OK | win::MB_ICONSTOP | win::MB_SYSTEMMODAL);
}

void AbortOnEscapedException(const std::string& description) {
    Log("CMgmtGUI::DlgThreadSession",
        "Caught CException: " + (description.empty() ? std::string("No description") : description),
        LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    ShowCriticalErrorBox();
    win::PostQuitMessage(1);
}

} // namespace gui
