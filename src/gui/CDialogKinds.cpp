#include "gui/CDialogKinds.h"

#include "gui/GuiDefs.h"

using namespace gui;

std::string CDialogKinds::LogName(int type) {
    switch (type) {
    case DLG_NEWSMS:
        return "NewSMS dialog";
    case DLG_FOLDERS:
        return "Folders dialog";
    case DLG_SENTSMS:
        return "SentSMS dialog";
    case DLG_OPTIONS:
        return "Options dialog";
    case DLG_FORWARDSMS:
        return "NewSMS (Forward) dialog";
    case DLG_MODIFYSMS:
        return "NewSMS (Modify) dialog";
    case DLG_REPLYSMS:
        return "NewSMS (Reply) dialog";
    case DLG_VIEWSMS:
        return "ViewSMS dialog";
    default:
        return {};
    }
}

bool CDialogKinds::IsAvailable(int type) {
    return !LogName(type).empty();
}

bool CDialogKinds::IsPerRequest(int type) {
    return IsAvailable(type) && type != DLG_FOLDERS && type != DLG_OPTIONS;
}

std::optional<LaunchRow> CDialogKinds::Launch(int type) {
    switch (type) {
    case DLG_NEWSMS:
        return LaunchRow{"Launching NewSMS thread", false, false,
                         "Failed to create GUI thread for New SMS"};
    case DLG_SENTSMS:
        return LaunchRow{"Launching SentSMS thread", true, true,
                         "Failed to create GUI thread for Sent SMS"};
    case DLG_FORWARDSMS:
        return LaunchRow{"Launching forward SMS thread", true, false,
                         "Failed to create GUI thread for New SMS (forward)"};
    case DLG_MODIFYSMS:
        return LaunchRow{"Launching Modify SMS thread", true, false,
                         "Failed to create GUI thread for New SMS (Modify)"};
    case DLG_REPLYSMS:
        return LaunchRow{"Launching reply SMS thread", true, false,
                         "Failed to create GUI thread for New SMS (reply)"};
    case DLG_VIEWSMS:
        return LaunchRow{"Launching ViewSMS thread", true, false,
                         "Failed to create GUI thread for View SMS"};
    default:
        return std::nullopt;
    }
}

ShowSignalKind CDialogKinds::SignalFor(int type) {
    switch (type) {
    case DLG_OPTIONS:
        return ShowSignalKind::Options;
    case DLG_FOLDERS:
        return ShowSignalKind::Folders;
    case DLG_NEWSMS:
        return ShowSignalKind::NewSMS;
    default:
        return ShowSignalKind::Shared;
    }
}
